#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "live/glyph_set.h"
#include "live/poll_cycle.h"
#include "live/tfrm_panel.h"
#include "platform/clock.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

struct PollTest : ::testing::Test {
    ManualClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    LiveReading reading;
    PollCycle poll{link, clock, reading};
    GlyphSet glyphs;

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.advance(500);
            poll.MainTimerTimer();
        }
    }
};

TEST_F(PollTest, ConnectsAfterTheProbeAndReadsLiveValues) {
    QSignalSpy made(&poll, &PollCycle::connectionMade);
    tick();
    EXPECT_TRUE(poll.Connected);
    EXPECT_EQ(made.count(), 1);
    EXPECT_EQ(meter.frames().back()[1], 'K');
    tick();
    EXPECT_EQ(meter.frames().back()[1], 'A');
    EXPECT_GE(reading.ppm, 400);
    EXPECT_LE(reading.ppm, 2000);
    EXPECT_FALSE(link.PollBusy);
}

TEST_F(PollTest, NoMeterProbesOnceEachTickAndOtherModelNeverConnects) {
    meter.unplug();
    tick(3);
    EXPECT_FALSE(poll.Connected);
    EXPECT_EQ(meter.calls().openDevice, 3u);
    meter.plugIn();
    meter.faults.probeModel = std::array<char, 3>{'3', '0', '7'};
    tick(3);
    EXPECT_FALSE(poll.Connected);
}

TEST_F(PollTest, ThreeFailedReadsLoseTheMeterTwoDoNot) {
    QSignalSpy lost(&poll, &PollCycle::connectionLost);
    tick();
    ASSERT_TRUE(poll.Connected);
    meter.unplug();
    tick(2);
    EXPECT_TRUE(poll.Connected);
    EXPECT_EQ(poll.FailCount, 2);
    meter.plugIn();
    tick();
    EXPECT_EQ(poll.FailCount, 0);
    meter.unplug();
    tick(3);
    EXPECT_FALSE(poll.Connected);
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(PollTest, SecondChangesAreCountedAndValidReadingsReported) {
    QSignalSpy seconds(&poll, &PollCycle::secondCounted);
    QSignalSpy valid(&poll, &PollCycle::liveReadingValid);
    tick(5); // 2.5 s of ticks from 14:05:09
    EXPECT_GE(seconds.count(), 2);
    EXPECT_LE(seconds.count(), 3);
    EXPECT_EQ(valid.count(), 4);
    meter.faults.badLiveEndAlways = true;
    tick();
    EXPECT_EQ(valid.count(), 4); // a badly framed reply is a success for the count, nothing else
    EXPECT_EQ(poll.FailCount, 0);
}

TEST_F(PollTest, RecAndFullFlashTogetherAndStopAfterLoss) {
    TfrmPanel panel(reading, glyphs, link, clock);
    poll.setPanel(&panel);
    tick();
    reading.memoryFull = true;
    poll.MaxMinTimerTimer();
    const bool phase = poll.FlashPhase;
    EXPECT_EQ(panel.imgREC->isHidden(), !phase);
    EXPECT_EQ(panel.imgFULL->isHidden(), !phase);
    poll.MaxMinTimerTimer();
    EXPECT_EQ(panel.imgREC->isHidden(), phase);
    EXPECT_EQ(panel.imgFULL->isHidden(), phase);
    meter.unplug();
    tick(3);
    EXPECT_FALSE(reading.memoryFull);
    EXPECT_FALSE(panel.lblNoConnection->isHidden());
    const bool recHidden = panel.imgREC->isHidden();
    poll.MaxMinTimerTimer();
    EXPECT_EQ(panel.imgREC->isHidden(), recHidden);
}
