#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "support/main_window_rig.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_shortcuts {

constexpr double T0 = 46234.5;

struct ShortcutsTest : MainWindowRig {
    void SetUp() override {
        start();
        showMain();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    // A graph window with a few points, active in the area.
    GraphWindow* activeGraph() {
        GraphWindow* graph = main->createGraphWindow("Graph");
        graph->configureGraph(3, 20, T0, T0 + 19 / 86400.0, 0, 10000, -50, 100);
        for (int p = 0; p < 20; ++p) {
            for (int s = 0; s < 3; ++s) {
                graph->chart->setXDataII(s, p, T0 + p / 86400.0);
                graph->chart->setYData(s, p, float(400 + p * 10 + s));
            }
        }
        graph->chart->setPEactions(pe::sgReinitAndReset);
        graph->parentWidget()->show();
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(graph->parentWidget()));
        graph->setFocus();
        QCoreApplication::processEvents();
        return graph;
    }
    // A key as the user presses it, on the widget that has the focus.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : main.get();
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }
    void press(const QKeySequence& sequence) { press(sequence[0].key(), sequence[0].keyboardModifiers()); }
};

// Each standard key reaches its command, and the menus show the keys beside the items.
TEST_F(ShortcutsTest, StandardKeysTriggerTheirCommands) {
    activeGraph();
    struct Case {
        QAction* action;
        QKeySequence::StandardKey key;
    };
    for (const Case& c :
         {Case{main->openAction, QKeySequence::Open}, Case{main->saveAction, QKeySequence::Save},
          Case{main->saveAsAction, QKeySequence::SaveAs},
          Case{main->contentsAction, QKeySequence::HelpContents}}) {
        SCOPED_TRACE(c.action->text().toStdString());
        // The desktop's key, where its scheme has one.
        const QKeySequence key = c.action->shortcut();
        ASSERT_FALSE(key.isEmpty());
        if (!QKeySequence::keyBindings(c.key).isEmpty()) {
            EXPECT_EQ(key, QKeySequence::keyBindings(c.key).value(0));
        }
        QSignalSpy spy(c.action, &QAction::triggered);
        press(key);
        EXPECT_EQ(spy.count(), 1);
    }
    // Open asked its question, Save and Save As each asked for a graph file name.
    EXPECT_EQ(prompter.fileRequests.size(), 2);
    for (const auto& request : prompter.fileRequests)
        EXPECT_EQ(request.title, "Save As");
    // Menu captions are unchanged: the keys stand beside them.
    EXPECT_EQ(main->openAction->text(), "&Open");
    EXPECT_EQ(main->saveAction->text(), "&Save");
    EXPECT_EQ(main->exitAction->text(), "E&xit");
    EXPECT_EQ(main->contentsAction->text(), "&Contents");
}

TEST_F(ShortcutsTest, HelpKeyOpensTheHelpFile) {
    QList<QUrl> opened;
    main->openExternally = [&opened](const QUrl& url) {
        opened << url;
        return true;
    };
    main->helpFileOverride = dir.filePath("help.htm");
    writeAll(main->helpFileOverride, "<html></html>");
    press(Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), main->helpFileOverride);
}

TEST_F(ShortcutsTest, PrintQuitAndCloseKeys) {
    GraphWindow* graph = activeGraph();
    QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    for (QAction* a : {main->printAction, main->exitAction, main->closeAction})
        EXPECT_FALSE(a->shortcut().isEmpty()) << a->text().toStdString();

    // Print: only that the key reaches the command; printing itself is tested elsewhere.
    QSignalSpy printed(main->printAction, &QAction::triggered);
    QObject::disconnect(main->printAction, SIGNAL(triggered(bool)), main.get(), nullptr);
    press(main->printAction->shortcut());
    EXPECT_EQ(printed.count(), 1);

    QSignalSpy quit(main->exitAction, &QAction::triggered);
    QObject::disconnect(main->exitAction, SIGNAL(triggered(bool)), main.get(), nullptr);
    press(main->exitAction->shortcut());
    EXPECT_EQ(quit.count(), 1);

    // Close closes the active child window: the graph.
    graph->chart->setFocus();
    press(main->closeAction->shortcut());
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.isNull() || !frame->isVisible());
}

TEST_F(ShortcutsTest, PlusMinusZeroAndUndoZoomTheActiveChart) {
    GraphWindow* graph = activeGraph();
    ChartWidget& chart = *graph->chart;
    ASSERT_FALSE(chart.isZoomed());

    press(Qt::Key_Plus);
    EXPECT_TRUE(chart.isZoomed());
    EXPECT_TRUE(graph->undoZoomButton->isEnabled());
    press(Qt::Key_0); // the whole view
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_FALSE(graph->undoZoomButton->isEnabled());

    press(Qt::Key_Plus);
    press(Qt::Key_Plus);
    ASSERT_TRUE(chart.isZoomed());
    press(Qt::Key_Minus);
    EXPECT_TRUE(chart.isZoomed()); // one step back out is not the whole view yet
    press(Qt::Key_Minus);
    EXPECT_FALSE(chart.isZoomed()); // back at the whole view, as Undo Zoom leaves it

    press(Qt::Key_Plus);
    ASSERT_TRUE(chart.isZoomed());
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_EQ(main->undoZoomAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

// A zoom key typed into a text field is text, not a command.
TEST_F(ShortcutsTest, ZoomKeysTypeIntoTextFields) {
    GraphWindow* graph = activeGraph();
    auto* field = new QLineEdit(graph);
    field->show();
    field->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), field);
    press(Qt::Key_0);
    press(Qt::Key_Plus);
    press(Qt::Key_Minus);
    EXPECT_EQ(field->text(), "0+-");
    EXPECT_FALSE(graph->chart->isZoomed());
}

} // namespace test_shortcuts
