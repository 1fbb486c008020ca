#include "chart/chart_widget.h"
#include "files/open_save_choice_dialog.h"
#include "graph/graph_window.h"
#include "link/hid_meter_transport.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "live/panel_window.h"
#include "logger/data_set_pane.h"
#include "logger/memory_download.h"
#include "logger/table_window.h"
#include "platform/checked_save_file.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "support/main_window_rig.h"
#include "support/memory_images.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_main_window {

struct MainWindowTest : MainWindowRig {
    void SetUp() override { start(); }
};

TEST_F(MainWindowTest, StartUpOrderAndDefaults) {
    EXPECT_EQ(main->realTime().RealTimeRate, 2);
    EXPECT_EQ(main->graphShared().annoColor, 0u);
    EXPECT_FALSE(main->poll().pollTimer.isActive());
    EXPECT_TRUE(main->poll().flashTimer.isActive());
    EXPECT_EQ(main->poll().pollTimer.interval(), 500);
    EXPECT_FALSE(main->runAction->isEnabled());
    EXPECT_FALSE(main->outputToGraphButton->isEnabled());
    EXPECT_EQ(main->glyphs().loaded(), 25);

    showMain();
    EXPECT_TRUE(main->poll().pollTimer.isActive());
    EXPECT_EQ(main->statusText(1), "Off Connection");
    ASSERT_NE(main->panel(), nullptr);
    EXPECT_FALSE(main->panel()->noConnectionLabel->isHidden());
    EXPECT_EQ(main->dataFolderPath, QDir::toNativeSeparators(dir.filePath("Documents/QZ407/")));
    EXPECT_TRUE(QDir(dir.filePath("Documents/QZ407")).exists());
    EXPECT_EQ(main->runButton->toolTip(), "Start Graphing Real Time Data");
}

TEST_F(MainWindowTest, ShowUnitsIsOffAtFirstReachesOpenGraphsAndIsRemembered) {
    showMain();
    ASSERT_NE(main->showUnitsAction, nullptr);
    EXPECT_EQ(main->showUnitsAction->text(), "Show &Units");
    EXPECT_FALSE(main->showUnitsAction->isChecked());
    GraphWindow* graph = main->recorder().window();
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->unitLabels[0]->isHidden());
    main->showUnitsAction->trigger();
    EXPECT_TRUE(main->graphShared().showUnits);
    EXPECT_FALSE(graph->unitLabels[0]->isHidden());
    EXPECT_EQ(graph->chart->yAxisUnitTitles(), QStringList({"ppm", "%RH, °C"}));
    start(); // the next start remembers it
    EXPECT_TRUE(main->showUnitsAction->isChecked());
    EXPECT_TRUE(main->graphShared().showUnits);
}

TEST_F(MainWindowTest, ConnectionAndLossActions) {
    showMain();
    tick();
    EXPECT_EQ(main->statusText(1), "On Connection");
    EXPECT_TRUE(main->panel()->noConnectionLabel->isHidden());
    EXPECT_TRUE(main->runButton->isEnabled());
    EXPECT_FALSE(main->stopButton->isEnabled());
    EXPECT_TRUE(main->dataLoggerButton->isEnabled());
    // As during a recording: Stop enabled, something in the first status panel.
    main->stopButton->setEnabled(true);
    main->stopAction->setEnabled(true);
    main->statusBar()->findChildren<QLabel*>().first()->setText(QStringLiteral("recording"));
    ASSERT_EQ(main->statusText(0), "recording");
    meter.unplug();
    tick(2);
    EXPECT_EQ(main->statusText(1), "On Connection"); // two failed reads are not a loss
    tick();
    EXPECT_EQ(main->statusText(1), "No Connection");
    EXPECT_EQ(main->statusText(0), "");
    for (QAction* a : {main->runAction, main->stopAction})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    for (QToolButton* b : {main->runButton, main->stopButton, main->dataLoggerButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(main->dataLoggerMenu->isEnabled());
    EXPECT_FALSE(main->panel()->noConnectionLabel->isHidden());
}

TEST_F(MainWindowTest, PanelReopenedWhileConnectedHasNoConnectionLabelHidden) {
    showMain();
    tick();
    main->panel()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->panel(), nullptr);
    EXPECT_FALSE(main->controlPanelAction->isChecked());
    main->onControlPanelClicked();
    ASSERT_NE(main->panel(), nullptr);
    EXPECT_TRUE(main->controlPanelAction->isChecked());
    EXPECT_TRUE(main->panel()->noConnectionLabel->isHidden());
}

TEST_F(MainWindowTest, SettingsWrittenOnCloseButNotOnExit) {
    showMain();
    main->realTime().RealTimeRate = 7;
    main->graphShared().annoColor = 0x0000FF;
    main->onExitClicked();
    start();
    EXPECT_EQ(main->realTime().RealTimeRate, 2); // Exit wrote nothing
    showMain();
    main->realTime().RealTimeRate = 7;
    main->graphShared().annoColor = 0x0000FF;
    main->graphShared().limits = {{1000.0, 2000.0}, {60.0}, {26.0}, {79.0}};
    EXPECT_TRUE(main->close());
    EXPECT_FALSE(main->poll().pollTimer.isActive());
    start();
    EXPECT_EQ(main->realTime().RealTimeRate, 7);
    EXPECT_EQ(main->graphShared().annoColor, 0x0000FFu);
    EXPECT_EQ(main->graphShared().limits, (LimitValues{{1000.0, 2000.0}, {60.0}, {26.0}, {79.0}}));
}

TEST_F(MainWindowTest, AboutBoxShowsVersionAndOkButton) {
    QString version;
    bool okShown = false;
    prompter.dialogHandler = [&](QDialog& d) {
        auto& about = dynamic_cast<AboutBox&>(d);
        version = about.versionLabel->text();
        okShown = !about.okButton->isHidden();
        return 1;
    };
    main->onAboutClicked();
    EXPECT_EQ(version, "3.0.2.0");
    EXPECT_TRUE(okShown);
}

TEST_F(MainWindowTest, SetupDialogOpenedOnceAndRestored) {
    showMain();
    main->onSetupClicked();
    SetupDialog* first = main->setupDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Setup");
    first->showMinimized();
    main->onSetupClicked();
    EXPECT_EQ(main->setupDialog(), first);
    EXPECT_FALSE(first->isMinimized());
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->setupDialog(), nullptr);
}

TEST_F(MainWindowTest, DownloadFillsTheStoreAndTheNextTickProbesAfresh) {
    showMain();
    main->poll().pollTimer.stop();
    main->onLoadDataClicked();
    ASSERT_EQ(prompter.shown, QStringList{"There is no connection with meter !"});
    tick();
    ASSERT_TRUE(main->poll().Connected);
    main->onLoadDataClicked();
    EXPECT_FALSE(main->downloadRunning());
    ASSERT_NE(main->dataLoggerWindow(), nullptr);
    EXPECT_EQ(main->dataLoggerWindow()->windowTitle(), "DataLogger");
    EXPECT_EQ(main->dataSetStore().sets.size(), 4u);
    // The first set is on show, and the temporary image is in the data folder.
    EXPECT_EQ(main->dataLoggerWindow()->chart->Points(), main->dataSetStore().sets[0].recordCount);
    EXPECT_EQ(main->dataLoggerWindow()->sampleCountField->text().toInt(),
              main->dataSetStore().sets[0].recordCount);
    EXPECT_TRUE(QFileInfo::exists(main->dataFolderPath + "temp/DataSetsTemp.tmp"));
    EXPECT_TRUE(main->graphShared().downloadUnsaved);
    EXPECT_TRUE(main->dataSetStore().image.empty());
    EXPECT_EQ(prompter.shown.size(), 1); // no message after a good download
    EXPECT_FALSE(main->poll().Connected);
    EXPECT_TRUE(main->poll().pollTimer.isActive());
    EXPECT_EQ(main->statusText(1), "On Connection"); // unchanged until the next probe
    meter.clearLog();
    tick();
    EXPECT_EQ(meter.frames().front()[1], 'K');
    EXPECT_TRUE(main->poll().Connected);
}

// A second download whose image cannot replace the first one's temporary file: "save all data
// sets" must save the new sets, not the older file left behind.
TEST_F(MainWindowTest, ADownloadThatCannotKeepItsTemporaryImageIsStillTheOneSaved) {
    showMain();
    tick();
    main->onLoadDataClicked();
    const QString temp = main->dataFolderPath + "temp/DataSetsTemp.tmp";
    const QByteArray first = readAll(temp);
    ASSERT_FALSE(first.isEmpty());
    writeAll(temp, first.left(first.size() / 2)); // an older image that no longer matches
    const QByteArray older = readAll(temp);
    tick();
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    main->onLoadDataClicked();
    ASSERT_TRUE(main->graphShared().downloadUnsaved);
    EXPECT_EQ(readAll(temp), older);
    QTemporaryDir out;
    prompter.dialogHandler = [](QDialog& d) {
        auto* choice = qobject_cast<OpenSaveChoiceDialog*>(&d);
        if (!choice)
            return int(QDialog::Rejected);
        choice->collectionButton->click();
        return choice->result();
    };
    prompter.files = {out.filePath("all.407")};
    main->fileCommands().runSaveCommand(main->dataLoggerWindow()->parentWidget());
    EXPECT_EQ(readAll(out.filePath("all.407")), first);
    EXPECT_FALSE(main->graphShared().downloadUnsaved);
}

// A table window and the graph made from it carry the same caption; the Window menu tells them apart.
TEST_F(MainWindowTest, WindowMenuTellsATableFromItsGraph) {
    showMain();
    auto* table = new TableWindow;
    table->setWindowTitle("/data/walk.txt");
    main->mdiArea()->addSubWindow(table)->show();
    main->createGraphWindow("/data/walk.txt")->parentWidget()->show();
    emit main->windowMenu()->aboutToShow();
    QStringList texts;
    for (QAction* a : main->windowMenu()->actions())
        if (!a->isSeparator())
            texts << a->text();
    const QStringList walk = texts.filter("/data/walk.txt");
    ASSERT_EQ(walk.size(), 2) << texts.join('|').toStdString();
    EXPECT_TRUE(walk[0].endsWith(" /data/walk.txt")) << walk[0].toStdString();
    EXPECT_TRUE(walk[1].endsWith(" /data/walk.txt (graph)")) << walk[1].toStdString();
    EXPECT_EQ(texts.filter("Real-Time Graph").size(), 1); // a caption of its own stays as it is
    EXPECT_FALSE(texts.filter("Real-Time Graph").value(0).contains("(graph)"));
}

TEST_F(MainWindowTest, PrintUsesThePrinterChosenInPrinterSetup) {
    showMain();
    auto* table = new TableWindow;
    table->model().appendRow({"07/31/26", "14:05:09", "562", "45.1", "25.0"});
    main->mdiArea()->addSubWindow(table)->show();
    main->mdiArea()->setActiveSubWindow(main->mdiArea()->subWindowList().last());
    const QString pdf = dir.filePath("table.pdf");
    int dialogs = 0;
    prompter.dialogHandler = [&](QDialog&) {
        ++dialogs;
        return QDialog::Accepted;
    };
    main->onPrinterSetupClicked();
    main->printer().setOutputFormat(QPrinter::PdfFormat);
    main->printer().setOutputFileName(pdf);
    main->onPrintClicked();
    EXPECT_EQ(dialogs, 2);
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    // Cancel in the print dialog begins no document.
    QFile::remove(pdf);
    prompter.dialogHandler = [](QDialog&) { return QDialog::Rejected; };
    main->onPrintClicked();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// Quitting right after a download: the DataLogger window is asked before anything closes, and
// Cancel keeps every window; Exit asks the same.
TEST_F(MainWindowTest, QuittingAfterADownloadAsksFirstAndCancelKeepsEveryWindow) {
    showMain();
    tick();
    main->onLoadDataClicked();
    ASSERT_TRUE(main->graphShared().downloadUnsaved);
    const int children = int(main->mdiArea()->subWindowList().size());
    ASSERT_EQ(children, 3); // real-time graph, panel, DataLogger

    prompter.answers = {Prompter::Cancel};
    EXPECT_FALSE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(prompter.questions, QStringList{"Save DataLogger Data ?"});
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), children);
    EXPECT_NE(main->panel(), nullptr);
    EXPECT_NE(main->recorder().window(), nullptr);
    EXPECT_NE(main->dataLoggerWindow(), nullptr);
    EXPECT_TRUE(main->graphShared().downloadUnsaved);

    prompter.answers = {Prompter::Cancel};
    EXPECT_FALSE(main->onExitClicked());
    EXPECT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), children);

    // No: everything closes, each window asked once.
    prompter.answers = {Prompter::No};
    EXPECT_TRUE(main->close());
    EXPECT_EQ(prompter.questions.size(), 3);
    EXPECT_FALSE(main->graphShared().downloadUnsaved);
}

TEST_F(MainWindowTest, CancelOnTheRealTimeQuestionKeepsThePanelAndTheDataLogger) {
    showMain();
    tick();
    main->onLoadDataClicked();
    // The real-time graph reopened, so it comes after the panel and the DataLogger window.
    main->recorder().window()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->realTimeGraphAction->trigger();
    ASSERT_NE(main->recorder().window(), nullptr);
    main->realTime().Unsaved = true;

    prompter.answers = {Prompter::No, Prompter::Cancel};
    EXPECT_FALSE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(prompter.questions, QStringList({"Save DataLogger Data ?", "Save Real-Time Graph ?"}));
    EXPECT_NE(main->panel(), nullptr);
    EXPECT_NE(main->dataLoggerWindow(), nullptr);
    EXPECT_NE(main->recorder().window(), nullptr);
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 3);
    EXPECT_TRUE(main->graphShared().downloadUnsaved); // No was answered, but nothing closed
    EXPECT_TRUE(main->poll().pollTimer.isActive());
}

// Clicks that arrive while the download pumps messages: Open, Save, Output Tabular to graph,
// closing the DataLogger window, closing the program, Exit, Print, Printer Setup and About are
// all refused with a message, and
// the download ends with every set of the meter.
TEST_F(MainWindowTest, CommandsThatWouldChangeWhatADownloadFillsWaitForItsEnd) {
    showMain();
    tick();
    writeAll(dir.filePath("two.407"), bytesOf(collectionImage(2, 3)));
    prompter.files = {dir.filePath("two.407")};
    prompter.dialogHandler = [](QDialog&) { return int(OpenSaveChoiceDialog::ResultOk); };
    auto* table = new TableWindow;
    table->model().appendRow({"07/31/26", "14:05:09", "562", "45.1", "25.0"});
    QMdiSubWindow* tableSub = main->mdiArea()->addSubWindow(table);
    tableSub->show();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        main->openAction->trigger();
        main->mdiArea()->setActiveSubWindow(tableSub);
        main->saveAction->trigger();
        main->onOutputToGraphClicked();
        main->dataLoggerWindow()->parentWidget()->close();
        EXPECT_FALSE(main->close());
        EXPECT_FALSE(main->onExitClicked());
        // Modal dialogs would pause the download: Print, Printer Setup and About wait too.
        main->printAction->trigger();
        main->printerSetupAction->trigger();
        main->aboutAction->trigger();
    });
    const int windows = int(main->mdiArea()->subWindowList().size());
    main->onLoadDataClicked();
    ASSERT_TRUE(ran);
    EXPECT_EQ(prompter.shown.count(GraphWindow::kDownloadRunning), 9)
        << prompter.shown.join('|').toStdString();
    EXPECT_EQ(prompter.files.size(), 1u); // the collection was never asked for
    EXPECT_EQ(main->dataSetStore().sets.size(), 4u);
    ASSERT_NE(main->dataLoggerWindow(), nullptr);
    EXPECT_EQ(dataSetPaneOf(*main->dataLoggerWindow())->setCount(), 4);
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), windows + 1); // the DataLogger window, no graph
    EXPECT_TRUE(main->graphShared().downloadUnsaved);
    EXPECT_FALSE(main->downloadRunning());

    // Once it has ended, Open works again.
    main->openAction->trigger();
    EXPECT_TRUE(prompter.files.empty());
    EXPECT_EQ(main->dataSetStore().sets.size(), 2u);
}

// The temporary folder cannot be made after a download: the pane lists what the store holds, the
// unsaved flag goes with it, the folder's path is shown, and saving all data sets saves them.
TEST_F(MainWindowTest, TemporaryFolderFailureListsTheStoreAndSavesWhatIsListed) {
    showMain();
    tick();
    main->onLoadDataClicked();
    ASSERT_EQ(dataSetPaneOf(*main->dataLoggerWindow())->setCount(), 4);
    main->graphShared().downloadUnsaved = false; // saved, say

    meter.setMemory(collectionImage(2, 3));
    meter.setReportedSize(uint32_t(collectionImage(2, 3).size()));
    const QString temp = main->dataFolderPath + "temp";
    ASSERT_TRUE(QDir(temp).removeRecursively());
    writeAll(temp, "a file where the folder should be");
    tick();
    ASSERT_TRUE(main->poll().Connected);
    prompter.shown.clear();
    main->onLoadDataClicked();
    EXPECT_EQ(prompter.shown, QStringList{QDir::toNativeSeparators(temp)});
    EXPECT_EQ(main->dataSetStore().sets.size(), 2u);
    EXPECT_EQ(dataSetPaneOf(*main->dataLoggerWindow())->setCount(), 2);
    EXPECT_TRUE(main->graphShared().downloadUnsaved);

    const QString saved = dir.filePath("saved.407");
    prompter.files = {saved};
    prompter.dialogHandler = [](QDialog&) { return int(OpenSaveChoiceDialog::ResultOk); };
    main->mdiArea()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow*>(main->dataLoggerWindow()->parentWidget()));
    main->saveAction->trigger();
    const auto total = std::ptrdiff_t(totalBytesFor(meter.reportedSize()));
    EXPECT_EQ(readAll(saved), bytesOf(MemoryImage(meter.memory().begin(), meter.memory().begin() + total)));
    EXPECT_FALSE(main->graphShared().downloadUnsaved);
}

// A meter that frames its USB reports otherwise than we assume: the program stays "Off
// Connection", refuses the setup operations, and nothing but probes reaches the meter.
TEST(MainWindowOverHid, WrongReportFramingFailsSafe) {
    QTemporaryDir dir;
    ManualClock clock;
    SimulatedMeter meter(clock);
    SimulatedHidBackend backend(meter, clock);
    backend.rawReplies = true;
    HidMeterTransport transport(backend);
    ScriptedPrompter prompter;
    Settings settings(dir.filePath("qz407.ini"));
    MainWindow main(transport, clock, prompter, settings);
    main.documentsOverride = dir.filePath("Documents");
    main.show();
    QCoreApplication::processEvents();
    const std::vector<uint8_t> memory = meter.memory();
    for (int i = 0; i < 6; ++i) {
        clock.advance(500);
        main.poll().onPollTimer();
    }
    EXPECT_EQ(main.statusText(1), "Off Connection");
    EXPECT_FALSE(main.poll().Connected);
    EXPECT_FALSE(main.dataLoggerButton->isEnabled() && main.poll().Connected);
    main.onSetupClicked();
    ASSERT_NE(main.setupDialog(), nullptr);
    main.setupDialog()->onSetupAllClicked(); // "Setup All"
    main.onLoadDataClicked();
    EXPECT_EQ(prompter.shown, QStringList(2, "There is no connection with meter !"));
    for (const auto& f : meter.frames())
        EXPECT_EQ(f[1], 'K');
    EXPECT_TRUE(meter.writtenBlocks().empty());
    meter.update();
    EXPECT_EQ(meter.memory(), memory);
}

} // namespace test_main_window
