// Cursor tools shared by all graph windows: crosses and texts at the shifted click, the shared
// counter, deleting and recolouring marks, the pointers, zoom and its undo.
#include "graph/graph_file.h"
#include "graph/graph_tools.h"
#include "graph/pes_graph.h"
#include "graph/tfrm_anno_edit.h"
#include "graph/tfrm_graph.h"
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

namespace {

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

    std::unique_ptr<TfrmGraph> makeWindow(bool single = true) {
        auto w = std::make_unique<TfrmGraph>(prompter, shared);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->ConfigureGraph(3, 10, kStart, kStart + 9 * kStep, 0, 10000, -50, 100);
        PESGraph& c = *w->PESGraph1;
        for (int p = 0; p < 10; ++p) {
            for (int s = 0; s < 3; ++s) {
                c.setXDataII(s, p, kStart + p * kStep);
                c.setYData(s, p, s == 0 ? 1000.0f + 500 * p : 30.0f);
            }
        }
        if (single)
            w->chkSplit->setChecked(false);
        w->show();
        settle(*w);
        return w;
    }
    static void settle(TfrmGraph& w) {
        w.PESGraph1->setPEactions(pe::sgResetImage);
        w.PESGraph1->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    static void send(TfrmGraph& w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
        QCustomPlot* plot = w.PESGraph1->customPlot();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), plot->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    }
    static void click(TfrmGraph& w, QPoint pos) {
        send(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
        send(w, QEvent::MouseButtonRelease, pos);
    }
    static void doubleClick(TfrmGraph& w, QPoint pos) {
        send(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
        send(w, QEvent::MouseButtonRelease, pos);
    }
    static QPoint centre(TfrmGraph& w) { return w.PESGraph1->plottingRect().center(); }
    static QPoint markPixel(TfrmGraph& w, int i) {
        return w.PESGraph1->dataToPixel(w.PESGraph1->GraphAnnotationX(i), w.PESGraph1->GraphAnnotationY(i))
            .toPoint();
    }
    static int visibleMarks(const PESGraph& c) {
        int n = 0;
        for (int i = 0; i < c.GraphAnnotationCount(); ++i)
            n += c.GraphAnnotationType(i) == pe::sgCrossMark || !c.GraphAnnotationText(i).isEmpty();
        return n;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    std::unique_ptr<TfrmGraph> a;
    std::unique_ptr<TfrmGraph> b;
};

TEST_F(GraphTools, CrossAtTheShiftedPositionWithTheColour) {
    shared.annoColor = peRgb(0, 255, 255);
    a->ToolButton5->click();
    EXPECT_EQ(shared.tool, GraphTool::Cross);
    const QPoint at = centre(*a) - QPoint(40, 40);
    click(*a, at);
    EXPECT_EQ(shared.annotationCounter.value(), 4);
    PESGraph& c = *a->PESGraph1;
    const QPointF expected = c.pixelToData(at + QPoint(15, 15));
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgCrossMark);
    EXPECT_DOUBLE_EQ(c.GraphAnnotationX(4), expected.x());
    EXPECT_DOUBLE_EQ(c.GraphAnnotationY(4), expected.y());
    EXPECT_TRUE(c.GraphAnnotationText(4).isEmpty());
    EXPECT_EQ(c.GraphAnnotationColor(4), peRgb(0, 255, 255));
    EXPECT_EQ(visibleMarks(c), 1);
}

TEST_F(GraphTools, ShiftedClickOutsideAddsNothing) {
    a->ToolButton5->click();
    const QRect plot = a->PESGraph1->plottingRect();
    click(*a, plot.bottomRight() - QPoint(5, 5)); // inside, but +15 leaves the rectangle
    EXPECT_EQ(shared.annotationCounter.value(), 3);
    EXPECT_EQ(visibleMarks(*a->PESGraph1), 0);
    a->ToolButton9->click();
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
    EXPECT_EQ(a->PESGraph1->GraphAnnotationCount(), 0);
}

TEST_F(GraphTools, TextMarkFromTheDialog) {
    a->ToolButton9->click();
    EXPECT_EQ(shared.tool, GraphTool::Text);
    EXPECT_EQ(a->PESGraph1->customPlot()->cursor().shape(), Qt::IBeamCursor);
    prompter.dialogHandler = [](QDialog& d) {
        auto& edit = dynamic_cast<TfrmAnnoEdit&>(d);
        EXPECT_TRUE(edit.Edit1->text().isEmpty());
        EXPECT_TRUE(edit.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(edit.windowFlags() & Qt::WindowStaysOnTopHint);
        edit.Edit1->setText("window opened");
        return int(QDialog::Accepted);
    };
    const QPoint at = centre(*a);
    click(*a, at);
    PESGraph& c = *a->PESGraph1;
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
    a->ToolButton5->click();
    for (int i = 0; i < 3; ++i)
        click(*a, centre(*a) + QPoint(30 * i - 60, 0));
    // The tool is shared: b's buttons still show Normal, yet a click there places a cross.
    EXPECT_TRUE(b->ToolButton4->isChecked());
    for (int i = 0; i < 2; ++i)
        click(*b, centre(*b) + QPoint(30 * i, -20));
    EXPECT_EQ(shared.annotationCounter.value(), 8);
    for (int i = 4; i <= 6; ++i)
        EXPECT_EQ(a->PESGraph1->GraphAnnotationType(i), pe::sgCrossMark) << i;
    EXPECT_EQ(a->PESGraph1->GraphAnnotationCount(), 7);
    for (int i = 7; i <= 8; ++i)
        EXPECT_EQ(b->PESGraph1->GraphAnnotationType(i), pe::sgCrossMark) << i;
    EXPECT_EQ(visibleMarks(*b->PESGraph1), 2);

    // Showing another graph window sets the tool back to Normal; a's buttons stay.
    auto c = makeWindow();
    EXPECT_EQ(shared.tool, GraphTool::Normal);
    EXPECT_TRUE(a->ToolButton5->isChecked());
    click(*a, centre(*a));
    EXPECT_EQ(shared.annotationCounter.value(), 8);
}

TEST_F(GraphTools, DeletedMarkStaysGoneAfterRecolourAndReopen) {
    a->ToolButton5->click();
    click(*a, centre(*a) - QPoint(60, 30));
    click(*a, centre(*a) + QPoint(40, 20));
    click(*b, centre(*b));
    ASSERT_EQ(shared.annotationCounter.value(), 6);
    a->ToolButton4->click();
    EXPECT_EQ(shared.tool, GraphTool::Normal);
    EXPECT_EQ(a->PESGraph1->customPlot()->cursor().shape(), Qt::ArrowCursor);
    settle(*a);

    doubleClick(*a, markPixel(*a, 4));
    PESGraph& c = *a->PESGraph1;
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgNoSymbol);
    EXPECT_TRUE(c.GraphAnnotationText(4).isEmpty());
    EXPECT_EQ(c.GraphAnnotationType(5), pe::sgCrossMark);
    // A single click on a mark does not delete it.
    click(*a, markPixel(*a, 5));
    EXPECT_EQ(c.GraphAnnotationType(5), pe::sgCrossMark);

    prompter.colors.push_back(QColor(255, 0, 0));
    a->ToolButton15->click();
    EXPECT_EQ(shared.annoColor, peRgb(255, 0, 0));
    EXPECT_EQ(c.GraphAnnotationColor(5), peRgb(255, 0, 0));
    EXPECT_EQ(c.GraphAnnotationColor(4), peRgb(255, 0, 0));
    EXPECT_EQ(visibleMarks(c), 1);
    EXPECT_EQ(b->PESGraph1->GraphAnnotationColor(6), 0u); // other windows keep theirs

    const QString path = dir.filePath("marks.ghf");
    ASSERT_TRUE(writeGraphFile(c, path));
    auto reopened = makeWindow();
    ASSERT_TRUE(readGraphFile(*reopened->PESGraph1, path));
    EXPECT_EQ(visibleMarks(*reopened->PESGraph1), 1);
    EXPECT_EQ(reopened->PESGraph1->GraphAnnotationType(4), pe::sgNoSymbol);

    // The index of a deleted mark is never handed out again.
    a->ToolButton5->click();
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
    TfrmGraph probe(recorder, shared);
    probe.ToolButton15Click();
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
    a->ToolButton5->click();
    EXPECT_EQ(a->PESGraph1->customPlot()->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(GraphTools, CrossAndTextOnlyOnSingleAxisCharts) {
    auto split = makeWindow(false);
    EXPECT_FALSE(split->ToolButton5->isEnabled());
    EXPECT_FALSE(split->ToolButton9->isEnabled());
    EXPECT_TRUE(a->ToolButton5->isEnabled());
    EXPECT_TRUE(a->ToolButton9->isEnabled());
    // A disabled tool says when it can be used; an enabled one shows its plain hint.
    EXPECT_EQ(split->ToolButton5->toolTip(), "Draw A Cross On Graph\n" + TfrmGraph::kSingleAxisToolHint);
    EXPECT_EQ(split->ToolButton9->toolTip(), "Text\n" + TfrmGraph::kSingleAxisToolHint);
    EXPECT_EQ(a->ToolButton5->toolTip(), "Draw A Cross On Graph");
    EXPECT_EQ(a->ToolButton9->toolTip(), "Text");
    split->chkSplit->setChecked(false);
    EXPECT_TRUE(split->ToolButton5->isEnabled());
    EXPECT_EQ(split->ToolButton5->toolTip(), "Draw A Cross On Graph");
}

TEST_F(GraphTools, ZoomAndUndo) {
    const QPoint from = centre(*a) - QPoint(80, 40);
    send(*a, QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(*a, QEvent::MouseMove, from + QPoint(40, 20), Qt::LeftButton);
    send(*a, QEvent::MouseMove, from + QPoint(120, 60), Qt::LeftButton);
    send(*a, QEvent::MouseButtonRelease, from + QPoint(120, 60));
    EXPECT_TRUE(a->PESGraph1->isZoomed());
    EXPECT_TRUE(a->UndoZoom->isEnabled());
    EXPECT_EQ(shared.annotationCounter.value(), 3); // a drag is no click
    a->UndoZoom->click();
    EXPECT_FALSE(a->PESGraph1->isZoomed());
    EXPECT_FALSE(a->UndoZoom->isEnabled());

    // The wheel zooms too; wheeling all the way back out leaves nothing to undo.
    const auto wheel = [&](int steps) {
        QCustomPlot* plot = a->PESGraph1->customPlot();
        QWheelEvent e(QPointF(centre(*a)), plot->mapToGlobal(QPointF(centre(*a))), QPoint(),
                      QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &e);
    };
    wheel(2);
    EXPECT_TRUE(a->PESGraph1->isZoomed());
    EXPECT_TRUE(a->UndoZoom->isEnabled());
    wheel(-3);
    EXPECT_FALSE(a->PESGraph1->isZoomed());
    EXPECT_FALSE(a->UndoZoom->isEnabled());
}

TEST(AnnotationCounterTest, StartsAfterTheReservedIndices) {
    AnnotationCounter counter;
    EXPECT_EQ(counter.value(), 3);
    EXPECT_EQ(counter.next(), 4);
    EXPECT_EQ(counter.next(), 5);
    counter.reset();
    EXPECT_EQ(counter.next(), 4);
}

} // namespace
