// Cursor tools shared by all graph windows: crosses and texts at the shifted click, the shared
// counter, deleting and recolouring marks, the pointers, zoom and its undo.
#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_tools.h"
#include "graph/graph_window.h"
#include "graph/mark_text_dialog.h"
#include "graph/y_axis_scale_dialog.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_tools {

constexpr double kStart = 46234.5;
constexpr double kStep = 60.0 / 86400.0;

class GraphTools : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path());
        a = makeWindow();
        b = makeWindow();
    }
    void TearDown() override { setGraphProgramDirectory(QString()); }

    std::unique_ptr<GraphWindow> makeWindow(bool single = true) {
        auto w = std::make_unique<GraphWindow>(prompter, shared);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->configureGraph(3, 10, kStart, kStart + 9 * kStep, 0, 10000, -50, 100);
        ChartWidget& c = *w->chart;
        for (int p = 0; p < 10; ++p) {
            for (int s = 0; s < 3; ++s) {
                c.setXDataII(s, p, kStart + p * kStep);
                c.setYData(s, p, s == 0 ? 1000.0f + 500 * p : 30.0f);
            }
        }
        if (single)
            w->splitAxesBox->setChecked(false);
        w->show();
        settle(*w);
        return w;
    }
    static void settle(GraphWindow& w) {
        w.chart->setPEactions(pe::sgResetImage);
        w.chart->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    static void send(GraphWindow& w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
        QCustomPlot* plot = w.chart->customPlot();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), plot->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    }
    static void click(GraphWindow& w, QPoint pos) {
        send(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
        send(w, QEvent::MouseButtonRelease, pos);
    }
    static void doubleClick(GraphWindow& w, QPoint pos) {
        send(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
        send(w, QEvent::MouseButtonRelease, pos);
    }
    static QPoint centre(GraphWindow& w) { return w.chart->plottingRect().center(); }
    static QPoint markPixel(GraphWindow& w, int i) {
        return w.chart->dataToPixel(w.chart->GraphAnnotationX(i), w.chart->GraphAnnotationY(i)).toPoint();
    }
    static int visibleMarks(const ChartWidget& c) {
        int n = 0;
        for (int i = 0; i < c.GraphAnnotationCount(); ++i)
            n += c.GraphAnnotationType(i) == pe::sgCrossMark || !c.GraphAnnotationText(i).isEmpty();
        return n;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    std::unique_ptr<GraphWindow> a;
    std::unique_ptr<GraphWindow> b;
};

TEST_F(GraphTools, CrossAtTheShiftedPositionWithTheColour) {
    shared.annoColor = peRgb(0, 255, 255);
    a->crossButton->click();
    EXPECT_EQ(shared.tool, GraphTool::Cross);
    const QPoint at = centre(*a) - QPoint(40, 40);
    click(*a, at);
    EXPECT_EQ(shared.annotationCounter.value(), 4);
    ChartWidget& c = *a->chart;
    const QPointF expected = c.pixelToData(at + QPoint(15, 15));
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgCrossMark);
    EXPECT_DOUBLE_EQ(c.GraphAnnotationX(4), expected.x());
    EXPECT_DOUBLE_EQ(c.GraphAnnotationY(4), expected.y());
    EXPECT_TRUE(c.GraphAnnotationText(4).isEmpty());
    EXPECT_EQ(c.GraphAnnotationColor(4), peRgb(0, 255, 255));
    EXPECT_EQ(visibleMarks(c), 1);
}

TEST_F(GraphTools, ShiftedClickOutsideAddsNothing) {
    a->crossButton->click();
    const QRect plot = a->chart->plottingRect();
    click(*a, plot.bottomRight() - QPoint(5, 5)); // inside, but +15 leaves the rectangle
    EXPECT_EQ(shared.annotationCounter.value(), 3);
    EXPECT_EQ(visibleMarks(*a->chart), 0);
    a->textButton->click();
    prompter.dialogHandler = [](QDialog&) { return int(QDialog::Accepted); };
    click(*a, QPoint(plot.center().x(), plot.bottom() - 3)); // +7 below
    EXPECT_EQ(shared.annotationCounter.value(), 3);
    // The edge itself counts as inside.
    click(*a, QPoint(plot.center().x(), plot.bottom() - 7));
    EXPECT_EQ(shared.annotationCounter.value(), 4);
}

TEST_F(GraphTools, NormalToolPlacesNothing) {
    click(*a, centre(*a));
    EXPECT_EQ(shared.annotationCounter.value(), 3);
    EXPECT_EQ(a->chart->GraphAnnotationCount(), 0);
}

TEST_F(GraphTools, TextMarkFromTheDialog) {
    a->textButton->click();
    EXPECT_EQ(shared.tool, GraphTool::Text);
    EXPECT_EQ(a->chart->customPlot()->cursor().shape(), Qt::IBeamCursor);
    prompter.dialogHandler = [](QDialog& d) {
        auto& edit = dynamic_cast<MarkTextDialog&>(d);
        EXPECT_TRUE(edit.textField->text().isEmpty());
        EXPECT_TRUE(edit.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(edit.windowFlags() & Qt::WindowStaysOnTopHint);
        edit.textField->setText("window opened");
        return int(QDialog::Accepted);
    };
    const QPoint at = centre(*a);
    click(*a, at);
    ChartWidget& c = *a->chart;
    EXPECT_EQ(shared.annotationCounter.value(), 4);
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgNoSymbol);
    EXPECT_EQ(c.GraphAnnotationText(4), "window opened");
    EXPECT_DOUBLE_EQ(c.GraphAnnotationY(4), c.pixelToData(at + QPoint(1, 7)).y());

    prompter.dialogHandler = [](QDialog&) { return int(QDialog::Rejected); };
    click(*a, at + QPoint(30, 0));
    EXPECT_EQ(shared.annotationCounter.value(), 4);
    EXPECT_EQ(c.GraphAnnotationCount(), 5);
}

TEST_F(GraphTools, MarksInTwoWindowsTakeConsecutiveIndices) {
    a->crossButton->click();
    for (int i = 0; i < 3; ++i)
        click(*a, centre(*a) + QPoint(30 * i - 60, 0));
    // The tool is shared: b's buttons still show Normal, yet a click there places a cross.
    EXPECT_TRUE(b->normalCursorButton->isChecked());
    for (int i = 0; i < 2; ++i)
        click(*b, centre(*b) + QPoint(30 * i, -20));
    EXPECT_EQ(shared.annotationCounter.value(), 8);
    for (int i = 4; i <= 6; ++i)
        EXPECT_EQ(a->chart->GraphAnnotationType(i), pe::sgCrossMark) << i;
    EXPECT_EQ(a->chart->GraphAnnotationCount(), 7);
    for (int i = 7; i <= 8; ++i)
        EXPECT_EQ(b->chart->GraphAnnotationType(i), pe::sgCrossMark) << i;
    EXPECT_EQ(visibleMarks(*b->chart), 2);

    // Showing another graph window sets the tool back to Normal; a's buttons stay.
    auto c = makeWindow();
    EXPECT_EQ(shared.tool, GraphTool::Normal);
    EXPECT_TRUE(a->crossButton->isChecked());
    click(*a, centre(*a));
    EXPECT_EQ(shared.annotationCounter.value(), 8);
}

// The program-wide counter passing a chart's 4,096 places does not drop marks on a chart with
// room left; a chart that is really full says so.
TEST_F(GraphTools, MarksGoOnPastTheProgramWideLimitUntilAChartIsFull) {
    while (shared.annotationCounter.value() < ChartModel::kMaxAnnotations + 10)
        shared.annotationCounter.next();
    a->crossButton->click();
    click(*a, centre(*a));
    ChartWidget& c = *a->chart;
    ASSERT_EQ(c.GraphAnnotationCount(), AnnotationCounter::kReserved + 2);
    EXPECT_EQ(c.GraphAnnotationType(AnnotationCounter::kReserved + 1), pe::sgCrossMark);
    click(*a, centre(*a) + QPoint(20, 0));
    EXPECT_EQ(c.GraphAnnotationType(AnnotationCounter::kReserved + 2), pe::sgCrossMark);
    EXPECT_TRUE(prompter.shown.isEmpty());

    c.setGraphAnnotationType(ChartModel::kMaxAnnotations - 1, pe::sgNoSymbol); // every place taken
    click(*a, centre(*a) - QPoint(20, 0));
    EXPECT_EQ(prompter.shown, QStringList{GraphWindow::kMarksFull});
    EXPECT_EQ(c.GraphAnnotationCount(), ChartModel::kMaxAnnotations);
    EXPECT_EQ(visibleMarks(c), 2);
}

TEST_F(GraphTools, DeletedMarkStaysGoneAfterRecolourAndReopen) {
    a->crossButton->click();
    click(*a, centre(*a) - QPoint(60, 30));
    click(*a, centre(*a) + QPoint(40, 20));
    click(*b, centre(*b));
    ASSERT_EQ(shared.annotationCounter.value(), 6);
    a->normalCursorButton->click();
    EXPECT_EQ(shared.tool, GraphTool::Normal);
    EXPECT_EQ(a->chart->customPlot()->cursor().shape(), Qt::ArrowCursor);
    settle(*a);

    doubleClick(*a, markPixel(*a, 4));
    ChartWidget& c = *a->chart;
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgNoSymbol);
    EXPECT_TRUE(c.GraphAnnotationText(4).isEmpty());
    EXPECT_EQ(c.GraphAnnotationType(5), pe::sgCrossMark);
    // A single click on a mark does not delete it.
    click(*a, markPixel(*a, 5));
    EXPECT_EQ(c.GraphAnnotationType(5), pe::sgCrossMark);

    prompter.colors.push_back(QColor(255, 0, 0));
    a->markColorButton->click();
    EXPECT_EQ(shared.annoColor, peRgb(255, 0, 0));
    EXPECT_EQ(c.GraphAnnotationColor(5), peRgb(255, 0, 0));
    EXPECT_EQ(c.GraphAnnotationColor(4), peRgb(255, 0, 0));
    EXPECT_EQ(visibleMarks(c), 1);
    EXPECT_EQ(b->chart->GraphAnnotationColor(6), 0u); // other windows keep theirs

    const QString path = dir.filePath("marks.ghf");
    ASSERT_TRUE(writeGraphFile(c, path));
    auto reopened = makeWindow();
    ASSERT_TRUE(readGraphFile(*reopened->chart, path));
    EXPECT_EQ(visibleMarks(*reopened->chart), 1);
    EXPECT_EQ(reopened->chart->GraphAnnotationType(4), pe::sgNoSymbol);

    // The index of a deleted mark is never handed out again.
    a->crossButton->click();
    click(*a, centre(*a));
    EXPECT_EQ(shared.annotationCounter.value(), 7);
}

TEST_F(GraphTools, ColourDialogStartsWithTheCreationColour) {
    shared.annoColor = peRgb(0, 0, 255);
    auto w = makeWindow();
    shared.annoColor = peRgb(0, 255, 0);
    struct Recorder : ScriptedPrompter {
        QColor offered;
        bool chooseColor(QColor& c) override {
            offered = c;
            return false;
        }
    } recorder;
    GraphWindow probe(recorder, shared);
    probe.onMarkColorClicked();
    EXPECT_EQ(recorder.offered, QColor(0, 255, 0));
    // Cancel changes nothing.
    EXPECT_EQ(shared.annoColor, peRgb(0, 255, 0));
}

TEST_F(GraphTools, CrossPointer) {
    const QCursor cursor = crossCursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(cursor.pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
    // The cross centre lies 15 px right of and below the hot spot.
    const QImage image = cursor.pixmap().toImage();
    const qreal r = cursor.pixmap().devicePixelRatio();
    EXPECT_GT(qAlpha(image.pixel(int(15.5 * r), int(20 * r))), 0);
    EXPECT_GT(qAlpha(image.pixel(int(20 * r), int(15.5 * r))), 0);
    EXPECT_GT(qAlpha(image.pixel(int(1 * r), int(4 * r))), 0); // the artwork's arrow at the hot spot
    a->crossButton->click();
    EXPECT_EQ(a->chart->customPlot()->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(GraphTools, CrossAndTextOnlyOnSingleAxisCharts) {
    auto split = makeWindow(false);
    EXPECT_FALSE(split->crossButton->isEnabled());
    EXPECT_FALSE(split->textButton->isEnabled());
    EXPECT_TRUE(a->crossButton->isEnabled());
    EXPECT_TRUE(a->textButton->isEnabled());
    // A disabled tool says when it can be used; an enabled one shows its plain hint.
    EXPECT_EQ(split->crossButton->toolTip(), "Draw A Cross On Graph\n" + GraphWindow::kSingleAxisToolHint);
    EXPECT_EQ(split->textButton->toolTip(), "Text\n" + GraphWindow::kSingleAxisToolHint);
    EXPECT_EQ(a->crossButton->toolTip(), "Draw A Cross On Graph");
    EXPECT_EQ(a->textButton->toolTip(), "Text");
    split->splitAxesBox->setChecked(false);
    EXPECT_TRUE(split->crossButton->isEnabled());
    EXPECT_EQ(split->crossButton->toolTip(), "Draw A Cross On Graph");
}

// A Y-axis change made while zoomed shows at once: each axis whole at its new scale, the zoomed
// time range kept.
TEST_F(GraphTools, YAxisChangeWhileZoomedShowsAtOnceAndKeepsTheTimeZoom) {
    const QPoint from = centre(*a) - QPoint(80, 40);
    send(*a, QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(*a, QEvent::MouseMove, from + QPoint(60, 30), Qt::LeftButton);
    send(*a, QEvent::MouseButtonRelease, from + QPoint(120, 60));
    ASSERT_TRUE(a->chart->isZoomed());
    const ZoomView zoomed = a->chart->model().zoomStack.back();
    prompter.dialogHandler = [](QDialog& d) {
        auto& dialog = static_cast<YAxisScaleDialog&>(d);
        dialog.ppmMaxField->setText("3000");
        dialog.ppmMinField->setText("200");
        dialog.humidityMaxField->setText("80");
        dialog.humidityMinField->setText("-10");
        return int(QDialog::Accepted);
    };
    a->yAxisButton->click();
    ASSERT_TRUE(a->chart->isZoomed());
    const ZoomView shown = a->chart->model().zoomStack.back();
    EXPECT_EQ(shown.xMin, zoomed.xMin);
    EXPECT_EQ(shown.xMax, zoomed.xMax);
    ASSERT_EQ(shown.y.size(), zoomed.y.size()); // this chart draws every channel on one axis
    ASSERT_FALSE(shown.y.empty());
    EXPECT_EQ(shown.y[0], std::make_pair(200.0, 3000.0));
    const QCPRange ppm = a->chart->customPlot()->axisRect(0)->axis(QCPAxis::atLeft)->range();
    EXPECT_EQ(ppm.lower, 200.0);
    EXPECT_EQ(ppm.upper, 3000.0);
}

TEST_F(GraphTools, ZoomAndUndo) {
    const QPoint from = centre(*a) - QPoint(80, 40);
    send(*a, QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(*a, QEvent::MouseMove, from + QPoint(40, 20), Qt::LeftButton);
    send(*a, QEvent::MouseMove, from + QPoint(120, 60), Qt::LeftButton);
    send(*a, QEvent::MouseButtonRelease, from + QPoint(120, 60));
    EXPECT_TRUE(a->chart->isZoomed());
    EXPECT_TRUE(a->undoZoomButton->isEnabled());
    EXPECT_EQ(shared.annotationCounter.value(), 3); // a drag is no click
    a->undoZoomButton->click();
    EXPECT_FALSE(a->chart->isZoomed());
    EXPECT_FALSE(a->undoZoomButton->isEnabled());

    // The wheel zooms too; wheeling all the way back out leaves nothing to undo.
    const auto wheel = [&](int steps) {
        QCustomPlot* plot = a->chart->customPlot();
        QWheelEvent e(QPointF(centre(*a)), plot->mapToGlobal(QPointF(centre(*a))), QPoint(),
                      QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &e);
    };
    wheel(2);
    EXPECT_TRUE(a->chart->isZoomed());
    EXPECT_TRUE(a->undoZoomButton->isEnabled());
    wheel(-3);
    EXPECT_FALSE(a->chart->isZoomed());
    EXPECT_FALSE(a->undoZoomButton->isEnabled());
}

TEST(AnnotationCounterTest, StartsAfterTheReservedIndices) {
    AnnotationCounter counter;
    EXPECT_EQ(counter.value(), 3);
    EXPECT_EQ(counter.next(), 4);
    EXPECT_EQ(counter.next(), 5);
    counter.reset();
    EXPECT_EQ(counter.next(), 4);
}

} // namespace test_graph_tools
