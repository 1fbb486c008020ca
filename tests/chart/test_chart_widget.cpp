// The chart control: drawing from the model, mouse interaction, dialogs, printing and state.
#include "chart/chart_customize_dialog.h"
#include "chart/chart_print_dialog.h"
#include "chart/chart_widget.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_chart_widget {

constexpr double kStart = 45000.5; // a date-time in days
constexpr double kStep = 60.0 / 86400.0;
constexpr int kPoints = 10;

// A chart set up the way the graph windows prepare theirs: three subsets, ppm on a top axis,
// humidity and temperature on a bottom one, fixed scales, date-time X.
void configure(ChartWidget& g) {
    g.setNullDataValueY(99999);
    g.setSubsets(3);
    g.setPoints(kPoints);
    g.setDateTimeMode(pe::sgVBDateTime);
    g.setManualScaleControlX(pe::sgManualMinAndMax);
    g.setManualMinX(kStart);
    g.setManualMaxX(kStart + (kPoints - 1) * kStep);
    g.setSubsetLabels(0, "ppm");
    g.setSubsetLabels(1, "%RH");
    g.setSubsetLabels(2, "Temp.");
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    g.setMultiAxesProportions(0, 0.5);
    g.setMultiAxesProportions(1, 0.5);
    g.setWorkingAxis(0);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(0);
    g.setManualMaxY(10000);
    g.setWorkingAxis(1);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(-50);
    g.setManualMaxY(100);
    g.setWorkingAxis(0);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int p = 0; p < kPoints; ++p) {
        for (int s = 0; s < 3; ++s) {
            xs.push_back(kStart + p * kStep);
            ys.push_back(s == 0 ? 500.0f + 100.0f * p : 20.0f + p);
        }
    }
    g.setXDataArray(xs);
    g.setYDataArray(ys);
    g.setPEactions(pe::sgReinitAndReset);
}

class ChartWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chart.resize(800, 600);
        configure(chart);
        chart.show();
        settle();
    }
    void settle() {
        chart.setPEactions(pe::sgResetImage);
        chart.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    void send(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(pos), chart.customPlot()->mapToGlobal(QPointF(pos)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(chart.customPlot(), &event);
    }
    void click(QPoint pos) {
        send(QEvent::MouseButtonPress, pos, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, pos);
    }
    void drag(QPoint from, QPoint to) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to);
    }
    void press(QEvent::Type type, QPoint pos, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(pos), chart.customPlot()->mapToGlobal(QPointF(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                          Qt::NoModifier);
        QApplication::sendEvent(chart.customPlot(), &event);
    }
    void pan(QPoint from, QPoint to, Qt::MouseButton button = Qt::RightButton) {
        press(QEvent::MouseButtonPress, from, button);
        press(QEvent::MouseMove, to, button);
        press(QEvent::MouseButtonRelease, to, button);
    }
    void wheel(QPoint pos, int steps, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(QPointF(pos), chart.customPlot()->mapToGlobal(QPointF(pos)), QPoint(),
                          QPoint(0, 120 * steps), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart.customPlot(), &event);
    }
    // The X range on show, in date-time days, and axis a's Y range.
    std::pair<double, double> shownX() {
        const QCPRange r = rect(0)->axis(QCPAxis::atBottom)->range();
        return {axisSecondsToDays(r.lower), axisSecondsToDays(r.upper)};
    }
    QCPRange shownY(int a) { return rect(a)->axis(QCPAxis::atLeft)->range(); }
    QCPAxisRect* rect(int i) { return chart.customPlot()->axisRect(i); }
    QPoint pixelOf(double x, double y) { return chart.dataToPixel(x, y).toPoint(); }

    ScriptedPrompter prompter;
    ChartWidget chart{prompter};
};

TEST_F(ChartWidgetTest, DrawsNullsAsGapsWithDateTimeKeys) {
    chart.setYData(0, 2, 99999.0f);
    chart.setYDataII(1, 3, 42.25);
    settle();
    const auto ppm = chart.customPlot()->graph(0)->data();
    ASSERT_EQ(ppm->size(), kPoints);
    EXPECT_TRUE(std::isnan(ppm->at(2)->value));
    EXPECT_DOUBLE_EQ(ppm->at(1)->value, 600.0);
    EXPECT_DOUBLE_EQ(ppm->at(0)->key, (kStart - 25569.0) * 86400.0);
    EXPECT_DOUBLE_EQ(chart.customPlot()->graph(1)->data()->at(3)->value, 42.25);
    EXPECT_FLOAT_EQ(chart.YData(0, 1), 600.0f);
    EXPECT_DOUBLE_EQ(chart.XDataII(2, 9), kStart + 9 * kStep);
    auto* bottom = rect(1)->axis(QCPAxis::atBottom);
    EXPECT_TRUE(bottom->ticker().dynamicCast<QCPAxisTickerDateTime>());
    EXPECT_DOUBLE_EQ(bottom->range().lower, (kStart - 25569.0) * 86400.0);
}

TEST_F(ChartWidgetTest, TwoStackedAxesWithFixedScales) {
    ASSERT_EQ(chart.customPlot()->axisRectCount(), 2);
    EXPECT_EQ(rect(0)->axis(QCPAxis::atLeft)->range(), QCPRange(0, 10000));
    EXPECT_EQ(rect(1)->axis(QCPAxis::atLeft)->range(), QCPRange(-50, 100));
    EXPECT_EQ(chart.customPlot()->graph(0)->valueAxis(), rect(0)->axis(QCPAxis::atLeft));
    EXPECT_EQ(chart.customPlot()->graph(2)->valueAxis(), rect(1)->axis(QCPAxis::atLeft));
    EXPECT_LT(rect(0)->rect().bottom(), rect(1)->rect().top()); // stacked, axis 0 on top
    EXPECT_NEAR(rect(0)->rect().height(), rect(1)->rect().height(), 30);
    EXPECT_EQ(rect(0)->axis(QCPAxis::atBottom)->range(), rect(1)->axis(QCPAxis::atBottom)->range());
    EXPECT_EQ(chart.plottingRect(), rect(0)->rect().united(rect(1)->rect()));

    // One axis for all three subsets.
    chart.setMultiAxesSubsets(-1, 0);
    chart.setMultiAxesProportions(0, 1.0);
    chart.setPEactions(pe::sgReinitAndReset);
    EXPECT_EQ(chart.customPlot()->axisRectCount(), 1);
    EXPECT_DOUBLE_EQ(chart.MultiAxesProportions(0), 1.0);
    EXPECT_EQ(chart.customPlot()->graph(2)->valueAxis(), rect(0)->axis(QCPAxis::atLeft));
}

TEST_F(ChartWidgetTest, SubsetsToDrawFollowTheList) {
    chart.setRandomSubsetsToGraph(-1, 0);
    chart.setRandomSubsetsToGraph(0, 0);
    chart.setRandomSubsetsToGraph(1, 2);
    chart.setPEactions(pe::sgReinitAndReset);
    EXPECT_TRUE(chart.customPlot()->graph(0)->visible());
    EXPECT_FALSE(chart.customPlot()->graph(1)->visible());
    EXPECT_TRUE(chart.customPlot()->graph(2)->visible());
    chart.setRandomSubsetsToGraph(-1, 0);
    chart.setPEactions(pe::sgReinitAndReset);
    for (int s = 0; s < 3; ++s)
        EXPECT_FALSE(chart.customPlot()->graph(s)->visible());
}

TEST_F(ChartWidgetTest, PixelsAndDataConvertBothWaysOnAxisZero) {
    const QRect plot = chart.plottingRect();
    ASSERT_FALSE(plot.isEmpty());
    const QPointF topLeft = chart.pixelToData(rect(0)->rect().topLeft());
    EXPECT_NEAR(topLeft.x(), kStart, 1e-9);
    EXPECT_NEAR(topLeft.y(), 10000.0, 60.0); // within a pixel
    const double x = kStart + 4.5 * kStep;
    const QPointF pixel = chart.dataToPixel(x, 2500.0);
    const QPointF back = chart.pixelToData(pixel.toPoint());
    EXPECT_NEAR(back.x(), x, kStep / 10);
    EXPECT_NEAR(back.y(), 2500.0, 100.0);
    // Below axis 0 the conversion still uses axis 0's scale.
    EXPECT_LT(chart.pixelToData(rect(1)->rect().center()).y(), 0.0);
}

TEST_F(ChartWidgetTest, MousePositionClicksAndDataHotSpots) {
    QSignalSpy moves(&chart, &ChartWidget::mouseMoved);
    QSignalSpy clicks(&chart, &ChartWidget::clicked);
    QSignalSpy data(&chart, &ChartWidget::dataHotSpotClicked);
    QSignalSpy graphSpots(&chart, &ChartWidget::graphHotSpotClicked);
    send(QEvent::MouseMove, QPoint(300, 200));
    EXPECT_EQ(moves.count(), 1);
    EXPECT_EQ(chart.lastMousePosition(), QPoint(300, 200));

    const QPoint onPoint = pixelOf(kStart + 3 * kStep, 800.0);
    click(onPoint);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(data.count(), 0); // hot spots are off until allowed
    EXPECT_EQ(graphSpots.count(), 0);
    chart.setAllowDataHotSpots(true);
    chart.setAllowGraphHotSpots(true);
    click(onPoint + QPoint(2, 1));
    ASSERT_EQ(data.count(), 1);
    EXPECT_EQ(data.at(0).at(0).toInt(), 0);
    EXPECT_EQ(data.at(0).at(1).toInt(), 3);
    EXPECT_EQ(graphSpots.count(), 1);
}

TEST_F(ChartWidgetTest, AnnotationsSitInDataUnitsAndReportHotSpots) {
    chart.setAllowGraphAnnotHotSpots(true);
    chart.setGraphAnnotationType(4, pe::sgCrossMark);
    chart.setGraphAnnotationX(4, kStart + 2 * kStep);
    chart.setGraphAnnotationY(4, 5000.0);
    chart.setGraphAnnotationColor(4, peRgb(255, 0, 0));
    chart.setGraphAnnotationType(5, pe::sgNoSymbol);
    chart.setGraphAnnotationX(5, kStart + 6 * kStep);
    chart.setGraphAnnotationY(5, 7000.0);
    chart.setGraphAnnotationText(5, "note");
    EXPECT_EQ(chart.GraphAnnotationCount(), 6);
    settle();

    QSignalSpy spots(&chart, &ChartWidget::markHotSpotClicked);
    const QPoint cross = pixelOf(kStart + 2 * kStep, 5000.0);
    click(cross);
    send(QEvent::MouseButtonDblClick, cross, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, cross);
    ASSERT_EQ(spots.count(), 2);
    EXPECT_EQ(spots.at(0), (QList<QVariant>{false, 4}));
    EXPECT_EQ(spots.at(1), (QList<QVariant>{true, 4}));

    click(pixelOf(kStart + 6 * kStep, 7000.0) + QPoint(3, 0));
    EXPECT_EQ(spots.last(), (QList<QVariant>{false, 5}));

    // An emptied text mark draws nothing and is no longer hit.
    chart.setGraphAnnotationType(4, pe::sgNoSymbol);
    chart.setGraphAnnotationText(4, QString());
    spots.clear();
    click(cross);
    EXPECT_EQ(spots.count(), 0);
}

TEST_F(ChartWidgetTest, DragZoomsAndUndoRestoresTheScales) {
    QSignalSpy zooms(&chart, &ChartWidget::zoomedIn);
    QSignalSpy clicks(&chart, &ChartWidget::clicked);
    drag(pixelOf(kStart + 2 * kStep, 8000), pixelOf(kStart + 5 * kStep, 2000));
    EXPECT_EQ(zooms.count(), 0); // zooming not allowed yet: no band, no click either
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(chart.isZoomed());

    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    drag(pixelOf(kStart + 2 * kStep, 8000), pixelOf(kStart + 5 * kStep, 2000));
    ASSERT_EQ(zooms.count(), 1);
    EXPECT_TRUE(chart.isZoomed());
    const QCPRange x = rect(0)->axis(QCPAxis::atBottom)->range();
    EXPECT_NEAR(x.lower, daysToAxisSeconds(kStart + 2 * kStep), 2.0);
    EXPECT_NEAR(x.upper, daysToAxisSeconds(kStart + 5 * kStep), 2.0);
    EXPECT_NEAR(rect(0)->axis(QCPAxis::atLeft)->range().upper, 8000, 100);
    EXPECT_EQ(rect(1)->axis(QCPAxis::atLeft)->range(), QCPRange(-50, 100));
    EXPECT_EQ(rect(1)->axis(QCPAxis::atBottom)->range(), x);

    settle(); // a redraw keeps the zoomed view
    EXPECT_EQ(rect(0)->axis(QCPAxis::atBottom)->range(), x);
    chart.setPEactions(pe::sgUndoZoom);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_EQ(rect(0)->axis(QCPAxis::atLeft)->range(), QCPRange(0, 10000));
    EXPECT_DOUBLE_EQ(rect(0)->axis(QCPAxis::atBottom)->range().lower, daysToAxisSeconds(kStart));
}

// A layer with a buffer of its own costs every replot a full-size clear and blend, which a
// recording pays per sample: only the zoom band's drag buys one, for as long as it lasts.
TEST_F(ChartWidgetTest, OnlyADragGivesTheBandItsOwnBuffer) {
    QCustomPlot* plot = chart.customPlot();
    const auto mode = [plot](const char* layer) { return plot->layer(QString::fromLatin1(layer))->mode(); };
    EXPECT_EQ(mode("overlay"), QCPLayer::lmLogical);
    EXPECT_EQ(mode("annotations"), QCPLayer::lmLogical);

    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    const QPoint from = pixelOf(kStart + 2 * kStep, 8000);
    const QPoint to = pixelOf(kStart + 5 * kStep, 2000);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    EXPECT_EQ(mode("overlay"), QCPLayer::lmBuffered);
    EXPECT_EQ(mode("annotations"), QCPLayer::lmLogical);
    send(QEvent::MouseButtonRelease, to);
    EXPECT_TRUE(chart.isZoomed());
    EXPECT_EQ(mode("overlay"), QCPLayer::lmLogical);
}

TEST_F(ChartWidgetTest, ZoomedViewScrollsAndPansInsideTheWholeViewAndUndoReturnsToIt) {
    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    const double end = kStart + (kPoints - 1) * kStep;
    // Nothing to scroll or pan before a zoom: the right button leaves the whole view as it is.
    EXPECT_FALSE(chart.horizontalScrollBar()->isVisible());
    pan(pixelOf(kStart + 4 * kStep, 5000), pixelOf(kStart + 2 * kStep, 3000));
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_NEAR(shownX().first, kStart, 1e-9);
    EXPECT_EQ(shownY(0), QCPRange(0, 10000));

    drag(pixelOf(kStart + 2 * kStep, 6000), pixelOf(kStart + 4 * kStep, 2000));
    ASSERT_TRUE(chart.isZoomed());
    settle();
    const auto [x0, x1] = shownX();
    const QCPRange y0 = shownY(0);
    ASSERT_NEAR(x0, kStart + 2 * kStep, kStep / 10);
    ASSERT_NEAR(y0.upper, 6000, 100);
    EXPECT_TRUE(chart.horizontalScrollBar()->isVisible());
    EXPECT_TRUE(chart.verticalScrollBar(0)->isVisible());
    EXPECT_FALSE(chart.verticalScrollBar(1)->isVisible()); // that axis is not zoomed
    EXPECT_TRUE(chart.customPlot()->geometry().right() < chart.verticalScrollBar(0)->geometry().left());

    // Dragging with the right button moves the view with the pointer, keeping its size.
    const int width = rect(0)->rect().width();
    const int height = rect(0)->rect().height();
    pan(rect(0)->rect().center(), rect(0)->rect().center() + QPoint(-width / 10, height / 5));
    EXPECT_NEAR(shownX().first, x0 + (x1 - x0) / 10, (x1 - x0) / 100);
    EXPECT_NEAR(shownX().second - shownX().first, x1 - x0, 1e-9);
    EXPECT_NEAR(shownY(0).lower, y0.lower + y0.size() / 5, y0.size() / 50);
    EXPECT_NEAR(shownY(0).size(), y0.size(), 1e-6);
    EXPECT_EQ(shownY(1), QCPRange(-50, 100));

    // The bars move the view to the ends of the whole view, and no further.
    QScrollBar* h = chart.horizontalScrollBar();
    h->setValue(h->maximum());
    EXPECT_NEAR(shownX().second, end, kStep / 100);
    EXPECT_NEAR(shownX().second - shownX().first, x1 - x0, 1e-9);
    chart.verticalScrollBar(0)->setValue(0);
    EXPECT_NEAR(shownY(0).upper, 10000, 1);
    pan(rect(0)->rect().center(), rect(0)->rect().center() + QPoint(-width, height), Qt::MiddleButton);
    EXPECT_NEAR(shownX().second, end, kStep / 100);
    EXPECT_NEAR(shownY(0).upper, 10000, 1);
    EXPECT_EQ(h->value(), h->maximum());

    chart.setPEactions(pe::sgUndoZoom);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_NEAR(shownX().first, kStart, 1e-9);
    EXPECT_NEAR(shownX().second, end, 1e-9);
    EXPECT_EQ(shownY(0), QCPRange(0, 10000));
    EXPECT_FALSE(h->isVisible());
    EXPECT_FALSE(chart.verticalScrollBar(0)->isVisible());
}

TEST_F(ChartWidgetTest, ZoomedChartShrunkBelowItsScrollBarsKeepsAnEmptyPlotAndComesBack) {
    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    drag(pixelOf(kStart + 2 * kStep, 6000), pixelOf(kStart + 4 * kStep, 2000));
    ASSERT_TRUE(chart.isZoomed());
    settle();
    const int extent = chart.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &chart);
    // A window dragged smaller than the two scroll bars: the plot shrinks to nothing, never below.
    chart.resize(extent / 2, extent / 3);
    settle();
    EXPECT_EQ(chart.customPlot()->geometry(), QRect(0, 0, 0, 0));
    chart.resize(800, 600);
    settle();
    EXPECT_EQ(chart.customPlot()->geometry(), QRect(0, 0, 800 - extent, 600 - extent));
    EXPECT_TRUE(chart.horizontalScrollBar()->isVisible());
    EXPECT_GT(rect(0)->rect().height(), 0);
}

TEST_F(ChartWidgetTest, WheelZoomsAroundThePointerAndBackOutToTheWholeView) {
    QSignalSpy zoomIns(&chart, &ChartWidget::zoomedIn);
    QSignalSpy zoomOuts(&chart, &ChartWidget::zoomedOut);
    const QPoint at = pixelOf(kStart + 3 * kStep, 4000);
    wheel(at, 1);
    EXPECT_FALSE(chart.isZoomed()); // zooming not allowed
    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    const QPointF before = chart.pixelToData(at);
    wheel(at, 1);
    ASSERT_TRUE(chart.isZoomed());
    EXPECT_EQ(zoomIns.count(), 1);
    const double whole = (kPoints - 1) * kStep;
    // The plain wheel zooms time only: both Y scales stay whole.
    EXPECT_NEAR(shownX().second - shownX().first, 0.8 * whole, whole / 1000);
    EXPECT_EQ(shownY(0), QCPRange(0, 10000));
    EXPECT_EQ(shownY(1), QCPRange(-50, 100));
    // The value under the pointer keeps its place in the range (the bar then takes a strip).
    const double whereX = (before.x() - kStart) / whole;
    EXPECT_NEAR((before.x() - shownX().first) / (shownX().second - shownX().first), whereX, 1e-6);
    wheel(at, 1);
    EXPECT_EQ(zoomIns.count(), 1); // deeper into the same zoom
    EXPECT_NEAR(shownX().second - shownX().first, 0.64 * whole, whole / 1000);
    EXPECT_EQ(shownY(0), QCPRange(0, 10000));

    // Ctrl+wheel zooms the Y axis under the pointer only, around the pointer; time stays.
    const std::pair<double, double> xBefore = shownX();
    const QPoint overTop = pixelOf(kStart + 3 * kStep, 4000);
    const double yUnder = chart.pixelToData(overTop).y();
    wheel(overTop, 1, Qt::ControlModifier);
    EXPECT_NEAR(shownX().first, xBefore.first, 1e-12);
    EXPECT_NEAR(shownX().second, xBefore.second, 1e-12);
    EXPECT_NEAR(shownY(0).size(), 8000, 1);
    EXPECT_NEAR((yUnder - shownY(0).lower) / shownY(0).size(), yUnder / 10000, 1e-6);
    EXPECT_EQ(shownY(1), QCPRange(-50, 100));
    const QPoint overBottom = rect(1)->rect().center();
    wheel(overBottom, 1, Qt::ControlModifier);
    EXPECT_NEAR(shownY(1).size(), 0.8 * 150, 1e-6);
    EXPECT_NEAR(shownY(0).size(), 8000, 1);
    EXPECT_EQ(zoomIns.count(), 1);

    wheel(at, -1);
    EXPECT_TRUE(chart.isZoomed());
    wheel(at, -5);
    EXPECT_TRUE(chart.isZoomed()); // time is whole again, the Y axes are still zoomed
    wheel(overTop, -5, Qt::ControlModifier);
    wheel(overBottom, -5, Qt::ControlModifier);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_EQ(zoomOuts.count(), 1);
    EXPECT_NEAR(shownX().first, kStart, 1e-9);
    EXPECT_EQ(shownY(0), QCPRange(0, 10000));
}

// Relative luminance and contrast as the usual legibility rule has them, worked out here on their own.
double luminance(const QColor& c) {
    const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}
QColor over(const QColor& top, const QColor& under) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + under.redF() * (1 - a)),
                            float(top.greenF() * a + under.greenF() * (1 - a)),
                            float(top.blueF() * a + under.blueF() * (1 - a)));
}

TEST_F(ChartWidgetTest, MaxMinTableReadsOnTheChartAndIsNoSmallerThanTheAxisLabels) {
    // As "Show MAX/MIN on Graph" sets it: black captions, red values, white at opacity 129 over a
    // black chart, text size 80.
    chart.setGraphBackColor(peRgb(0, 0, 0));
    chart.setTARows(3);
    chart.setTAColumns(2);
    for (int r = 0; r < 3; ++r) {
        chart.setTAText(r, 0, "ppm MAX:");
        chart.setTAText(r, 1, "1320@7/27/26 10:18:00 AM");
        chart.setTAColor(r, 1, peRgb(255, 0, 0) | 0xFF000000u);
    }
    chart.setTABackColor(peRgb(255, 255, 255) | (129u << 24));
    chart.setTATextSize(80);
    chart.setShowTableAnnotation(true);
    settle();
    const QColor backdrop = over(QColor(255, 255, 255, 129), Qt::black);
    EXPECT_EQ(chart.tableBackdrop().rgb(), backdrop.rgb());
    for (int r = 0; r < 3; ++r) {
        // The black captions read on the grey as they are: no backing, their colour kept.
        EXPECT_FALSE(chart.tableCellBacking(r, 0).isValid());
        EXPECT_GE(contrast(Qt::black, backdrop), 4.5);
        // Red on that grey does not; a part-opaque black backing makes it read.
        ASSERT_LT(contrast(Qt::red, backdrop), 4.5);
        const QColor backing = chart.tableCellBacking(r, 1);
        ASSERT_TRUE(backing.isValid());
        EXPECT_EQ(backing.rgb(), QColor(Qt::black).rgb());
        EXPECT_LT(backing.alpha(), 255);
        EXPECT_GE(contrast(Qt::red, over(backing, backdrop)), 4.5);
    }
    const QFont tick = chart.customPlot()->axisRect(0)->axis(QCPAxis::atLeft)->tickLabelFont();
    EXPECT_GE(chart.tableFont().pointSizeF(), tick.pointSizeF());
    // Its stored size stays as it was set.
    EXPECT_EQ(chart.TATextSize(), 80);

    // A backing that cannot help (red on white over white) is not drawn at all.
    chart.setGraphBackColor(peRgb(255, 255, 255));
    EXPECT_FALSE(chart.tableCellBacking(0, 1).isValid());
}

TEST_F(ChartWidgetTest, LongTableStaysInsideTheTopAxis) {
    chart.resize(800, 330);
    chart.setTARows(15);
    chart.setTAColumns(2);
    for (int r = 0; r < 12; ++r) {
        chart.setTAText(r, 0, QString("T1 MIN %1:").arg(r));
        chart.setTAText(r, 1, QString("1702@7/27/26 10:18:%1 AM").arg(r, 2, 10, QChar('0')));
    }
    chart.setTATextSize(80);
    chart.setShowTableAnnotation(true);
    settle();
    const QRect table = chart.tableRect();
    const QRect top = rect(0)->rect();
    ASSERT_FALSE(table.isEmpty());
    EXPECT_TRUE(top.contains(table)) << table.bottom() << " below " << top.bottom();
    // At this size the rows are drawn in two groups side by side: wider than tall.
    EXPECT_GT(table.width(),
              2 * QFontMetrics(chart.font()).horizontalAdvance("1702@7/27/26 10:18:00 AM") / 2);

    // In a tall chart the same table is drawn in one group of rows: taller and narrower.
    chart.resize(800, 1400);
    settle();
    EXPECT_TRUE(rect(0)->rect().contains(chart.tableRect()));
    EXPECT_GT(chart.tableRect().height(), table.height());
    EXPECT_LT(chart.tableRect().width(), table.width());
}

TEST_F(ChartWidgetTest, AxesArePartedByALineAndMarksNeverVanishIntoTheBackground) {
    chart.setGraphBackColor(peRgb(0, 0, 0));
    chart.setGraphForeColor(peRgb(0, 128, 0));
    chart.setGridLineControl(pe::sgGridNone);
    chart.setGraphAnnotationType(4, pe::sgCrossMark);
    chart.setGraphAnnotationX(4, kStart + 2 * kStep);
    chart.setGraphAnnotationY(4, 5000.0);
    chart.setGraphAnnotationColor(4, peRgb(0, 0, 0)); // the default mark colour: black
    chart.setGraphAnnotationType(5, pe::sgCrossMark);
    chart.setGraphAnnotationX(5, kStart + 6 * kStep);
    chart.setGraphAnnotationY(5, 5000.0);
    chart.setGraphAnnotationColor(5, peRgb(255, 0, 0));
    settle();
    const QImage image = chart.customPlot()->toPixmap().toImage();
    const QColor green(0, 128, 0);
    // The separator: a thin line in the axes' colour across the middle of the room between the
    // two axis areas, which otherwise shows the desk.
    const int gapTop = rect(0)->rect().bottom() + 1;
    const int gapBottom = rect(1)->rect().top() - 1;
    ASSERT_LT(gapTop + 4, gapBottom);
    const int x = rect(0)->rect().center().x();
    int lineRows = 0;
    for (int y = gapTop + 2; y <= gapBottom - 2; ++y) // the axes' own lines lie at the edges
        lineRows += image.pixelColor(x, y) == green;
    EXPECT_EQ(lineRows, 1);
    EXPECT_EQ(image.pixelColor(x, (gapTop + gapBottom) / 2), green);
    EXPECT_EQ(image.pixelColor(x, gapTop + 1), QColor(192, 192, 192));
    // The black mark is drawn in the axes' colour; the red one in red. Their stored colours stay.
    const QPoint black = pixelOf(kStart + 2 * kStep, 5000.0);
    const QPoint red = pixelOf(kStart + 6 * kStep, 5000.0);
    EXPECT_EQ(image.pixelColor(black + QPoint(3, 3)), green);
    EXPECT_EQ(image.pixelColor(red + QPoint(3, 3)), QColor(255, 0, 0));
    EXPECT_EQ(chart.GraphAnnotationColor(4), peRgb(0, 0, 0));
}

TEST_F(ChartWidgetTest, MoveableTableFollowsTheMouse) {
    chart.setTARows(2);
    chart.setTAColumns(2);
    chart.setTAText(0, 0, "Start Time:");
    chart.setTAColor(0, 1, peRgb(255, 0, 0));
    chart.setTAMoveable(pe::sgTAMoveableNoHotSpots);
    chart.setShowTableAnnotation(true);
    chart.setAllowZooming(pe::sgHorzPlusVertZooming);
    EXPECT_EQ(chart.TAText(0, 0), "Start Time:");
    EXPECT_EQ(chart.TAColor(0, 1), peRgb(255, 0, 0));
    const QPoint inside = chart.plottingRect().topLeft() + QPoint(15, 15);
    drag(inside, inside + QPoint(40, 30));
    EXPECT_EQ(chart.model().table.dragX, 40);
    EXPECT_EQ(chart.model().table.dragY, 30);
    EXPECT_FALSE(chart.isZoomed());
}

TEST_F(ChartWidgetTest, PointerValues) {
    chart.setArrowCursor(2);
    EXPECT_EQ(chart.customPlot()->cursor().shape(), Qt::IBeamCursor);
    chart.setCustomCursor(QCursor(Qt::CrossCursor));
    EXPECT_EQ(chart.ArrowCursor(), pe::sgCustomCursor);
    EXPECT_EQ(chart.customPlot()->cursor().shape(), Qt::CrossCursor);
    chart.setArrowCursor(1);
    EXPECT_EQ(chart.customPlot()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ChartWidgetTest, CustomizeDialogWritesBackOnlyWhatTheUserChanged) {
    // Values the controls cannot show exactly: no font family (the application's font), a font
    // and an annotation size beyond the spin boxes' ranges, a scale end with more decimals than
    // shown, and an axis page the chart hides by default in the graph windows.
    chart.setFontFamily(QString());
    chart.setFontSize(120);
    chart.setGraphAnnotationTextSize(700);
    chart.setWorkingAxis(1);
    chart.setManualMinY(-49.98765);
    chart.setWorkingAxis(0);
    chart.setSubTitle(" ");
    const ChartModel before = chart.model();

    QSignalSpy closed(&chart, &ChartWidget::customizeDialogRequested);
    QStringList pages;
    prompter.dialogHandler = [&](QDialog& d) {
        pages = dynamic_cast<ChartCustomizeDialog&>(d).pageTitles();
        return int(QDialog::Accepted);
    };
    chart.setPEactions(pe::sgCustomize); // OK without touching anything
    EXPECT_EQ(chart.DialogResult(), 1);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(pages, (QStringList{"Titles", "Colors", "Subsets", "Fonts", "Axes", "Grid"}));
    EXPECT_TRUE(chart.model() == before);
    EXPECT_TRUE(chart.FontFamily().isEmpty()) << chart.FontFamily().toStdString();

    // Edits reach the chart, and nothing else changes.
    prompter.dialogHandler = [&](QDialog& d) {
        auto& dialog = dynamic_cast<ChartCustomizeDialog&>(d);
        dialog.findChild<QLineEdit*>("mainTitle")->setText("Logged data");
        dialog.findChild<QLineEdit*>("subsetLabel1")->setText("RH");
        dialog.findChild<QSpinBox*>("fontSize")->setValue(11);
        dialog.findChild<QDoubleSpinBox*>("scaleMax0")->setValue(5000);
        return int(QDialog::Accepted);
    };
    chart.setPEactions(pe::sgCustomize);
    ChartModel expected = before;
    expected.look.mainTitle = "Logged data";
    expected.setSubsetLabel(1, "RH");
    expected.look.fontSize = 11;
    expected.yAxis(0).manualMax = 5000;
    EXPECT_TRUE(chart.model() == expected);
    EXPECT_EQ(chart.customPlot()->graph(1)->name(), "RH");
    EXPECT_EQ(rect(0)->axis(QCPAxis::atLeft)->range(), QCPRange(0, 5000));

    // Cancel changes nothing, and hidden pages are not offered.
    chart.setAllowFontPage(false);
    chart.setAllowTitlesPage(false);
    chart.setAllowColorsPage(false);
    chart.setAllowSubsetsPage(false);
    chart.setAllowAxisPage(false);
    expected = chart.model();
    prompter.dialogHandler = [&](QDialog& d) {
        auto& dialog = dynamic_cast<ChartCustomizeDialog&>(d);
        pages = dialog.pageTitles();
        dialog.findChild<QComboBox*>("gridStyle")->setCurrentIndex(pe::sgDash);
        return int(QDialog::Rejected);
    };
    chart.setPEactions(pe::sgCustomize);
    EXPECT_EQ(chart.DialogResult(), 0);
    EXPECT_EQ(closed.count(), 3);
    EXPECT_EQ(pages, QStringList{"Grid"});
    EXPECT_TRUE(chart.model() == expected);
}

// The text of a PDF, page by page in reading order (poppler's pdftotext).
QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("(pdftotext failed: %1)").arg(p.errorString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What a printed chart must show: its titles, the X axis label, every subset label in the legends
// and the time of the first point on the X axis.
void expectPrintedChart(const QString& pdf) {
    const QString text = pdfText(pdf);
    for (const char* shown : {"Printed chart", "Printed subtitle", "Time", "ppm", "%RH", "Temp.", "12:00:00"})
        EXPECT_TRUE(text.contains(QLatin1String(shown))) << shown << " missing from:\n" << text.toStdString();
}

TEST_F(ChartWidgetTest, PrintsToPdf) {
    chart.setMainTitle("Printed chart");
    chart.setSubTitle("Printed subtitle");
    chart.setXAxisLabel("Time");
    chart.setPEactions(pe::sgReinitAndReset);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString direct = dir.filePath("direct.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(direct);
    ASSERT_TRUE(chart.print(printer));
    expectPrintedChart(direct);

    // Through the chart's print dialog: cancelled prints nothing; "Print to PDF file" writes the
    // file chosen, landscape, as the preview showed it.
    const QString viaDialog = dir.filePath("dialog.pdf");
    chart.setPEactions(pe::sgPrintDialog);
    EXPECT_FALSE(QFile::exists(viaDialog));
    int previewPages = 0;
    prompter.files = {viaDialog};
    prompter.dialogHandler = [&](QDialog& d) {
        auto& dialog = dynamic_cast<ChartPrintDialog&>(d);
        EXPECT_TRUE(dialog.landscapeButton->isChecked());
        EXPECT_TRUE(dialog.valueTableBox->isHidden()); // the chart alone has no table of values
        dialog.preview->updatePreview();
        previewPages = dialog.preview->pageCount();
        dialog.pdfButton->click();
        return dialog.result();
    };
    chart.setPEactions(pe::sgPrintDialog);
    EXPECT_EQ(previewPages, 1);
    expectPrintedChart(viaDialog);
    QProcess info;
    info.start("pdfinfo", {viaDialog});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QRegularExpressionMatch size = QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+))")
                                             .match(QString::fromUtf8(info.readAllStandardOutput()));
    ASSERT_TRUE(size.hasMatch());
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());
}

TEST_F(ChartWidgetTest, StateRoundTripAndRefusedBlocks) {
    chart.setGraphAnnotationType(4, pe::sgCrossMark);
    chart.setGraphAnnotationX(4, kStart);
    chart.setMainTitle("Stored");
    chart.setPEactions(pe::sgReinitAndReset);
    const QByteArray block = chart.storeState();

    ScriptedPrompter otherPrompter;
    ChartWidget other(otherPrompter);
    ASSERT_TRUE(other.loadState(block)) << other.lastError().toStdString();
    EXPECT_EQ(other.model(), chart.model());
    EXPECT_EQ(other.storeState(), block);
    EXPECT_EQ(other.customPlot()->axisRectCount(), 2);
    EXPECT_EQ(other.customPlot()->graph(0)->data()->size(), kPoints);

    QByteArray truncated = block.left(block.size() - 9);
    EXPECT_FALSE(other.loadState(truncated));
    EXPECT_TRUE(other.lastError().contains("length"));
    QByteArray corrupt = block;
    corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 1);
    EXPECT_FALSE(other.loadState(corrupt));
    EXPECT_FALSE(other.loadState(QByteArray()));
    EXPECT_FALSE(other.lastError().isEmpty());
    EXPECT_EQ(other.storeState(), block); // untouched by the refused blocks
    EXPECT_EQ(other.customPlot()->axisRectCount(), 2);
}

TEST_F(ChartWidgetTest, PointCountChangesAndLineGapsReachTheDrawing) {
    chart.setPoints(4); // as when a recording stops early: the written points stay
    settle();
    const auto ppm = chart.customPlot()->graph(0)->data();
    ASSERT_EQ(ppm->size(), 4);
    EXPECT_DOUBLE_EQ(ppm->at(3)->value, 800.0);

    // Points further apart than the threshold are not joined: a gap point goes between them.
    chart.setXDataII(0, 3, kStart + 30 * kStep);
    chart.setLineGapThreshold(5 * kStep);
    settle();
    ASSERT_EQ(chart.customPlot()->graph(0)->data()->size(), 5);
    EXPECT_TRUE(std::isnan(chart.customPlot()->graph(0)->data()->at(3)->value));
    EXPECT_EQ(chart.customPlot()->graph(1)->data()->size(), 4);
}

} // namespace test_chart_widget
