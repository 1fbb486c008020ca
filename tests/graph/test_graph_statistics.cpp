// Graph statistics: the pure computation and its formats, and the window's fields, read-out,
// data-point marker, MAX/MIN table and the two toggle buttons.
#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <vector>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_statistics {

const QDateTime kStartTime(QDate(2026, 7, 31), QTime(14, 5, 9));
const double kStart = toDateTimeValue(kStartTime);
constexpr double kStep = 60.0 / 86400.0;

struct Channels {
    std::vector<double> x;
    std::array<std::vector<double>, 3> y;
    std::array<graphstats::Series, 3> series() const {
        return {graphstats::Series{x, y[0]}, graphstats::Series{x, y[1]}, graphstats::Series{x, y[2]}};
    }
};

Channels regular(int points) {
    Channels c;
    for (int p = 0; p < points; ++p) {
        c.x.push_back(kStart + p * kStep);
        c.y[0].push_back(500 + 10 * p);
        c.y[1].push_back(40 + p);
        c.y[2].push_back(20 + 0.5 * p);
    }
    return c;
}

class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

TEST(GraphStatistics, IntervalCountAndStart) {
    const Channels c = regular(10);
    const auto r = graphstats::compute(c.series(), 10, kGerman);
    EXPECT_EQ(r.intervalSeconds, 60);
    EXPECT_EQ(r.minutesIndex, 1);
    EXPECT_EQ(r.secondsIndex, 0);
    EXPECT_EQ(r.dataNo, "10");
    EXPECT_EQ(r.startTime, "31.07.26 14:05:09");

    // 61 minutes and more finds no minutes item; fewer than two points give 0.
    Channels slow = regular(3);
    slow.x = {kStart, kStart + 3700.0 / 86400, kStart + 7400.0 / 86400};
    const auto s = graphstats::compute(slow.series(), 3, kEnglish);
    EXPECT_EQ(s.intervalSeconds, 3700);
    EXPECT_EQ(s.minutesIndex, -1);
    EXPECT_EQ(s.secondsIndex, 40);
    const auto one = graphstats::compute(regular(1).series(), 1, kEnglish);
    EXPECT_EQ(one.intervalSeconds, 0);
    EXPECT_EQ(one.dataNo, "1");
    const auto none = graphstats::compute(Channels{}.series(), 0, kEnglish);
    EXPECT_EQ(none.dataNo, "0");
    EXPECT_TRUE(none.startTime.isEmpty());
    EXPECT_EQ(none.avg[0], "****");
}

TEST(GraphStatistics, ExtremesMeansAndRanges) {
    Channels c = regular(4);
    c.y[0] = {500, 6000, 700, 600};
    c.y[1] = {100.0, 20, 30, 40};
    c.y[2] = {-40.0, 10, 20, 30};
    auto r = graphstats::compute(c.series(), 4, kEnglish);
    EXPECT_TRUE(r.max[0].startsWith("6000@")) << r.max[0].toStdString();
    EXPECT_EQ(r.max[0], "6000@" + graphstats::formatDateTime(kStart + kStep, kEnglish));
    EXPECT_TRUE(r.min[0].startsWith("500@"));
    EXPECT_EQ(r.avg[0], "600.0"); // 6000 is not averaged
    EXPECT_TRUE(r.max[1].startsWith("100.0@"));
    EXPECT_EQ(r.avg[1], "47.5");
    EXPECT_TRUE(r.min[2].startsWith("-40.0@"));

    c.y[0] = {40001, -1, 600, 600};
    c.y[1] = {100.1f, -0.1f, 50, 50};
    c.y[2] = {70.1f, -40.1f, 20, 20};
    r = graphstats::compute(c.series(), 4, kEnglish);
    EXPECT_EQ(r.max, (std::array<QString, 3>{"OL", "OL", "OL"}));
    EXPECT_EQ(r.min, (std::array<QString, 3>{"-OL", "OL", "-OL"}));

    // Recorded in Fahrenheit, the same limits in that unit: 70 C is 158 F, -40 is -40 in both.
    const auto F = graphstats::TemperatureUnit::Fahrenheit;
    c.y[2] = {158.0f, -40.0f, 75.0f, 20};
    r = graphstats::compute(c.series(), 4, kEnglish, F);
    EXPECT_EQ(r.max[2], "158.0@" + graphstats::formatDateTime(kStart, kEnglish));
    EXPECT_EQ(r.min[2], "-40.0@" + graphstats::formatDateTime(kStart + kStep, kEnglish));
    EXPECT_EQ(graphstats::compute(c.series(), 4, kEnglish).max[2], "OL"); // 158 C is over range
    c.y[2] = {158.1f, -40.1f, 75.0f, 20};
    r = graphstats::compute(c.series(), 4, kEnglish, F);
    EXPECT_EQ(r.max[2], "OL");
    EXPECT_EQ(r.min[2], "-OL");
    EXPECT_EQ(graphstats::extremeText(graphstats::Temperature, 75.0f, kStart, kEnglish, F),
              "75.0@" + graphstats::formatDateTime(kStart, kEnglish));
    EXPECT_EQ(graphstats::extremeText(graphstats::Temperature, 75.0f, kStart, kEnglish), "OL");

    // No value counts for the mean: "****".
    c.y[0] = {5000, 5000, 5000, 5000};
    EXPECT_EQ(graphstats::compute(c.series(), 4, kEnglish).avg[0], "****");
}

TEST(GraphStatistics, FormatsFollowTheLocale) {
    EXPECT_EQ(graphstats::formatFixed(1234.56, 1, kGerman), "1234,6");
    EXPECT_EQ(graphstats::formatFixed(1234.56, 1, kEnglish), "1234.6");
    EXPECT_EQ(graphstats::formatFixed(12345.67, 0, kEnglish), "12346");
    EXPECT_EQ(graphstats::formatFixed(1234567.8, 1, kEnglish), "1234568.0"); // 7 significant digits
    EXPECT_EQ(graphstats::formatTimeOfDay(kStart, kGerman), "14:05:09");
    const QString english = graphstats::formatTimeOfDay(kStart, kEnglish);
    EXPECT_TRUE(english.startsWith("2:05:09")) << english.toStdString();
    EXPECT_TRUE(english.endsWith("PM")) << english.toStdString();
    EXPECT_FALSE(graphstats::longTimeFormat(kEnglish).contains('t'));
    EXPECT_EQ(graphstats::formatDateTime(kStart, kEnglish), "7/31/26 " + english);
}

// NaN, the infinities and values beyond the years 1 to 9999 are no dates: empty texts, and the
// statistics of a chart holding them still fill every other field.
TEST(GraphStatistics, ValuesThatAreNoDatesShowNoDate) {
    for (double x :
         {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, kEndDateTimeValue, kFirstDateTimeValue - 1}) {
        EXPECT_EQ(graphstats::formatDateTime(x, kEnglish), "") << x;
        EXPECT_EQ(graphstats::formatTimeOfDay(x, kEnglish), "") << x;
    }
    EXPECT_EQ(graphstats::formatDateTime(kFirstDateTimeValue, kGerman), "01.01.01 00:00:00");
    EXPECT_EQ(graphstats::formatDateTime(kEndDateTimeValue - 1.0 / 86400, kGerman), "31.12.99 23:59:59");
    Channels c;
    c.x = {1e300, 2e300, std::nan(""), HUGE_VAL};
    c.y[0] = {400, 500, 600, 700};
    c.y[1] = {40, 41, 42, 43};
    c.y[2] = {20, 21, 22, 23};
    const graphstats::Result r = graphstats::compute(c.series(), 4, kEnglish);
    EXPECT_EQ(r.startTime, "");
    EXPECT_EQ(r.intervalSeconds, 0);
    EXPECT_EQ(r.max[0], "700@");
    EXPECT_EQ(r.avg[0], "550.0");
}

// --- The window ------------------------------------------------------------------------------

// The read-out lies over the chart's top-left corner, above the plot, wherever the chart sits.
void expectReadOutOverChartCorner(GraphWindow& w) {
    EXPECT_EQ(w.readOutLabel->mapTo(&w, QPoint(0, 0)), w.chart->mapTo(&w, QPoint(0, 0)));
    // No empty box: it shows once it holds a value, and then on top.
    EXPECT_EQ(w.readOutLabel->isHidden(), w.readOutLabel->text().isEmpty());
    if (!w.readOutLabel->text().isEmpty()) {
        EXPECT_EQ(w.chart->childAt(w.readOutLabel->geometry().center()), w.readOutLabel);
    }
    // Translucent, so the top Y label it lies over stays readable.
    EXPECT_EQ(w.readOutLabel->palette().color(QPalette::Window).alpha(), GraphWindow::kReadOutAlpha);
    EXPECT_TRUE(w.readOutLabel->autoFillBackground());
}

class StatisticsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        setGraphProgramDirectory(dir.path());
        w.configureGraph(3, 10, kStart, kStart + 9 * kStep, 0, 10000, -50, 100);
        ChartWidget& c = *w.chart;
        for (int p = 0; p < 10; ++p) {
            for (int s = 0; s < 3; ++s)
                c.setXDataII(s, p, kStart + p * kStep);
            c.setYData(0, p, p == 3 ? 6000.0f : 1000.0f + 100 * p);
            c.setYData(1, p, 50.0f + p);
            c.setYData(2, p, 21.5f);
        }
        w.show();
        settle();
    }
    void TearDown() override { setGraphProgramDirectory(QString()); }
    void settle() {
        w.chart->setPEactions(pe::sgResetImage);
        w.chart->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    void send(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
        QCustomPlot* plot = w.chart->customPlot();
        const QPoint local = pos; // the chart reports positions in its plot's pixels
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(local), plot->mapToGlobal(QPointF(local)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    }
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    GraphWindow w{prompter, shared};
};

TEST_F(StatisticsWindow, FieldsFilledAndZoomIgnored) {
    w.computeGraphStatistics();
    EXPECT_EQ(w.minutesBox->currentText(), "01");
    EXPECT_EQ(w.secondsBox->currentText(), "00");
    EXPECT_EQ(w.sampleCountField->text(), "10");
    EXPECT_EQ(w.startTimeField->text(), graphstats::formatDateTime(kStart));
    EXPECT_TRUE(w.ppmMaxField->text().startsWith("6000@"));
    EXPECT_TRUE(w.ppmMinField->text().startsWith("1000@"));
    EXPECT_EQ(w.ppmAvgField->text(), "1466.7"); // 6000 left out
    EXPECT_EQ(w.humidityAvgField->text(), "54.5");
    EXPECT_EQ(w.temperatureAvgField->text(), "21.5");
    const QString max = w.ppmMaxField->text();

    // Zoom into a corner: the figures stay those of the whole chart.
    const QRect plot = w.chart->plottingRect();
    const QPoint from = plot.topLeft() + QPoint(plot.width() * 3 / 4, 5);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(60, 40), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(60, 40));
    ASSERT_TRUE(w.chart->isZoomed());
    EXPECT_TRUE(w.undoZoomButton->isEnabled());
    w.computeGraphStatistics();
    EXPECT_EQ(w.ppmMaxField->text(), max);
    EXPECT_EQ(w.sampleCountField->text(), "10");
}

TEST_F(StatisticsWindow, FieldsUnderGermanLocale) {
    LocaleScope german(kGerman);
    w.chart->setYData(1, 0, 49.25f);
    w.computeGraphStatistics();
    EXPECT_EQ(w.humidityMinField->text(), "49,3@" + graphstats::formatDateTime(kStart, kGerman));
    EXPECT_EQ(w.startTimeField->text(), "31.07.26 14:05:09");
}

TEST_F(StatisticsWindow, ReadOutInsideTheRectangleOnly) {
    for (const QLocale& locale : {kEnglish, kGerman}) {
        LocaleScope scope(locale);
        const QRect plot = w.chart->plottingRect();
        ASSERT_FALSE(plot.isEmpty());
        const QPoint inside = w.chart->dataToPixel(kStart + 2 * kStep, 2500.0).toPoint();
        send(QEvent::MouseMove, inside);
        const QPointF v = w.chart->pixelToData(inside);
        const QString expected =
            graphstats::formatFixed(v.y(), 1, locale) + "@" + graphstats::formatTimeOfDay(v.x(), locale);
        EXPECT_EQ(w.readOutLabel->text(), expected);
        EXPECT_TRUE(w.readOutLabel->text().contains(locale == kGerman ? "," : "."));
        // Over the humidity/temperature axis the read-out is on that axis' scale (-50 to 100),
        // not the ppm scale's thousands below zero.
        const QRect lower = w.chart->customPlot()->axisRect(1)->rect();
        const QPoint over(inside.x(), lower.top() + lower.height() / 4);
        send(QEvent::MouseMove, over);
        const QPointF h = w.chart->pixelToDataOnAxis(over, 1);
        EXPECT_NEAR(h.y(), 62.5, 1.0);
        EXPECT_EQ(w.readOutLabel->text(), graphstats::formatFixed(h.y(), 1, locale) + "@" +
                                              graphstats::formatTimeOfDay(h.x(), locale));
        const QString last = w.readOutLabel->text();
        send(QEvent::MouseMove, plot.bottomRight() + QPoint(5, 5));
        EXPECT_EQ(w.readOutLabel->text(), last);
        send(QEvent::MouseMove, QPoint(plot.left() - 3, plot.top() + 10));
        EXPECT_EQ(w.readOutLabel->text(), last);
    }
    expectReadOutOverChartCorner(w);
}

TEST_F(StatisticsWindow, DataPointMarker) {
    w.onChartDataHotSpot(1, 4);
    ChartWidget& c = *w.chart;
    EXPECT_EQ(c.GraphAnnotationType(2), pe::sgCrossMark);
    EXPECT_EQ(c.GraphAnnotationColor(2), 0u);
    EXPECT_DOUBLE_EQ(c.GraphAnnotationX(2), kStart + 4 * kStep);
    EXPECT_DOUBLE_EQ(c.GraphAnnotationY(2), 54.0);
    EXPECT_EQ(c.GraphAnnotationText(2), graphstats::formatTimeOfDay(kStart + 4 * kStep) + "\r54.0");
}

TEST_F(StatisticsWindow, MaxMinTableTogglesWithFreshFigures) {
    w.computeGraphStatistics();
    ChartWidget& c = *w.chart;
    w.showMaxMinButton->click();
    EXPECT_TRUE(c.ShowTableAnnotation());
    EXPECT_EQ(c.TARows(), 15);
    EXPECT_EQ(c.TAColumns(), 2);
    EXPECT_EQ(c.TAText(0, 0), "Start Time:");
    EXPECT_EQ(c.TAText(1, 1), "01:00");
    EXPECT_EQ(c.TAText(2, 1), "10");
    EXPECT_EQ(c.TAText(3, 0), "ppm MAX:");
    EXPECT_EQ(c.TAText(3, 1), w.ppmMaxField->text());
    EXPECT_EQ(c.TAText(11, 0), "T1 AVG:");
    EXPECT_EQ(c.TAText(11, 1), "21.5");
    EXPECT_TRUE(c.TAText(12, 0).isEmpty());
    EXPECT_EQ(c.TAColor(14, 1), 0xFF0000FFu);
    EXPECT_EQ(c.TABackColor(), 0x81FFFFFFu);
    EXPECT_EQ(c.TALocation(), 16);
    EXPECT_EQ(c.TAX(), 550);
    EXPECT_EQ(c.TAY(), 50);
    EXPECT_EQ(c.TAMoveable(), pe::sgTAMoveableNoHotSpots);
    EXPECT_EQ(c.TABorder(), pe::sgInset);
    EXPECT_EQ(c.TATextSize(), 80);

    w.sampleCountField->setText("11");
    w.showMaxMinButton->click();
    EXPECT_FALSE(c.ShowTableAnnotation());
    EXPECT_EQ(c.TAText(2, 1), "11");
}

TEST_F(StatisticsWindow, ToggleButtons) {
    w.graphStatisticButton->click();
    EXPECT_TRUE(w.statisticStrip->isHidden());
    expectReadOutOverChartCorner(w);
    w.graphStatisticButton->click();
    EXPECT_FALSE(w.statisticStrip->isHidden());
    w.lineCursorStatisticButton->click();
    EXPECT_TRUE(w.statisticPanel->isHidden());
    EXPECT_FALSE(w.chart->ShowVertLineAnnotations());
    w.lineCursorStatisticButton->click();
    EXPECT_FALSE(w.statisticPanel->isHidden());
    EXPECT_TRUE(w.chart->ShowVertLineAnnotations());
}

} // namespace test_graph_statistics
