#include "realtime/real_time_period.h"
#include "realtime/real_time_setup_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_setup_real_time {

using namespace realtime;

TEST(RealTimePeriod, FormatsOfTheDialogAndOfRun) {
    // 2000 samples at 00:02.
    const qint64 p = recordingPeriodSeconds(InitialRealTimeCount, rateSeconds(0, 2));
    EXPECT_EQ(p, 4000);
    EXPECT_EQ(formatRecordingPeriod(p), "1:06:40");
    EXPECT_EQ(formatRunPeriod(p), "1:6:40");
    // The largest count at 60:60 (3660 s).
    const qint64 largest = recordingPeriodSeconds(MaxRealTimeCount, rateSeconds(60, 60));
    EXPECT_EQ(largest, 365996340);
    EXPECT_EQ(formatRecordingPeriod(largest), "101665:39:00");
    EXPECT_EQ(formatRunPeriod(largest), "101665:39:0");
    EXPECT_EQ(formatRecordingPeriod(0), "0:00:00");
    EXPECT_EQ(formatRunPeriod(0), "0:0:0");
    EXPECT_EQ(formatRecordingPeriod(59), "0:00:59");
    EXPECT_EQ(formatRunPeriod(3600 * 12 + 61), "12:1:1");
}

TEST(RealTimePeriod, CountTextIsFiveDigitsAtMost) {
    EXPECT_EQ(parseRealTimeCount(" 2000"), 2000);
    EXPECT_EQ(parseRealTimeCount("99999"), 99999);
    EXPECT_EQ(parseRealTimeCount("    0"), 0);
    EXPECT_EQ(parseRealTimeCount("00012"), 12);
    for (const char* bad : {"", "     ", "12 34", "-5", "+5", "1e3", "abc", "100000", "99999999999", "$FF"})
        EXPECT_FALSE(parseRealTimeCount(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(alignRealTimeCount("2000"), " 2000");
    EXPECT_EQ(alignRealTimeCount(" 12  "), "   12");
    EXPECT_EQ(alignRealTimeCount("1 2"), "1 2");
}

struct SetupRealTimeDialog : ::testing::Test {
    RealTimeSetupDialog dlg;

    // Picks an item the way the user does: opens nothing, moves through the list with the keys.
    static void choose(QComboBox* box, int index) {
        box->setFocus();
        const int steps = index - box->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(box, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    void typeCount(const QString& text) {
        dlg.sampleCountEdit->selectAll();
        QTest::keyClick(dlg.sampleCountEdit, Qt::Key_Delete);
        QTest::keyClicks(dlg.sampleCountEdit, text);
    }
};

TEST_F(SetupRealTimeDialog, OpensWithItsTextsAndInitialValues) {
    EXPECT_EQ(dlg.windowTitle(), "Real-Time Setup");
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dlg.countText(), " 2000");
    EXPECT_EQ(dlg.minutesBox->count(), 61);
    EXPECT_EQ(dlg.minutesBox->itemText(0), "00");
    EXPECT_EQ(dlg.secondsBox->itemText(60), "60");
    EXPECT_EQ(dlg.minutesBox->currentText(), "00");
    EXPECT_EQ(dlg.secondsBox->currentText(), "02");
    EXPECT_EQ(dlg.periodText(), "");
    EXPECT_TRUE(dlg.periodField->isReadOnly());
    EXPECT_FALSE(dlg.periodField->isEnabled()); // on a disabled panel
    EXPECT_EQ(dlg.startButton->text(), "Start");
    EXPECT_EQ(dlg.cancelButton->text(), "Cancel");
    QStringList labels;
    for (auto* l : dlg.findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"Real-Time data no to be recorded", "(Adjust the number to meet your need)",
                             "Real -Time Sampling Rate", "mm:ss", "Recording Period", "HH:MM:SS"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
}

TEST_F(SetupRealTimeDialog, RunFillsTheBoxesAndPeriodWithoutARecompute) {
    // What Run does on opening: rate 2 s, its own period text.
    dlg.setRate(0, 2);
    dlg.setPeriodText(formatRunPeriod(recordingPeriodSeconds(InitialRealTimeCount, 2)));
    EXPECT_EQ(dlg.periodText(), "1:6:40");
    // Setting the boxes from code never recomputes, not even to 00:00.
    dlg.setRate(1, 30);
    EXPECT_EQ(dlg.periodText(), "1:6:40");
    dlg.setRate(0, 0);
    EXPECT_EQ(dlg.secondsIndex(), 0);
    EXPECT_EQ(dlg.periodText(), "1:6:40");
}

TEST_F(SetupRealTimeDialog, ABoxChangeRecomputesInTheDialogsFormat) {
    dlg.show();
    dlg.setRate(0, 2);
    dlg.setPeriodText("1:6:40");
    choose(dlg.secondsBox, 3);
    EXPECT_EQ(dlg.periodText(), "1:40:00");
    choose(dlg.secondsBox, 2);
    EXPECT_EQ(dlg.periodText(), "1:06:40");

    // Editing the count alone leaves the period; the next box change picks it up.
    typeCount("99999");
    EXPECT_EQ(dlg.countText(), "99999");
    EXPECT_EQ(dlg.periodText(), "1:06:40");
    choose(dlg.minutesBox, 60);
    choose(dlg.secondsBox, 60);
    EXPECT_EQ(dlg.minutesIndex() * 60 + dlg.secondsIndex(), 3660);
    EXPECT_EQ(dlg.periodText(), "101665:39:00");
}

TEST_F(SetupRealTimeDialog, ZeroRateSnapsBackToTwoSeconds) {
    dlg.show();
    dlg.setRate(0, 1);
    choose(dlg.secondsBox, 0);
    EXPECT_EQ(dlg.minutesBox->currentText(), "00");
    EXPECT_EQ(dlg.secondsBox->currentText(), "02");
    EXPECT_EQ(dlg.periodText(), "1:06:40");

    // Same through the minutes box.
    dlg.setRate(1, 0);
    choose(dlg.minutesBox, 0);
    EXPECT_EQ(dlg.secondsIndex(), 2);
    EXPECT_EQ(dlg.periodText(), "1:06:40");
}

TEST_F(SetupRealTimeDialog, CountsThatAreNotCountsGiveAZeroPeriod) {
    dlg.show();
    // Only digits and blanks can be typed, five at most.
    typeCount("12a-+x345678");
    EXPECT_EQ(dlg.countText(), "12345");
    typeCount("   ");
    dlg.onSamplingRateChanged();
    EXPECT_EQ(dlg.periodText(), "0:00:00");
    typeCount("1 2");
    dlg.onSamplingRateChanged();
    EXPECT_EQ(dlg.periodText(), "0:00:00");
    EXPECT_FALSE(parseRealTimeCount(dlg.countText()));
}

TEST_F(SetupRealTimeDialog, CountIsRightAlignedWhenEditingFinishes) {
    dlg.show();
    typeCount("100");
    EXPECT_EQ(dlg.countText(), "100");
    QTest::keyClick(dlg.sampleCountEdit, Qt::Key_Return);
    EXPECT_EQ(dlg.countText(), "  100");
    EXPECT_EQ(parseRealTimeCount(dlg.countText()), 100);
}

TEST_F(SetupRealTimeDialog, StartAcceptsCancelRejectsReturnDoesNeither) {
    dlg.show();
    QSignalSpy finished(&dlg, &QDialog::finished);
    dlg.sampleCountEdit->setFocus();
    QTest::keyClick(dlg.sampleCountEdit, Qt::Key_Return);
    EXPECT_EQ(finished.count(), 0);
    QTest::mouseClick(dlg.startButton, Qt::LeftButton);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);

    dlg.show();
    QTest::mouseClick(dlg.cancelButton, Qt::LeftButton);
    ASSERT_EQ(finished.count(), 2);
    EXPECT_EQ(finished.at(1).at(0).toInt(), QDialog::Rejected);
}

} // namespace test_setup_real_time
