// The graph window's limit lines, time above them, statistics of the points in view, and pictures.
#include "chart/chart_picture.h"
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "graph/limit_statistics.h"
#include "graph/limits_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_limits {

constexpr double kStart = 46234.5;
constexpr double kSecond = 1.0 / 86400.0;
// ppm every 60 s with a missing value at 300 s and a pause from 420 s to 1020 s (as in
// test_limit_statistics.cpp): 180 s of 360 above 1000, 120 s above 2000.
const std::vector<double> kSeconds = {0, 60, 120, 180, 240, 300, 360, 420, 1020, 1080};
const std::vector<float> kPpm = {900, 1000, 1500, 2500, 1200, 99999, 2100, 1800, 950, 3000};
const std::vector<float> kRh = {55, 58, 61, 65, 70, 99999, 62, 59, 40, 80};
const std::vector<float> kTemp = {25, 26, 27, 28, 25.5f, 99999, 26.5f, 30, 20, 31};

class GraphLimits : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path()); // no template
    }
    void TearDown() override {
        delete w.data();
        setGraphProgramDirectory(QString());
    }
    // A graph window holding the known recording, shown at a fixed size.
    GraphWindow& recording() {
        w = new GraphWindow(prompter, shared);
        const int n = int(kSeconds.size());
        w->configureGraph(3, n, kStart, kStart + kSeconds.back() * kSecond, 0, 4000, -50, 100);
        std::vector<double> xs;
        std::vector<float> ys;
        for (int p = 0; p < n; ++p) {
            for (int s = 0; s < 3; ++s)
                xs.push_back(kStart + kSeconds[size_t(p)] * kSecond);
            ys.insert(ys.end(), {kPpm[size_t(p)], kRh[size_t(p)], kTemp[size_t(p)]});
        }
        w->chart->setXDataArray(xs);
        w->chart->setYDataArray(ys);
        w->chart->setAllowZooming(pe::sgHorzPlusVertZooming);
        w->computeGraphStatistics();
        w->resize(1000, 700);
        w->show();
        settle();
        return *w;
    }
    void settle() {
        w->chart->setPEactions(pe::sgResetImage);
        w->chart->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    // Runs the limits dialog with the given field texts, pressing OK once or until accepted.
    void setLimits(const std::vector<std::array<QString, 2>>& fields, QString* error = nullptr) {
        prompter.dialogHandler = [&](QDialog& d) {
            auto& dialog = dynamic_cast<LimitsDialog&>(d);
            for (int c = 0; c < 3; ++c) {
                for (int k = 0; k < 2; ++k)
                    dialog.field(c, k)->setText(size_t(c) < fields.size() ? fields[size_t(c)][size_t(k)]
                                                                          : QString());
            }
            dialog.accept();
            if (error)
                *error = dialog.errorLabel->isVisibleTo(&dialog) ? dialog.errorLabel->text() : QString();
            return dialog.result();
        };
        w->limitsButton->click();
        prompter.dialogHandler = nullptr;
    }
    void drag(QPoint from, QPoint to) {
        QWidget* plot = w->chart->customPlot();
        const auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButton button,
                              Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(pos), plot->mapToGlobal(QPointF(pos)), button, buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(plot, &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    QPoint pixelOf(double seconds, double ppm) const {
        QCPAxisRect* rect = w->chart->customPlot()->axisRect(0);
        return QPoint(
            int(rect->axis(QCPAxis::atBottom)->coordToPixel(daysToAxisSeconds(kStart + seconds * kSecond))),
            int(rect->axis(QCPAxis::atLeft)->coordToPixel(ppm)));
    }
    // The figures of the view on show, computed directly from the chart.
    limitstats::RangeFigures direct() const {
        const ChartModel& m = w->chart->model();
        return limitstats::computeRange(m, m.zoomStack.back().xMin, m.zoomStack.back().xMax,
                                        limitstats::computeRecording(m));
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    QPointer<GraphWindow> w;
};

TEST_F(GraphLimits, DialogSetsTheLinesAndRemembersThemForNewWindows) {
    GraphWindow& g = recording();
    EXPECT_TRUE(g.chart->limitLines().empty());
    EXPECT_TRUE(g.timeAboveLabel->isHidden());

    // A value that cannot be read or lies beyond the channel's range keeps the dialog open.
    QString error;
    setLimits({{"1000", "2000"}, {"abc", ""}}, &error);
    EXPECT_EQ(error, "abc is not a limit from 0 to 100.");
    setLimits({{"1000", ""}, {"", ""}, {"71", ""}}, &error);
    EXPECT_EQ(error, "71 is not a limit from -40 to 70.");
    EXPECT_TRUE(g.chart->limitLines().empty());
    EXPECT_EQ(shared.limits, LimitValues{});

    setLimits({{"2000", "1000"}, {"60", ""}, {"", "26.5"}}, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(g.chart->limitLines(),
              (std::vector<LimitLine>{{0, 2000.0}, {0, 1000.0}, {1, 60.0}, {2, 26.5}}));
    EXPECT_EQ(shared.limits, (LimitValues{{2000.0, 1000.0}, {60.0}, {26.5}, {}}));

    // Opened again, the dialog shows the chart's limits; Cancel changes nothing.
    prompter.dialogHandler = [](QDialog& d) {
        auto& dialog = dynamic_cast<LimitsDialog&>(d);
        EXPECT_EQ(dialog.field(0, 0)->text(), "2000");
        EXPECT_EQ(dialog.field(0, 1)->text(), "1000");
        EXPECT_EQ(dialog.field(1, 0)->text(), "60");
        EXPECT_EQ(dialog.field(2, 0)->text(), "26.5");
        EXPECT_EQ(dialog.field(2, 1)->text(), "");
        dialog.field(0, 0)->clear();
        return int(QDialog::Rejected);
    };
    g.limitsButton->click();
    EXPECT_EQ(g.chart->limitLines().size(), 4u);

    // Temperatures in degrees Fahrenheit have their own range and their own remembered limits.
    g.setTemperatureFahrenheit(true);
    EXPECT_EQ(g.chart->limitLines(), (std::vector<LimitLine>{{0, 2000.0}, {0, 1000.0}, {1, 60.0}}));
    setLimits({{"2000", "1000"}, {"60", ""}, {"100", ""}}, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(shared.limits, (LimitValues{{2000.0, 1000.0}, {60.0}, {26.5}, {100.0}}));
    g.setTemperatureFahrenheit(false);
    EXPECT_EQ(g.chart->limitLines().back(), (LimitLine{2, 26.5}));

    // A new window starts with the remembered limits.
    GraphWindow other(prompter, shared);
    other.configureGraph(3, 10, kStart, kStart + 0.01, 0, 4000, -50, 100);
    EXPECT_EQ(other.chart->limitLines(),
              (std::vector<LimitLine>{{0, 2000.0}, {0, 1000.0}, {1, 60.0}, {2, 26.5}}));
}

TEST_F(GraphLimits, TimeAboveInTheStripAndTheMaxMinTable) {
    shared.limits = {{1000.0, 2000.0}, {}, {26.0}, {78.8}};
    GraphWindow& g = recording();
    EXPECT_FALSE(g.timeAboveLabel->isHidden());
    EXPECT_EQ(
        g.timeAboveLabel->text(),
        "Time above: ppm > 1000: 0:03:00 (50.0%)   ppm > 2000: 0:02:00 (33.3%)   T1 > 26: 0:03:00 (50.0%)");

    g.onShowMaxMinClicked();
    ASSERT_TRUE(g.chart->ShowTableAnnotation());
    EXPECT_EQ(g.chart->TARows(), 15);
    EXPECT_EQ(g.chart->TAText(11, 0), "T1 AVG:");
    EXPECT_EQ(g.chart->TAText(12, 0), "ppm > 1000:");
    EXPECT_EQ(g.chart->TAText(12, 1), "0:03:00 (50.0%)");
    EXPECT_EQ(g.chart->TAText(13, 0), "ppm > 2000:");
    EXPECT_EQ(g.chart->TAText(13, 1), "0:02:00 (33.3%)");
    EXPECT_EQ(g.chart->TAText(14, 0), "T1 > 26:");
    g.onShowMaxMinClicked();

    // More limits than free rows: the table grows. New data: the figures follow at the redraw.
    QString error;
    setLimits({{"1000", "2000"}, {"60", "70"}, {"26", ""}}, &error);
    g.chart->setYData(0, 0, 1100.0f); // 0-60 s now above 1000 as well
    settle();
    EXPECT_TRUE(g.timeAboveLabel->text().startsWith("Time above: ppm > 1000: 0:04:00 (66.7%)"))
        << g.timeAboveLabel->text().toStdString();
    g.onShowMaxMinClicked();
    EXPECT_EQ(g.chart->TARows(), 17);
    EXPECT_EQ(g.chart->TAText(16, 0), "T1 > 26:");
    EXPECT_EQ(g.chart->TAText(15, 0), "RH > 70:");
    EXPECT_EQ(g.chart->TAText(15, 1), "0:00:00 (0.0%)");
}

TEST_F(GraphLimits, RangeLineFollowsZoomPanningAndUndoZoom) {
    shared.limits = {{1000.0}, {}, {}, {}};
    GraphWindow& g = recording();
    EXPECT_TRUE(g.inViewLabel->isHidden());
    const QRect chartBefore = g.chart->geometry();

    drag(pixelOf(90, 3800), pixelOf(390, 100));
    ASSERT_TRUE(g.chart->isZoomed());
    ASSERT_FALSE(g.inViewLabel->isHidden());
    limitstats::RangeFigures expected = direct();
    EXPECT_EQ(g.rangeFigures().points, (limitstats::PointRange{2, 7})); // 120 s to 360 s
    EXPECT_EQ(g.rangeFigures().stats.max, expected.stats.max);
    EXPECT_EQ(g.rangeFigures().stats.min, expected.stats.min);
    EXPECT_EQ(g.rangeFigures().stats.avg, expected.stats.avg);
    EXPECT_EQ(g.rangeFigures().limits, expected.limits);
    const QString zoomed = g.inViewLabel->text();
    // A grid: one row per shown channel with its MAX, MIN and AVG, then the time above.
    const auto row = [&](const QString& name, int c) {
        const QString cell = QStringLiteral("<td style=\"padding: 0 6px 0 0;\">%1</td>");
        return QStringLiteral("<tr>") + cell.arg("<b>" + name + "</b>") + cell.arg("MAX") +
               cell.arg(expected.stats.max[size_t(c)]) + cell.arg("MIN") +
               cell.arg(expected.stats.min[size_t(c)]) + cell.arg("AVG") +
               cell.arg(expected.stats.avg[size_t(c)].trimmed()) + QStringLiteral("</tr>");
    };
    EXPECT_TRUE(zoomed.contains("(5 points)")) << zoomed.toStdString();
    EXPECT_TRUE(zoomed.contains(row("ppm", 0))) << zoomed.toStdString();
    EXPECT_TRUE(zoomed.contains(row("RH", 1))) << zoomed.toStdString();
    EXPECT_TRUE(zoomed.endsWith("</table>Time above: ppm &gt; 1000: 0:02:00 (100.0%)"))
        << zoomed.toStdString();
    // Only the shown channels: without ppm its row and its time above go.
    g.ppmBox->setChecked(false);
    EXPECT_FALSE(g.inViewLabel->text().contains("<b>ppm</b>"));
    EXPECT_FALSE(g.inViewLabel->text().contains("Time above"));
    EXPECT_TRUE(g.inViewLabel->text().contains(row("RH", 1)));
    g.ppmBox->setChecked(true);
    // It lies over the chart: the chart kept its place and size when the zoom began.
    EXPECT_EQ(g.inViewLabel->parentWidget(), g.chart);
    EXPECT_EQ(g.chart->geometry(), chartBefore);

    // Panning to the end of the recording: the line follows at once.
    QScrollBar* bar = g.chart->horizontalScrollBar();
    bar->setValue(bar->maximum());
    expected = direct();
    EXPECT_EQ(g.rangeFigures().points.end, 10);
    EXPECT_NE(g.rangeFigures().points.first, 2);
    EXPECT_EQ(g.rangeFigures().stats.max, expected.stats.max);
    EXPECT_EQ(g.rangeFigures().limits, expected.limits);
    EXPECT_NE(g.inViewLabel->text(), zoomed);

    g.onUndoZoomClicked();
    EXPECT_TRUE(g.inViewLabel->isHidden());
    EXPECT_EQ(g.chart->geometry(), chartBefore);
    EXPECT_FALSE(g.timeAboveLabel->isHidden()); // the whole recording's line stays
}

TEST_F(GraphLimits, PicturesOfWhatTheChartShows) {
    shared.limits = {{1000.0, 2000.0}, {}, {}, {}};
    GraphWindow& g = recording();
    drag(pixelOf(90, 3800), pixelOf(900, 100));
    g.onShowMaxMinClicked();
    settle();
    QCustomPlot& plot = *g.chart->customPlot();
    // Pictures draw text straight, not from the screen's cache of label pixmaps (whose
    // antialiasing differs by a shade here and there): the screen does the same for this comparison.
    plot.setPlottingHint(QCP::phCacheLabels, false);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const QImage shown = plot.grab().toImage().convertToFormat(QImage::Format_RGB32);

    prompter.files = {dir.filePath("one"), dir.filePath("two.png"), dir.filePath("three.svg"),
                      dir.filePath("four.pdf")};
    prompter.filterIndices = {1, 2, 1, 1};
    g.shared().dataFolder = dir.path() + "/data/";
    for (int i = 0; i < 4; ++i)
        g.savePictureButton->click();
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join('\n').toStdString();
    ASSERT_EQ(prompter.fileRequests.size(), 4);
    EXPECT_EQ(prompter.fileRequests[0].filter, pictureFileFilter());
    EXPECT_EQ(prompter.fileRequests[0].initialDir, dir.path() + "/data/"); // the data folder, as elsewhere

    // The PNG is the chart pixel for pixel, at its size and at twice it.
    const QImage png = QImage(dir.filePath("one.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), shown.size());
    // The screen composes its buffered layers one by one, the picture draws them all at once: the
    // semi-transparent table may blend a shade apart. Anything more is a different picture.
    int differing = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QRgb a = png.pixel(x, y);
            const QRgb b = shown.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                std::abs(qBlue(a) - qBlue(b)) > 2)
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    const QImage twice(dir.filePath("two.png"));
    EXPECT_EQ(twice.size(), shown.size() * 2);

    QSvgRenderer svg(dir.filePath("three.svg"));
    EXPECT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(QPoint(0, 0), shown.size()));
    const QByteArray pdf = readAll(dir.filePath("four.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));

    // A folder that is not there: the reason is shown and nothing is written.
    prompter.files = {dir.filePath("missing/five.png")};
    g.savePictureButton->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith("The picture could not be written to"))
        << prompter.shown[0].toStdString();
}

TEST(PictureType, ExtensionDecidesThenTheChosenType) {
    QString name = "a.PNG";
    EXPECT_EQ(pictureTypeOf(2, name), PictureType::Png2x);
    EXPECT_EQ(pictureTypeOf(4, name), PictureType::Png);
    name = "b.svg";
    EXPECT_EQ(pictureTypeOf(1, name), PictureType::Svg);
    name = "c";
    EXPECT_EQ(pictureTypeOf(4, name), PictureType::Pdf);
    EXPECT_EQ(name, "c.pdf");
    name = "d.ghf";
    EXPECT_EQ(pictureTypeOf(3, name), PictureType::Svg);
    EXPECT_EQ(name, "d.ghf.svg");
}

} // namespace test_graph_limits
