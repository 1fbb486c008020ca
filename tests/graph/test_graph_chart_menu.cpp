// Fit Y to data, the chart's right-click menu and its One Y Axis command.
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "graph/y_axis_fit.h"
#include "support/scripted_prompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_chart_menu {

constexpr double kStart = 46234.5;
constexpr double kStep = 60.0 / 86400.0;
constexpr int kPoints = 10;

class ChartMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path());
        w = new GraphWindow(prompter, shared);
        w->configureGraph(3, kPoints, kStart, kStart + (kPoints - 1) * kStep, 0, 10000, -50, 100);
        // ppm 420..1320, %RH 40..49, temperature 18.5..27.5; one empty point and one over-range ppm.
        for (int p = 0; p < kPoints; ++p) {
            for (int s = 0; s < 3; ++s)
                w->chart->setXDataII(s, p, kStart + p * kStep);
            w->chart->setYData(0, p, 420.0f + 100.0f * float(p));
            w->chart->setYData(1, p, 40.0f + float(p));
            w->chart->setYData(2, p, 18.5f + float(p));
        }
        w->chart->setYData(0, 3, 99999.0f);
        w->chart->setYData(0, 4, 90000.0f);
        w->chart->setPEactions(pe::sgReinitAndReset);
        w->resize(1160, 615);
        w->show();
    }
    void TearDown() override {
        delete w.data();
        setGraphProgramDirectory(QString());
    }
    std::pair<double, double> scale(int axis) {
        const auto& a = w->chart->model().yAxisAt(axis);
        return {a.manualMin, a.manualMax};
    }
    QCPRange shown(int axis) {
        return w->chart->customPlot()->axisRect(axis)->axis(QCPAxis::atLeft)->range();
    }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button) {
        QCustomPlot* plot = w->chart->customPlot();
        QMouseEvent e(type, QPointF(pos), plot->mapToGlobal(QPointF(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    QPointer<GraphWindow> w;
};

TEST(FitYScale, DataRangeWidenedByTheMarginToWholeNumbers) {
    EXPECT_EQ(yfit::scaleFor(420, 1320), std::make_pair(375, 1365)); // 5 % of 900 = 45 each side
    EXPECT_EQ(yfit::scaleFor(18.5, 49), std::make_pair(16, 51));     // 1.525 each side, outward
    EXPECT_EQ(yfit::scaleFor(21, 21), std::make_pair(20, 22));       // a flat line gets 1 each side
    EXPECT_EQ(yfit::scaleFor(-12.25, -3), std::make_pair(-14, -2));
}

TEST_F(ChartMenuTest, FitYSetsEachAxisToItsDrawnDataOnceAndLeavesTheDefaultsAlone) {
    ASSERT_EQ(w->fitYButton->text(), "Fit Y");
    ASSERT_EQ(w->yAxisButton->text(), "Y Axis");
    w->fitYButton->click();
    // ppm without the empty and the over-range point: 420..1320; %RH and temperature share 18.5..49.
    EXPECT_EQ(scale(0), std::make_pair(375.0, 1365.0));
    EXPECT_EQ(scale(1), std::make_pair(16.0, 51.0));
    EXPECT_EQ(w->chart->WorkingAxis(), 0);
    w->chart->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_EQ(shown(0), QCPRange(375, 1365));
    EXPECT_EQ(shown(1), QCPRange(16, 51));

    // Only drawn channels count: without humidity the lower axis fits the temperatures.
    w->humidityBox->setChecked(false);
    w->fitYAction->trigger();
    EXPECT_EQ(scale(1), std::make_pair(17.0, 29.0));
    // Once: new data does not move the scale.
    w->chart->setYData(0, 0, 5000.0f);
    w->chart->setPEactions(pe::sgResetImage);
    EXPECT_EQ(scale(0), std::make_pair(375.0, 1365.0));

    // A new window still gets the default scales.
    GraphWindow other(prompter, shared);
    other.configureGraph(3, kPoints, kStart, kStart + 9 * kStep, 0, 10000, -50, 100);
    other.chart->setWorkingAxis(1);
    EXPECT_EQ(other.chart->ManualMinY(), -50);
    EXPECT_EQ(other.chart->ManualMaxY(), 100);
}

TEST_F(ChartMenuTest, FitYLeavesAnAxisWithoutDataAndShowsAZoomedChartWhole) {
    for (int p = 0; p < kPoints; ++p)
        w->chart->setYData(0, p, 99999.0f);
    w->chart->setPEactions(pe::sgResetImage);
    w->chart->setAllowZooming(pe::sgHorzPlusVertZooming);
    const QRect r = w->chart->customPlot()->axisRect(1)->rect();
    mouse(QEvent::MouseButtonPress, r.center() - QPoint(60, 30), Qt::LeftButton);
    mouse(QEvent::MouseMove, r.center(), Qt::LeftButton);
    mouse(QEvent::MouseMove, r.center() + QPoint(60, 30), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, r.center() + QPoint(60, 30), Qt::LeftButton);
    ASSERT_TRUE(w->chart->isZoomed());
    w->fitYButton->click();
    EXPECT_EQ(scale(0), std::make_pair(0.0, 10000.0));
    EXPECT_EQ(scale(1), std::make_pair(16.0, 51.0));
    EXPECT_EQ(w->chart->model().zoomStack.back().y[1], std::make_pair(16.0, 51.0));
}

TEST_F(ChartMenuTest, RightClickOpensTheMenuAndRightDragStillPans) {
    QSignalSpy asked(w->chart, &ChartWidget::contextMenuRequested);
    const QPoint at = w->chart->customPlot()->axisRect(0)->rect().center();
    mouse(QEvent::MouseButtonPress, at, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::RightButton);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).toPoint(), at);
    EXPECT_TRUE(w->chartMenu->isVisible());
    QStringList texts;
    for (QAction* a : w->chartMenu->actions())
        if (!a->isSeparator())
            texts << a->text();
    EXPECT_EQ(texts, QStringList({"Fit Y to data", "One Y Axis for All Channels", "Export Report"}));
    w->chartMenu->hide();

    // A drag with the right button pans a zoomed chart and opens nothing.
    w->chart->setAllowZooming(pe::sgHorzPlusVertZooming);
    mouse(QEvent::MouseButtonPress, at - QPoint(60, 30), Qt::LeftButton);
    mouse(QEvent::MouseMove, at, Qt::LeftButton);
    mouse(QEvent::MouseMove, at + QPoint(60, 30), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at + QPoint(60, 30), Qt::LeftButton);
    ASSERT_TRUE(w->chart->isZoomed());
    const ZoomView before = w->chart->model().zoomStack.back();
    mouse(QEvent::MouseButtonPress, at, Qt::RightButton);
    mouse(QEvent::MouseMove, at + QPoint(40, 0), Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, at + QPoint(40, 0), Qt::RightButton);
    EXPECT_EQ(asked.count(), 1);
    EXPECT_NE(w->chart->model().zoomStack.back().xMin, before.xMin);
    // Back to where it started is still a drag, not a click.
    mouse(QEvent::MouseButtonPress, at, Qt::RightButton);
    mouse(QEvent::MouseMove, at + QPoint(40, 0), Qt::RightButton);
    mouse(QEvent::MouseMove, at, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::RightButton);
    EXPECT_EQ(asked.count(), 1);
}

TEST_F(ChartMenuTest, TheMenuKeyOpensTheMenuAndAMouseMenuEventDoesNotOpenItTwice) {
    QSignalSpy asked(w->chart, &ChartWidget::contextMenuRequested);
    QContextMenuEvent mouseEvent(QContextMenuEvent::Mouse, QPoint(50, 50),
                                 w->chart->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(w->chart, &mouseEvent);
    EXPECT_EQ(asked.count(), 0); // the right click itself already asked, on its release
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(-5, -5), w->chart->mapToGlobal(QPoint(-5, -5)));
    QApplication::sendEvent(w->chart, &key);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).toPoint(), w->chart->rect().center()); // the pointer was away
    EXPECT_TRUE(w->chartMenu->isVisible());
    w->chartMenu->hide();
}

TEST_F(ChartMenuTest, ExportReportEntryAsksAsTheButtonDoes) {
    QList<GraphWindow*> asked;
    QObject::connect(w.data(), &GraphWindow::exportReportRequested,
                     [&](GraphWindow* from) { asked << from; });
    w->exportReportAction->trigger();
    EXPECT_EQ(asked, QList<GraphWindow*>({w.data()}));
}

TEST_F(ChartMenuTest, OneYAxisJoinsAndSplitsAgainWhileTheSwitchStaysHidden) {
    ASSERT_TRUE(w->splitAxesBox->isChecked());
    EXPECT_FALSE(w->oneAxisAction->isChecked());
    EXPECT_FALSE(w->crossButton->isEnabled());
    w->oneAxisAction->trigger();
    EXPECT_TRUE(w->oneAxisAction->isChecked());
    EXPECT_FALSE(w->splitAxesBox->isChecked());
    EXPECT_TRUE(w->splitAxesBox->isHidden());
    EXPECT_EQ(w->chart->axisCount(), 1);
    EXPECT_EQ(w->chart->MultiAxesProportions(0), 1.0);
    EXPECT_TRUE(w->crossButton->isEnabled());
    EXPECT_TRUE(w->textButton->isEnabled());
    // The joined state is what the graph file keeps: the stored chart has one axis.
    ChartWidget reopened(prompter);
    ASSERT_TRUE(reopened.loadState(w->chart->storeState()));
    EXPECT_EQ(reopened.MultiAxesSubsets(1), 0);

    // Fit Y fits the one axis to all three channels.
    w->fitYAction->trigger();
    EXPECT_EQ(scale(0), std::make_pair(-47.0, 1386.0)); // 18.5..1320, 65.075 each side

    w->crossButton->click();
    ASSERT_EQ(shared.tool, GraphTool::Cross);
    w->oneAxisAction->trigger();
    EXPECT_FALSE(w->oneAxisAction->isChecked());
    EXPECT_TRUE(w->splitAxesBox->isChecked());
    EXPECT_EQ(w->chart->axisCount(), 2);
    EXPECT_EQ(w->chart->MultiAxesSubsets(0), 1);
    EXPECT_EQ(w->chart->MultiAxesSubsets(1), 2);
    EXPECT_EQ(w->chart->MultiAxesProportions(0), 0.5);
    EXPECT_EQ(w->chart->MultiAxesProportions(1), 0.5);
    EXPECT_EQ(scale(1), std::make_pair(-50.0, 100.0)); // the lower axis' scale came back with it
    EXPECT_FALSE(w->crossButton->isEnabled());
    EXPECT_TRUE(w->normalCursorButton->isChecked());
    EXPECT_EQ(shared.tool, GraphTool::Normal);

    // The switch set by someone else (opening a graph file) moves the check mark too.
    w->splitAxesBox->setChecked(false);
    EXPECT_TRUE(w->oneAxisAction->isChecked());
}

} // namespace test_graph_chart_menu
