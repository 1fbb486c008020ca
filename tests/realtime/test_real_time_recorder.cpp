#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "live/live_reading.h"
#include "live/poll_cycle.h"
#include "platform/clock.h"
#include "realtime/real_time_recorder.h"
#include "realtime/real_time_setup_dialog.h"
#include "realtime/recorder_rig.h"
#include "support/scripted_prompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_real_time_recorder {

struct RecorderTest : ::testing::Test, RecorderRig {};

TEST_F(RecorderTest, CreatedWindowIsTheRealTimeGraph) {
    EXPECT_EQ(w().windowTitle(), "Real-Time Graph");
    EXPECT_FALSE(w().clearButton->isHidden());
    EXPECT_FALSE(w().clearDivider->isHidden());
    EXPECT_EQ(chart().Subsets(), 3);
    EXPECT_EQ(chart().Points(), 100);
    EXPECT_NEAR((chart().ManualMaxX() - chart().ManualMinX()) / kSecond, 110.0, 1e-3);
    EXPECT_FALSE(w().crossButton->isEnabled()); // split chart: no Cross and Text
    EXPECT_EQ(chart().LineGapThreshold(), 1e20);
    EXPECT_TRUE(w().samplingRatePanel->isEnabled());
    EXPECT_EQ(w().secondsBox->currentText(), "02");
    EXPECT_EQ(shared.realTimeUnsaved, &state.Unsaved);
    EXPECT_TRUE(runEnabled);
}

TEST_F(RecorderTest, HundredSamplesTwoSecondsApartStopByThemselves) {
    run(" 100");
    EXPECT_EQ(openedPeriod, "1:6:40"); // always 2000 x the rate
    EXPECT_EQ(openedRate, std::make_pair(0, 2));
    EXPECT_TRUE(state.Running);
    EXPECT_FALSE(runEnabled);
    EXPECT_TRUE(stopEnabled);
    EXPECT_FALSE(w().clearButton->isEnabled());
    tickUntil([&] { return !state.Running; });
    EXPECT_EQ(state.SampleCount, 100);
    EXPECT_EQ(w().sampleCountField->text(), "100");
    for (int p = 1; p < 100; ++p)
        ASSERT_NEAR((x(p) - x(p - 1)) / kSecond, 2.0, 1e-3) << p;
    EXPECT_EQ(chart().YData(0, 99), 800.0f);
    EXPECT_EQ(w().ppmMaxField->text(), "800@" + graphstats::formatDateTime(x(0)));
    EXPECT_EQ(w().ppmAvgField->text(), "800.0");
    EXPECT_EQ(w().humidityAvgField->text(), "45.5");
    EXPECT_TRUE(runEnabled);
    EXPECT_FALSE(stopEnabled);
    EXPECT_TRUE(w().clearButton->isEnabled());
    EXPECT_TRUE(state.Unsaved);
    EXPECT_EQ(recorderClock.reads, 0); // stopping from inside the tick does not wait for it
}

TEST_F(RecorderTest, StopTrimsThePointsAndEndsTheScaleAtTheStopTime) {
    run("  200");
    recorder.onStopClicked(); // before any sample
    EXPECT_EQ(chart().Points(), 0);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(w().avgField(c)->text(), "****");

    run(" 2000");
    samples(10);
    const double last = x(9);
    clock.advance(700);
    recorder.onStopClicked();
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(chart().Points(), 10);
    EXPECT_EQ(x(9), last);
    EXPECT_DOUBLE_EQ(chart().ManualMaxX(), clock.now());
    // The chart holds exactly the ten samples, joined.
    const auto data = chart().customPlot()->graph(0)->data();
    EXPECT_EQ(data->size(), 10);
    for (const auto& d : *data)
        EXPECT_TRUE(std::isfinite(d.value));
}

TEST_F(RecorderTest, StopWaitsForABusyPollWithoutHandlingEvents) {
    run("   50");
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    link.PollBusy = true;
    recorder.onStopClicked();
    link.PollBusy = false;
    EXPECT_GE(recorderClock.reads * 50, RealTimeRecorder::kStopWaitMs);
    EXPECT_FALSE(handled);
    EXPECT_FALSE(state.Running);
}

TEST_F(RecorderTest, HighAndOverRangeReadingsInFieldsAndAverages) {
    run(" 2000");
    value.ppm = 3500.0f;
    samples(1);
    value.ppm = 800.0f;
    meter.setForcedRangeFlags(0x02 | 0x08); // humidity over, temperature under range
    samples(2);
    meter.setForcedRangeFlags(0);
    samples(4);
    recorder.onStopClicked();
    EXPECT_EQ(chart().YData(0, 0), 3500.0f);
    EXPECT_EQ(w().ppmMaxField->text(), "3500@" + graphstats::formatDateTime(x(0)));
    EXPECT_EQ(w().ppmAvgField->text(), "800.0"); // 3500 is plotted but not averaged
    EXPECT_EQ(chart().YData(1, 1), RealTimeRecorder::kOverRangeY);
    EXPECT_EQ(chart().YData(2, 1), RealTimeRecorder::kOverRangeY);
    EXPECT_EQ(w().humidityMaxField->text(), "OL"); // stays, the stored maximum being 99999
    EXPECT_EQ(w().temperatureMaxField->text(), "-OL");
    EXPECT_EQ(w().humidityMinField->text(), "45.5@" + graphstats::formatDateTime(x(0)));
    EXPECT_EQ(w().humidityAvgField->text(), "45.5");
}

TEST_F(RecorderTest, AFahrenheitRecordingKeepsTheTemperatureLimitsOfItsUnit) {
    setUnit(true); // the meter shows degrees Fahrenheit: 22.5 C reads 72.5 F
    ASSERT_TRUE(reading.fahrenheit);
    run(" 2000");
    samples(3);
    recorder.onStopClicked();
    EXPECT_TRUE(w().temperatureFahrenheit());
    EXPECT_EQ(chart().YData(2, 0), 72.5f);
    EXPECT_EQ(w().temperatureMaxField->text(), "72.5@" + graphstats::formatDateTime(x(0)));
    EXPECT_EQ(w().temperatureAvgField->text(), "72.5");

    // Back in Celsius, the next recording takes that unit again.
    setUnit(false);
    prompter.answers = {Prompter::No}; // the last recording is not saved
    run(" 2000");
    ASSERT_EQ(state.SampleCount, 0);
    samples(1);
    EXPECT_FALSE(w().temperatureFahrenheit());
}

TEST_F(RecorderTest, RateBoxesWhileRecordingAndIdle) {
    run(" 2000");
    samples(3);
    prompter.answers = {Prompter::Cancel};
    w().secondsBox->setFocus();
    QTest::keyClick(w().secondsBox, Qt::Key_Down); // 00:03
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(prompter.questions[0],
              "Sampling Rate is being changed and it is recording Real-Time data or there are data in "
              "Real_Time graph.If you want to make new sampling rate effective,it have to reset the graph.\n"
              "Do you want to save the Real-Time graph ?");
    EXPECT_TRUE(state.Running);
    EXPECT_EQ(state.RealTimeRate, 3);
    samples(6);
    EXPECT_NEAR((x(5) - x(4)) / kSecond, 3.0, 1e-3);

    prompter.answers = {Prompter::Yes};
    QTest::keyClick(w().secondsBox, Qt::Key_Down); // 00:04
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(state.SampleCount, 0);
    EXPECT_EQ(w().sampleCountField->text(), "");
    EXPECT_NEAR(state.ExtendStep / kSecond, 400.0, 1e-6);
    EXPECT_TRUE(runEnabled);
    EXPECT_FALSE(stopEnabled);

    w().secondsBox->setCurrentIndex(0); // 00:00 snaps back to 00:02, nothing to ask
    recorder.onSamplingRateChanged();
    EXPECT_EQ(w().secondsBox->currentText(), "02");
    EXPECT_EQ(state.RealTimeRate, 2);
    EXPECT_EQ(prompter.questions.size(), 2);
}

TEST_F(RecorderTest, CountsZeroHugeAndInvalid) {
    run("    0");
    samples(1);
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(w().sampleCountField->text(), "1");
    EXPECT_EQ(w().ppmAvgField->text(), "****");

    prompter.answers = {Prompter::No, Prompter::No}; // "There are datas ..." before each Run
    run("99999");
    EXPECT_EQ(chart().Points(), 99999);
    samples(3);
    recorder.onStopClicked();
    EXPECT_EQ(chart().Points(), 3);

    run(" 1 2", 0, 7);
    EXPECT_EQ(prompter.shown.back(), " 1 2 is not valid.\n");
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(w().secondsBox->currentText(), "07");
    EXPECT_EQ(state.RealTimeRate, 2);
}

TEST_F(RecorderTest, RecordingSurvivesALossOfConnection) {
    run(" 2000");
    samples(3);
    meter.unplug();
    tickUntil([&] { return !poll.Connected; });
    EXPECT_FALSE(runEnabled);
    EXPECT_FALSE(stopEnabled);
    for (int i = 0; i < 40; ++i)
        tick();
    EXPECT_TRUE(state.Running);
    EXPECT_EQ(state.SampleCount, 3);
    meter.plugIn();
    tickUntil([&] { return poll.Connected; });
    EXPECT_FALSE(runEnabled);
    EXPECT_TRUE(stopEnabled);
    EXPECT_FALSE(w().clearButton->isEnabled());
    samples(5);
    recorder.onStopClicked();
    EXPECT_GT((x(3) - x(2)) / kSecond, 20.0);
    for (const auto& d : *chart().customPlot()->graph(0)->data())
        EXPECT_TRUE(std::isfinite(d.value)); // joined across the gap
}

TEST_F(RecorderTest, QuestionsOfRunClearAndClose) {
    int dialogs = 0;
    poll.Connected = false;
    prompter.dialogHandler = [&](QDialog&) { return ++dialogs, int(QDialog::Rejected); };
    recorder.onRunClicked(); // no meter: nothing happens
    EXPECT_EQ(dialogs, 0);
    tick();

    run("    5");
    samples(2);
    prompter.answers = {Prompter::Cancel};
    recorder.onRunClicked();
    EXPECT_EQ(prompter.questions.back(), "There are datas in Real_Time graph ,it have to reset the graph.\n"
                                         "Do you want to save the Real-Time graph ?");
    EXPECT_EQ(state.SampleCount, 2); // Cancel: the recording goes on
    samples(5);

    chart().setGraphAnnotationX(4, 1.0);
    shared.annotationCounter.next(); // mark 4
    prompter.answers = {Prompter::Yes};
    recorder.onClearClicked();
    EXPECT_EQ(prompter.questions.back(), "Save Real-Time Graph ?");
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(state.SampleCount, 0);
    EXPECT_EQ(chart().YData(0, 0), RealTimeRecorder::kNullY);
    EXPECT_EQ(chart().GraphAnnotationX(4), 0.0);
    EXPECT_EQ(shared.annotationCounter.value(), AnnotationCounter::kReserved);
    EXPECT_EQ(w().ppmMaxField->text(), "");

    run("   10");
    samples(1);
    prompter.answers = {Prompter::No}; // "Save Real-Time Graph ?" on close
    w().close();
    EXPECT_EQ(recorder.window(), nullptr);
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(state.SampleCount, 0);
    EXPECT_TRUE(runEnabled);
    EXPECT_FALSE(stopEnabled);
    recorder.showRealTimeGraph(); // the View menu creates a new one
    EXPECT_NE(recorder.window(), nullptr);
}

} // namespace test_real_time_recorder
