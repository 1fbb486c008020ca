// The recording journal in use: what a recording writes into it, when it goes, and a recording
// offered back and restored at the next start.
#include "graph/graph_statistics.h"
#include "realtime/recorder_rig.h"
#include "realtime/recording_recovery.h"
#include "support/small_file_system.h"
#include "support/test_helpers.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_recording_recovery {

// Everything a stopped recording shows: the points, the fields and the scale.
struct Shown {
    std::vector<double> xs, ys;
    QStringList fields;
    int points = 0;
    double xMin = 0.0, xMax = 0.0;
    std::vector<double> axes;
    bool operator==(const Shown&) const = default;
};

Shown shown(RecorderRig& rig) {
    Shown s;
    ChartWidget& chart = rig.chart();
    s.points = chart.Points();
    for (int c = 0; c < 3; ++c) {
        for (int p = 0; p < chart.Points(); ++p) {
            s.xs.push_back(chart.XDataII(c, p));
            s.ys.push_back(chart.YDataII(c, p));
        }
        s.fields << rig.w().maxField(c)->text() << rig.w().minField(c)->text() << rig.w().avgField(c)->text();
    }
    s.fields << rig.w().startTimeField->text() << rig.w().sampleCountField->text();
    s.xMin = chart.ManualMinX();
    s.xMax = chart.ManualMaxX();
    for (int a = 0; a < 2; ++a) {
        chart.setWorkingAxis(a);
        s.axes.insert(s.axes.end(),
                      {double(chart.ManualScaleControlY()), chart.ManualMinY(), chart.ManualMaxY()});
    }
    chart.setWorkingAxis(0);
    return s;
}

journal::Contents readJournal(const QString& path) {
    const QByteArray bytes = readAll(path);
    return journal::read({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
}

struct JournalTest : ::testing::Test, RecorderRig {
    QTemporaryDir dataDir;
    QString path = RecordingJournal::pathIn(dataDir.path() + '/');

    JournalTest() { recorder.setJournalPath(path); }

    // Samples whose values all differ, with a high ppm and over- and under-range readings among them.
    void varied(int n) {
        for (int k = state.SampleCount; k < n; ++k) {
            value = {k == 3 ? 3500.0f : 700.0f + 7.0f * float(k % 11), 40.0f + 0.5f * float(k % 9),
                     21.0f - 0.25f * float(k % 5)};
            meter.setForcedRangeFlags(k == 5 ? 0x01 : k == 8 ? 0x02 | 0x08 : 0);
            samples(k + 1);
        }
        meter.setForcedRangeFlags(0);
    }
};

// The next program start: a recorder of its own over the same data folder, once `previous` has
// ended (its hold on the journal's place is gone, as with a crash).
struct NextStart : RecorderRig {
    NextStart(RecorderRig& previous, const QString& path) {
        previous.recorder.setJournalPath({});
        EXPECT_TRUE(recorder.setJournalPath(path));
    }
};

TEST_F(JournalTest, HoldsEverySampleOfARecording) {
    run("   40", 0, 1);
    varied(40); // then the recording stops by itself
    ASSERT_FALSE(state.Running);
    const journal::Contents c = readJournal(path);
    ASSERT_EQ(c.status, journal::ReadStatus::Ok);
    EXPECT_EQ(w().startTimeField->text(), graphstats::formatDateTime(c.header.startTime));
    EXPECT_EQ(c.header.xMin, chart().ManualMinX());
    EXPECT_EQ(c.header.rate, 1);
    EXPECT_EQ(c.header.countLimit, 40);
    EXPECT_NEAR(c.header.extendStep / kSecond, 10.0, 1e-6);
    EXPECT_EQ(c.header.axes[0], (journal::AxisSetup{pe::sgManualMinAndMax, 0.0, 10000.0}));
    EXPECT_EQ(c.header.axes[1], (journal::AxisSetup{pe::sgManualMinAndMax, -50.0, 100.0}));
    ASSERT_EQ(c.samples.size(), 40u);
    for (int p = 0; p < 40; ++p) {
        const journal::Sample& s = c.samples[size_t(p)];
        ASSERT_EQ(s.x, x(p)) << p;
        const uint8_t flags = p == 5 ? 0x01 : p == 8 ? 0x0A : 0;
        EXPECT_EQ(s.rangeFlags, flags) << p;
        if (flags == 0) {
            EXPECT_EQ(float(s.ppm), chart().YData(0, p)) << p;
            EXPECT_EQ(s.humidity, chart().YData(1, p)) << p;
            EXPECT_EQ(s.temperature, chart().YData(2, p)) << p;
        }
    }
    EXPECT_EQ(c.samples[3].ppm, 3500);
    EXPECT_EQ(c.stopTime, chart().ManualMaxX());
}

TEST_F(JournalTest, RecoveryRestoresTheChartAStopWouldHaveShown) {
    run(" 2000");
    varied(30);
    const QByteArray crashed = readAll(path); // as a crash would have left it
    clock.advance(1300);
    recorder.onStopClicked();
    const Shown stopped = shown(*this);
    ASSERT_EQ(stopped.points, 30);

    NextStart next(*this, path);
    next.prompter.answers = {Prompter::Yes};
    next.recorder.offerRecovery();
    ASSERT_EQ(next.prompter.questions.size(), 1);
    EXPECT_EQ(next.prompter.questions[0], "A real-time recording of " + w().startTimeField->text() +
                                              " (30 samples) was not saved. Recover it?");
    EXPECT_EQ(shown(next), stopped);
    EXPECT_FALSE(next.state.Running);
    EXPECT_TRUE(next.state.Unsaved);
    EXPECT_EQ(next.state.SampleCount, 30);
    EXPECT_EQ(next.state.RunningMax, state.RunningMax);
    EXPECT_EQ(next.state.RunningMin, state.RunningMin);
    EXPECT_TRUE(next.runEnabled);
    EXPECT_FALSE(next.stopEnabled);
    EXPECT_TRUE(next.w().clearButton->isEnabled());
    EXPECT_TRUE(QFile::exists(path)); // still not saved

    // Cut off by a crash: the same, except that the scale ends at the last sample.
    QTemporaryDir otherDir;
    const QString crashPath = RecordingJournal::pathIn(otherDir.path() + '/');
    QDir().mkpath(QFileInfo(crashPath).absolutePath());
    writeAll(crashPath, crashed);
    NextStart afterCrash(next, crashPath);
    afterCrash.prompter.answers = {Prompter::Yes};
    afterCrash.recorder.offerRecovery();
    Shown recovered = shown(afterCrash);
    EXPECT_EQ(recovered.xMax, x(29));
    recovered.xMax = stopped.xMax;
    EXPECT_EQ(recovered, stopped);
}

TEST_F(JournalTest, RecoveryPutsBackTheRecordingsRateAndScales) {
    run("   10", 0, 5);
    chart().setWorkingAxis(1); // as the Y-axis dialog leaves it
    chart().setManualMinY(-20);
    chart().setWorkingAxis(0);
    setUnit(true);
    prompter.answers = {Prompter::No};
    run("   10", 0, 5); // the journal takes the scales and the unit as they are at Run
    samples(2);
    NextStart next(*this, path); // its meter shows Celsius: the unit comes from the journal
    next.prompter.answers = {Prompter::Yes};
    next.recorder.offerRecovery();
    EXPECT_TRUE(next.w().temperatureFahrenheit());
    EXPECT_EQ(next.state.RealTimeRate, 5);
    EXPECT_EQ(next.w().secondsBox->currentText(), "05");
    next.chart().setWorkingAxis(1);
    EXPECT_EQ(next.chart().ManualMinY(), -20.0);
}

TEST_F(JournalTest, GoesAfterSaveClearNewRunAndNo) {
    run("   20");
    samples(3);
    recorder.recordingSaved(); // saved while recording: later samples still need it
    EXPECT_TRUE(QFile::exists(path));
    recorder.onStopClicked();
    recorder.recordingSaved();
    EXPECT_FALSE(QFile::exists(path)) << "saved";

    prompter.answers = {Prompter::No};
    run("   20");
    samples(2);
    recorder.onStopClicked();
    prompter.answers = {Prompter::No};
    recorder.onClearClicked();
    EXPECT_FALSE(QFile::exists(path)) << "cleared";

    run("   20");
    samples(2);
    recorder.onStopClicked();
    const double firstStart = readJournal(path).header.startTime;
    prompter.answers = {Prompter::No};
    run("   20");
    const journal::Contents fresh = readJournal(path);
    EXPECT_GT(fresh.header.startTime, firstStart) << "a new Run replaces it";
    EXPECT_TRUE(fresh.samples.empty());

    samples(2);
    prompter.answers = {Prompter::No}; // "Save Real-Time Graph ?" on close
    w().close();
    EXPECT_FALSE(QFile::exists(path)) << "closed with No";

    // Yes, but the save did not happen (cancelled): the samples are still only in the journal.
    recorder.showRealTimeGraph();
    run("   20");
    samples(2);
    prompter.answers = {Prompter::Yes};
    w().close();
    const journal::Contents kept = readJournal(path);
    EXPECT_EQ(kept.samples.size(), 2u);
    EXPECT_TRUE(kept.stopTime.has_value());
}

TEST_F(JournalTest, AStrangeOrDamagedJournalIsSetAsideWithAMessage) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeAll(path, "not a journal at all");
    recorder.offerRecovery();
    EXPECT_TRUE(prompter.questions.isEmpty());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0], "The real-time recording journal \"" + QDir::toNativeSeparators(path) +
                                     "\" cannot be recovered: it is not a recording journal of this program. "
                                     "It has been set aside as \"" +
                                     QDir::toNativeSeparators(path + ".damaged") + "\".");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(readAll(path + ".damaged"), "not a journal at all");

    run("   20");
    samples(2);
    QByteArray damaged = readAll(path);
    damaged[30] = char(damaged[30] ^ 0x10);
    writeAll(path, damaged);
    NextStart next(*this, path);
    next.recorder.offerRecovery();
    ASSERT_EQ(next.prompter.shown.size(), 1);
    EXPECT_TRUE(next.prompter.shown[0].contains("header is damaged"));
    EXPECT_EQ(readAll(path + ".damaged-2"), damaged);
    EXPECT_EQ(next.state.SampleCount, 0);
    EXPECT_EQ(next.chart().Points(), 100);
}

TEST_F(JournalTest, DeclinedOrEmptyJournalsAreDeleted) {
    run("   20");
    NextStart beforeAnySample(*this, path);
    beforeAnySample.recorder.offerRecovery();
    EXPECT_TRUE(beforeAnySample.prompter.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    beforeAnySample.recorder.setJournalPath({});
    ASSERT_TRUE(recorder.setJournalPath(path));

    prompter.answers = {Prompter::No}; // "There are datas ..."
    run("   20");
    samples(4);
    NextStart declined(*this, path);
    declined.prompter.answers = {Prompter::No};
    declined.recorder.offerRecovery();
    EXPECT_EQ(declined.prompter.questions.size(), 1);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(declined.state.SampleCount, 0);
    EXPECT_FALSE(declined.state.Unsaved);
}

TEST_F(JournalTest, AJournalInUseByAnotherRunningProgramIsLeftAlone) {
    run("   20");
    samples(3);
    RecorderRig second; // a second copy of the program, started while this one records
    EXPECT_FALSE(second.recorder.setJournalPath(path));
    second.recorder.offerRecovery();
    EXPECT_TRUE(second.prompter.shown.isEmpty());
    second.run("   20");
    // The second copy records without a journal, and says so at Run and in its window.
    const QString why =
        "This recording is not protected against a crash: another running QZ407 program keeps "
        "its recording journal in " +
        QDir::toNativeSeparators(QFileInfo(path).absolutePath()) + ".";
    EXPECT_EQ(second.prompter.shown, QStringList{why});
    EXPECT_FALSE(second.w().journalWarningLabel->isHidden());
    EXPECT_EQ(second.w().journalWarningLabel->text(), why);
    second.samples(2);
    EXPECT_EQ(second.state.SampleCount, 2);
    samples(5);
    EXPECT_EQ(readJournal(path).samples.size(), 5u); // only this program's samples
    EXPECT_TRUE(w().journalWarningLabel->isHidden());
}

TEST_F(JournalTest, DamagedRecordsAreLeftOutAndTheRestRecovered) {
    run("   20");
    samples(10);
    const auto recordAt = [](int i) { return journal::kHeaderSize + i * journal::kRecordSize; };
    QByteArray bytes = readAll(path);
    bytes[recordAt(0) + 13] = char(bytes[recordAt(0) + 13] ^ 0x10); // the first sample
    bytes[recordAt(6) + 17] = char(bytes[recordAt(6) + 17] ^ 0x01); // a middle one
    NextStart next(*this, path);
    writeAll(path, bytes);
    next.prompter.answers = {Prompter::Yes};
    next.recorder.offerRecovery();
    ASSERT_EQ(next.prompter.questions.size(), 1);
    EXPECT_EQ(next.prompter.questions[0], "A real-time recording of " + w().startTimeField->text() +
                                              " (8 samples; 2 damaged samples are left out) was not saved. "
                                              "Recover it?");
    EXPECT_EQ(next.state.SampleCount, 8);
    EXPECT_EQ(next.x(0), x(1));
    EXPECT_EQ(next.x(5), x(7));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(JournalTest, AJournalWhoseEverySampleIsDamagedIsSetAsideNotDeleted) {
    run("   20");
    samples(2);
    QByteArray bytes = readAll(path);
    for (int i = 0; i < 2; ++i)
        bytes[journal::kHeaderSize + i * journal::kRecordSize + 13] ^= 0x10;
    bytes += journal::encodeStop(2, x(1));
    NextStart next(*this, path);
    writeAll(path, bytes);
    next.recorder.offerRecovery();
    EXPECT_TRUE(next.prompter.questions.isEmpty());
    ASSERT_EQ(next.prompter.shown.size(), 1);
    EXPECT_TRUE(next.prompter.shown[0].contains("every one of its samples is damaged."));
    EXPECT_EQ(readAll(path + ".damaged"), bytes);
}

// A temp folder that cannot be written at start-up (read-only, or a full disk): the journal left
// there is still offered, recovered into memory, and left in place.
TEST(JournalPlace, AReadOnlyTempFolderStillOffersTheJournal) {
    SmallFileSystem disk(256);
    if (!disk.available())
        GTEST_SKIP() << SmallFileSystem::skipReason();
    const QString path = RecordingJournal::pathIn(disk.path() + '/');
    RecorderRig first;
    first.recorder.setJournalPath(path);
    first.run("   20");
    first.samples(6);
    first.recorder.setJournalPath({}); // the program ends without saving
    ASSERT_TRUE(disk.setReadOnly(true));
    RecorderRig next;
    EXPECT_FALSE(next.recorder.setJournalPath(path));
    next.prompter.answers = {Prompter::Yes};
    next.recorder.offerRecovery();
    ASSERT_EQ(next.prompter.questions.size(), 1);
    EXPECT_EQ(next.state.SampleCount, 6);
    ASSERT_EQ(next.prompter.shown.size(), 2); // the question, then what became of the journal
    const QString said = next.prompter.shown[1];
    EXPECT_EQ(said, "The recovered recording is only in memory: the recording journal cannot be created in " +
                        QDir::toNativeSeparators(QFileInfo(path).absolutePath()) +
                        " (Read-only file system). Its journal stays in " + QDir::toNativeSeparators(path) +
                        " until there is room to save the recording.");
    EXPECT_TRUE(QFile::exists(path));
    disk.setReadOnly(false);
}

TEST(JournalPlace, ADiskFillingDuringTheRecordingIsSaidAndTheRecordingGoesOn) {
    SmallFileSystem disk(128);
    if (!disk.available())
        GTEST_SKIP() << SmallFileSystem::skipReason();
    const QString path = RecordingJournal::pathIn(disk.path() + '/');
    RecorderRig rig;
    ASSERT_TRUE(rig.recorder.setJournalPath(path));
    rig.run("  300");
    rig.samples(3);
    EXPECT_TRUE(rig.w().journalWarningLabel->isHidden());
    // Full: the records still fit into the journal's last page until it is used up.
    disk.fill();
    rig.samples(160);
    EXPECT_EQ(rig.state.SampleCount, 160);
    EXPECT_TRUE(rig.state.Running);
    EXPECT_FALSE(rig.w().journalWarningLabel->isHidden());
    EXPECT_TRUE(rig.w().journalWarningLabel->text().contains("No space left on device"))
        << rig.w().journalWarningLabel->text().toStdString();
    EXPECT_TRUE(rig.prompter.shown.isEmpty()); // a word in the window, no box in the middle of a recording
    disk.empty();
    const std::size_t kept = readJournal(path).samples.size(); // what was written before stays readable
    EXPECT_GE(kept, 3u);
    EXPECT_LT(kept, 160u);
}

TEST(RecoveryQuestion, StartTimeInTheLocalesShortDateAndLongTime) {
    journal::Contents c;
    c.header.startTime = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));
    c.samples.resize(1234);
    {
        LocaleGuard english("en_US");
        EXPECT_EQ(recoveryQuestion(c).toStdString(),
                  "A real-time recording of 7/31/26 2:05:09 PM (1234 samples) was not "
                  "saved. Recover it?");
    }
    LocaleGuard german("de_DE");
    EXPECT_EQ(recoveryQuestion(c).toStdString(),
              "A real-time recording of 31.07.26 14:05:09 (1234 samples) was not saved. "
              "Recover it?");
}

} // namespace test_recording_recovery
