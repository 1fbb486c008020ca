// The main window's part in the recording journal: the journal lives in the data folder's temp
// folder, a left-over one is offered back once the window is up, and saving the real-time graph
// removes it.
#include "chart/chart_widget.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "realtime/real_time_setup_dialog.h"
#include "realtime/recording_journal.h"
#include "shell/main_window.h"
#include "support/main_window_rig.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_recording_recovery_main {

struct MainJournal : MainWindowRig {
    QString journalPath = dir.filePath("Documents/QZ407/temp/RealTimeRecording.jnl");

    void SetUp() override { start(); }
    // A program start over the same folders, shown with its queued work (the recovery question) done.
    void start() {
        MainWindowRig::start();
        showMain();
    }
    journal::Contents journal() {
        const QByteArray bytes = readAll(journalPath);
        return journal::read({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
    }
};

TEST_F(MainJournal, ARecordingLeftByACrashIsOfferedAtTheNextStartAndGoesWhenSaved) {
    EXPECT_EQ(QDir::fromNativeSeparators(main->recorder().journalPath()), journalPath);
    tick(); // connected
    prompter.dialogHandler = [](QDialog& d) {
        dynamic_cast<RealTimeSetupDialog&>(d).sampleCountEdit->setText("   50");
        return int(QDialog::Accepted);
    };
    main->runAction->trigger();
    tick(20);
    const int taken = main->realTime().SampleCount;
    ASSERT_GE(taken, 4);
    EXPECT_EQ(journal().samples.size(), size_t(taken));
    // Yes to the save question, then a cancelled save dialog: nothing closes and the journal stays.
    prompter.answers = {Prompter::Yes};
    main->onExitClicked();
    ASSERT_EQ(prompter.questions, QStringList{"Save Real-Time Graph ?"});
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(QFile::exists(journalPath));

    // The program then ends without closing anything, as a crash or a kill would.
    prompter.questions.clear();
    prompter.answers = {Prompter::Yes};
    start();
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_TRUE(prompter.questions[0].startsWith("A real-time recording of "));
    EXPECT_TRUE(prompter.questions[0].endsWith(
        QStringLiteral(" (%1 samples) was not saved. Recover it?").arg(taken)));
    GraphWindow* realTime = main->recorder().window();
    ASSERT_NE(realTime, nullptr);
    EXPECT_EQ(realTime->chart->Points(), taken);
    EXPECT_EQ(main->realTime().SampleCount, taken);
    EXPECT_TRUE(QFile::exists(journalPath));

    prompter.files = {dir.filePath("recovered.ghf")};
    main->fileCommands().runSaveCommand(realTime);
    EXPECT_TRUE(QFile::exists(dir.filePath("recovered.ghf")));
    EXPECT_FALSE(QFile::exists(journalPath));
}

// E&xit after "No" to "Save Real-Time Graph ?": the user turned the recording down, so its journal
// goes as when the window is closed, and the next start asks nothing.
TEST_F(MainJournal, ExitAfterNoLeavesNoJournalBehind) {
    tick(); // connected
    prompter.dialogHandler = [](QDialog& d) {
        dynamic_cast<RealTimeSetupDialog&>(d).sampleCountEdit->setText("   50");
        return int(QDialog::Accepted);
    };
    main->runAction->trigger();
    tick(10);
    ASSERT_GE(main->realTime().SampleCount, 2);
    ASSERT_TRUE(QFile::exists(journalPath));
    prompter.answers = {Prompter::No};
    EXPECT_TRUE(main->onExitClicked());
    EXPECT_EQ(prompter.questions, QStringList{"Save Real-Time Graph ?"});
    EXPECT_FALSE(QFile::exists(journalPath));
    prompter.questions.clear();
    start();
    EXPECT_TRUE(prompter.questions.isEmpty());
}

TEST_F(MainJournal, NoJournalNoQuestion) {
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(main->realTime().SampleCount, 0);
}

} // namespace test_recording_recovery_main
