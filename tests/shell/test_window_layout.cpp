// The main window's windows as a user meets them: the View menu's tick, the "Output Tabular to
// graph" button, the first sizes of new windows, Tile and Cascade, Printer Setup and the help.
#include "chart/chart_widget.h"
#include "files/open_save_choice_dialog.h"
#include "link/simulated_meter.h"
#include "live/panel_window.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/mdi_arrange.h"
#include "support/main_window_rig.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_window_layout {

struct WindowLayout : MainWindowRig {
    void SetUp() override {
        start();
        main->openExternally = [](const QUrl&) { return false; };
        main->resize(1280, 860);
        showMain();
    }
    QMdiArea& area() { return *main->mdiArea(); }
    QRect room() { return area().viewport()->rect(); }
    static QMdiSubWindow* frameOf(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

    // A text file of `rows` readings opened with File, Open: the table window it makes.
    TableWindow* openTable(int rows) {
        const QString file = dir.filePath("readings.txt");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < rows; ++i)
            f.write(QString("7/31/26\t2:%1:05 PM\t%2\t45.5\t21.3\t\n")
                        .arg(i % 60, 2, 10, QChar('0'))
                        .arg(600 + i)
                        .toUtf8());
        f.close();
        prompter.dialogHandler = [](QDialog& d) {
            if (auto* choice = qobject_cast<OpenSaveChoiceDialog*>(&d)) {
                choice->singleFileButton->click();
                return choice->result();
            }
            return int(QDialog::Rejected);
        };
        prompter.files = {file};
        main->fileCommands().runOpenCommand();
        QCoreApplication::processEvents();
        auto* sub = area().subWindowList().last();
        return qobject_cast<TableWindow*>(sub->widget());
    }
};

TEST_F(WindowLayout, RealTimeGraphKeepsItsTickWhenChosenWhileOpen) {
    ASSERT_NE(main->recorder().window(), nullptr);
    EXPECT_TRUE(main->realTimeGraphAction->isChecked());
    main->realTimeGraphAction->trigger(); // the window is open: it is shown, and stays ticked
    EXPECT_TRUE(main->realTimeGraphAction->isChecked());
    EXPECT_NE(main->recorder().window(), nullptr);

    frameOf(main->recorder().window())->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(main->realTimeGraphAction->isChecked());
    main->realTimeGraphAction->trigger();
    EXPECT_NE(main->recorder().window(), nullptr);
    EXPECT_TRUE(main->realTimeGraphAction->isChecked());
}

TEST_F(WindowLayout, OutputTabularButtonFollowsTheActiveChildOnly) {
    TableWindow* table = openTable(5);
    ASSERT_NE(table, nullptr);
    area().setActiveSubWindow(frameOf(table));
    EXPECT_TRUE(main->outputToGraphButton->isEnabled());
    // A dialog closing (print, import progress, any message) activates the main window again.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(main.get(), &activate);
    EXPECT_TRUE(main->outputToGraphButton->isEnabled());
    area().setActiveSubWindow(frameOf(main->recorder().window()));
    EXPECT_FALSE(main->outputToGraphButton->isEnabled());
    area().setActiveSubWindow(frameOf(table));
    EXPECT_TRUE(main->outputToGraphButton->isEnabled());
}

TEST_F(WindowLayout, NewWindowsGetRoomForTheirContent) {
    TableWindow* table = openTable(300);
    ASSERT_NE(table, nullptr);
    // Every column shows its whole text, and the window shows every column.
    const QFontMetrics fm(table->tableView->font());
    for (int c = 0; c < 6; ++c) {
        for (qsizetype r : {qsizetype(0), qsizetype(1), qsizetype(300)})
            EXPECT_GE(table->tableView->columnWidth(c),
                      fm.horizontalAdvance(table->model().cellText(c, r)) + 6)
                << c << ' ' << r;
    }
    EXPECT_GE(table->width(), std::min(table->preferredWidth(), room().width()));
    EXPECT_GE(frameOf(table)->height(), room().height() * 2 / 3 - 1);

    area().setActiveSubWindow(frameOf(table));
    main->onOutputToGraphClicked();
    auto* graph = qobject_cast<GraphWindow*>(area().subWindowList().last()->widget());
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->chart->Points(), 300);
    EXPECT_EQ(frameOf(graph)->width(), room().width());
    EXPECT_GE(frameOf(graph)->height(), room().height() - 40);
    QCoreApplication::processEvents();
    graph->chart->customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_GT(graph->chart->plottingRect().height(), 200);
}

TEST_F(WindowLayout, TileAndCascadeStayInsideTheMainWindow) {
    openTable(20);
    openTable(20);
    main->createGraphWindow("one")->parentWidget()->show();
    main->createGraphWindow("two")->parentWidget()->show();
    const QSize mainSize = main->size();
    const QSize panel = frameOf(main->panel())->size();

    for (int round = 0; round < 2; ++round) {
        main->onTileClicked();
        QCoreApplication::processEvents();
        EXPECT_EQ(main->size(), mainSize);
        EXPECT_EQ(frameOf(main->panel())->size(), panel);
        for (QMdiSubWindow* sub : area().subWindowList()) {
            EXPECT_TRUE(room().contains(sub->geometry())) << sub->windowTitle().toStdString();
            EXPECT_GE(sub->width(), std::min(mdi::kSensibleWidth, sub->maximumWidth()));
            EXPECT_GE(sub->height(), std::min(mdi::kSensibleHeight, sub->maximumHeight()));
        }
        // Tiled windows do not overlap the panel.
        for (QMdiSubWindow* sub : area().subWindowList()) {
            if (sub != frameOf(main->panel())) {
                EXPECT_FALSE(sub->geometry().intersects(frameOf(main->panel())->geometry()));
            }
        }

        main->onCascadeClicked();
        QCoreApplication::processEvents();
        EXPECT_EQ(main->size(), mainSize);
        EXPECT_EQ(frameOf(main->panel())->size(), panel);
        for (QMdiSubWindow* sub : area().subWindowList()) {
            EXPECT_TRUE(room().contains(sub->geometry())) << sub->windowTitle().toStdString();
            if (sub != frameOf(main->panel())) {
                EXPECT_GE(sub->width(), room().width() * 2 / 3);
                EXPECT_GE(sub->height(), room().height() * 2 / 3);
            }
        }
    }
}

// Tiled charts stay readable: two sit side by side, seven overlap instead, each at least 240 high,
// on a 1366 x 768 screen.
TEST_F(WindowLayout, TileKeepsEveryChartReadable) {
    main->resize(1366, 768 - 40);
    QCoreApplication::processEvents();
    std::vector<GraphWindow*> graphs{main->recorder().window()};
    graphs.push_back(main->createGraphWindow("graph 1"));
    graphs.back()->parentWidget()->show();
    main->onTileClicked();
    QCoreApplication::processEvents();
    EXPECT_GE(main->smallestChartHeight(), MainWindow::kSmallestTiledChart);
    // Side by side in one row, as tiled.
    EXPECT_EQ(frameOf(graphs[0])->y(), frameOf(graphs[1])->y());
    EXPECT_LT(frameOf(graphs[0])->x(), frameOf(graphs[1])->x());

    for (int i = 2; i < 7; ++i) {
        graphs.push_back(main->createGraphWindow(QString("graph %1").arg(i)));
        graphs.back()->parentWidget()->show();
    }
    main->onTileClicked();
    QCoreApplication::processEvents();
    for (GraphWindow* graph : graphs) {
        EXPECT_GE(graph->chart->height(), MainWindow::kSmallestTiledChart)
            << graph->windowTitle().toStdString();
        EXPECT_TRUE(room().contains(frameOf(graph)->geometry()));
    }
}

TEST_F(WindowLayout, PrinterSetupSaysOkAndPrintsNothing) {
    const QString pdf = dir.filePath("setup.pdf");
    main->printer().setOutputFormat(QPrinter::PdfFormat);
    main->printer().setOutputFileName(pdf);
    QStringList buttons;
    prompter.dialogHandler = [&](QDialog& d) {
        for (QPushButton* b : d.findChildren<QPushButton*>()) {
            if (b->isVisible() || !d.isVisible())
                buttons << b->text();
        }
        return int(QDialog::Accepted);
    };
    main->onPrinterSetupClicked();
    EXPECT_TRUE(buttons.contains("OK"));
    EXPECT_FALSE(buttons.contains("&Print"));
    EXPECT_FALSE(buttons.contains("Print"));
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(WindowLayout, HelpShowsInsideTheProgramWhenTheDesktopCannotOpenIt) {
    main->helpFileOverride = QStringLiteral(QZ407_HELP_SOURCE);
    QList<QUrl> asked;
    main->openExternally = [&](const QUrl& url) {
        asked << url;
        return true;
    };
    main->onContentsClicked();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].toLocalFile(), main->helpFilePath());
    EXPECT_EQ(main->helpWindow(), nullptr);

    main->openExternally = [](const QUrl&) { return false; };
    main->onContentsClicked();
    ASSERT_NE(main->helpWindow(), nullptr);
    EXPECT_TRUE(main->helpWindow()->isVisible());
    EXPECT_TRUE(main->helpWindow()->loaded());
    EXPECT_TRUE(main->helpWindow()->browser()->toPlainText().contains("Downloading the meter's memory"));
    HelpWindow* first = main->helpWindow();
    main->onContentsClicked(); // one help window
    EXPECT_EQ(main->helpWindow(), first);

    // A missing help file is said so, not shown blank.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->helpFileOverride = dir.filePath("missing.htm");
    main->onContentsClicked();
    ASSERT_NE(main->helpWindow(), nullptr);
    EXPECT_FALSE(main->helpWindow()->loaded());
    EXPECT_TRUE(main->helpWindow()->browser()->toPlainText().contains("missing.htm"));
}

TEST_F(WindowLayout, HelpNamesEveryCommandAsTheProgramShowsIt) {
    QFile file(QStringLiteral(QZ407_HELP_SOURCE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    const QString help = document.toPlainText().replace(QChar(0x00A0), u' ').simplified();
    QStringList texts;
    for (QAction* menu : main->menuBar()->actions()) {
        texts << menu->text().remove('&').trimmed();
        for (QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator())
                texts << item->text().remove('&').trimmed();
        }
    }
    for (QToolButton* b : {main->openButton, main->saveButton, main->printButton, main->dataLoggerButton,
                           main->outputToGraphButton, main->runButton, main->stopButton})
        texts << b->toolTip();
    GraphWindow* graph = main->recorder().window();
    ASSERT_NE(graph, nullptr);
    for (QAbstractButton* b : graph->findChildren<QAbstractButton*>()) {
        if (!b->text().isEmpty() && b->objectName() != "splitAxesBox")
            texts << b->text();
    }
    texts << main->panel()->maxMinAvgKey->toolTip() << "HOLD"
          << "REC"
          << "SET"
          << "Setup All"
          << "Read"
          << "Erase Meter Memory"
          << "Adjust Meter Time To Computer Time"
          << "Save this setting"
          << "Real-Time Setup"
          << "Data Sets";
    texts.removeDuplicates();
    for (const QString& text : texts)
        EXPECT_TRUE(help.contains(text.simplified())) << text.toStdString();
}

TEST(AboutBox, TitleAndVersionShowWhole) {
    AboutBox about;
    about.show();
    QCoreApplication::processEvents();
    for (QLabel* label : {about.titleLabel, about.versionCaption, about.versionLabel}) {
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->text().toStdString();
        EXPECT_TRUE(about.rect().contains(label->geometry()));
    }
    EXPECT_EQ(about.versionLabel->text(), "3.0.2.0");
    EXPECT_GE(about.width(), 306);
    EXPECT_TRUE(about.rect().contains(about.okButton->geometry()));
}

TEST_F(WindowLayout, PanelFitsALowWindowAndShowsOnlyTheMeter) {
    main.reset();
    settings = std::make_unique<Settings>(dir.filePath("low.ini"));
    main = std::make_unique<MainWindow>(meter, clock, prompter, *settings);
    main->documentsOverride = dir.filePath("Documents");
    main->resize(1000, 560); // a 1000-pixel-high screen at 150 % text size, or a small laptop
    main->show();
    QCoreApplication::processEvents();
    PanelWindow* panel = main->panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_LE(frameOf(panel)->height(), room().height());
    EXPECT_LT(panel->panelScale(), 1.0);
    EXPECT_EQ(panel->holdKey->geometry(), panel->scaled(QRect(157, 468, 59, 42)));
    EXPECT_TRUE(panel->rect().contains(panel->unitKey->geometry()));
    // The red "No Connection" fits its place, and only the meter's outline belongs to the window.
    QLabel* nc = panel->noConnectionLabel;
    EXPECT_LE(nc->fontMetrics().horizontalAdvance(nc->text()), nc->width());
    EXPECT_FALSE(panel->mask().isEmpty());
    EXPECT_FALSE(panel->mask().contains(QPoint(1, 1)));
    EXPECT_TRUE(panel->mask().contains(panel->rect().center()));
    EXPECT_EQ(frameOf(panel)->mask(), panel->mask());
}

} // namespace test_window_layout
