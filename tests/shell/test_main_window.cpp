#include "graph/pes_graph.h"
#include "link/simulated_meter.h"
#include "live/tfrm_panel.h"
#include "logger/tfrm_list.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "shell/tfrm_about.h"
#include "shell/tfrm_main.h"
#include "support/scripted_prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct MainWindowTest : ::testing::Test {
    QTemporaryDir dir;
    ManualClock clock;
    SimulatedMeter meter{clock};
    ScriptedPrompter prompter;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<TfrmMain> main;

    void SetUp() override { start(); }
    void start() {
        main.reset();
        settings = std::make_unique<Settings>(dir.filePath("qz407.ini"));
        main = std::make_unique<TfrmMain>(meter, clock, prompter, *settings);
        main->documentsOverride = dir.filePath("Documents");
    }
    void showMain() {
        main->show();
        QCoreApplication::processEvents();
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.advance(500);
            main->poll().MainTimerTimer();
        }
    }
};

TEST_F(MainWindowTest, StartUpOrderAndDefaults) {
    EXPECT_EQ(main->realTime().RealTimeRate, 2);
    EXPECT_EQ(main->graphShared().annoColor, 0u);
    EXPECT_FALSE(main->poll().MainTimer.isActive());
    EXPECT_TRUE(main->poll().MaxMinTimer.isActive());
    EXPECT_EQ(main->poll().MainTimer.interval(), 500);
    EXPECT_FALSE(main->Run1->isEnabled());
    EXPECT_FALSE(main->btnOutputToGraph->isEnabled());
    EXPECT_EQ(main->glyphs().loaded(), 25);

    showMain();
    EXPECT_TRUE(main->poll().MainTimer.isActive());
    EXPECT_EQ(main->statusText(1), "Off Connection");
    ASSERT_NE(main->panel(), nullptr);
    EXPECT_FALSE(main->panel()->lblNoConnection->isHidden());
    EXPECT_EQ(main->DataFolder, QDir::toNativeSeparators(dir.filePath("Documents/QZ407/")));
    EXPECT_TRUE(QDir(dir.filePath("Documents/QZ407")).exists());
    EXPECT_EQ(main->btnRun->toolTip(), "Start Graphing Real Time Data");
}

TEST_F(MainWindowTest, ConnectionAndLossActions) {
    showMain();
    tick();
    EXPECT_EQ(main->statusText(1), "On Connection");
    EXPECT_TRUE(main->panel()->lblNoConnection->isHidden());
    EXPECT_TRUE(main->btnRun->isEnabled());
    EXPECT_FALSE(main->btnStop->isEnabled());
    EXPECT_TRUE(main->btnDataLogger->isEnabled());
    meter.unplug();
    tick(3);
    EXPECT_EQ(main->statusText(1), "No Connection");
    EXPECT_FALSE(main->btnRun->isEnabled());
    EXPECT_FALSE(main->btnDataLogger->isEnabled());
    EXPECT_FALSE(main->panel()->lblNoConnection->isHidden());
}

TEST_F(MainWindowTest, PanelReopenedWhileConnectedHasNoConnectionLabelHidden) {
    showMain();
    tick();
    main->panel()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->panel(), nullptr);
    EXPECT_FALSE(main->ControlPanel1->isChecked());
    main->ControlPanel1Click();
    ASSERT_NE(main->panel(), nullptr);
    EXPECT_TRUE(main->ControlPanel1->isChecked());
    EXPECT_TRUE(main->panel()->lblNoConnection->isHidden());
}

TEST_F(MainWindowTest, SettingsWrittenOnCloseButNotOnExit) {
    showMain();
    main->realTime().RealTimeRate = 7;
    main->graphShared().annoColor = 0x0000FF;
    main->Exit1Click();
    start();
    EXPECT_EQ(main->realTime().RealTimeRate, 2); // Exit wrote nothing
    showMain();
    main->realTime().RealTimeRate = 7;
    main->graphShared().annoColor = 0x0000FF;
    EXPECT_TRUE(main->close());
    EXPECT_FALSE(main->poll().MainTimer.isActive());
    start();
    EXPECT_EQ(main->realTime().RealTimeRate, 7);
    EXPECT_EQ(main->graphShared().annoColor, 0x0000FFu);
}

TEST_F(MainWindowTest, AboutBoxShowsVersionAndOkButton) {
    QString version;
    bool okShown = false;
    prompter.dialogHandler = [&](QDialog& d) {
        auto& about = dynamic_cast<TfrmAbout&>(d);
        version = about.Label2->text();
        okShown = !about.BitBtn1->isHidden();
        return 1;
    };
    main->About1Click();
    EXPECT_EQ(version, "3.0.2.0");
    EXPECT_TRUE(okShown);
}

TEST_F(MainWindowTest, SetupDialogOpenedOnceAndRestored) {
    showMain();
    main->Setup1Click();
    TfrmSetup* first = main->setupDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Setup");
    first->showMinimized();
    main->Setup1Click();
    EXPECT_EQ(main->setupDialog(), first);
    EXPECT_FALSE(first->isMinimized());
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->setupDialog(), nullptr);
}

TEST_F(MainWindowTest, DownloadFillsTheStoreAndTheNextTickProbesAfresh) {
    showMain();
    main->poll().MainTimer.stop();
    main->LoadData1Click();
    ASSERT_EQ(prompter.shown, QStringList{"There is no connection with meter !"});
    tick();
    ASSERT_TRUE(main->poll().Connected);
    main->LoadData1Click();
    EXPECT_FALSE(main->downloadRunning());
    ASSERT_NE(main->dataLoggerWindow(), nullptr);
    EXPECT_EQ(main->dataLoggerWindow()->windowTitle(), "DataLogger");
    EXPECT_EQ(main->dataSetStore().sets.size(), 4u);
    // The first set is on show, and the temporary image is in the data folder.
    EXPECT_EQ(main->dataLoggerWindow()->PESGraph1->Points(), main->dataSetStore().sets[0].recordCount);
    EXPECT_EQ(main->dataLoggerWindow()->txtDataNo->text().toInt(), main->dataSetStore().sets[0].recordCount);
    EXPECT_TRUE(QFileInfo::exists(main->DataFolder + "temp/DataSetsTemp.tmp"));
    EXPECT_TRUE(main->graphShared().downloadUnsaved);
    EXPECT_TRUE(main->dataSetStore().image.empty());
    EXPECT_EQ(prompter.shown.size(), 1); // no message after a good download
    EXPECT_FALSE(main->poll().Connected);
    EXPECT_TRUE(main->poll().MainTimer.isActive());
    EXPECT_EQ(main->statusText(1), "On Connection"); // unchanged until the next probe
    meter.clearLog();
    tick();
    EXPECT_EQ(meter.frames().front()[1], 'K');
    EXPECT_TRUE(main->poll().Connected);
}

TEST_F(MainWindowTest, PrintUsesThePrinterChosenInPrinterSetup) {
    showMain();
    auto* table = new TfrmList;
    table->model().appendRow({"07/31/26", "14:05:09", "562", "45.1", "25.0"});
    main->mdiArea()->addSubWindow(table)->show();
    main->mdiArea()->setActiveSubWindow(main->mdiArea()->subWindowList().last());
    const QString pdf = dir.filePath("table.pdf");
    int dialogs = 0;
    prompter.dialogHandler = [&](QDialog&) {
        ++dialogs;
        return QDialog::Accepted;
    };
    main->PrinterSetup1Click();
    main->printer().setOutputFormat(QPrinter::PdfFormat);
    main->printer().setOutputFileName(pdf);
    main->btnPrintClick();
    EXPECT_EQ(dialogs, 2);
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    // Cancel in the print dialog begins no document.
    QFile::remove(pdf);
    prompter.dialogHandler = [](QDialog&) { return QDialog::Rejected; };
    main->btnPrintClick();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}
