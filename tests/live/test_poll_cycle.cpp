#include "link/hid_meter_transport.h"
#include "link/meter_link.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "live/glyph_set.h"
#include "live/panel_window.h"
#include "live/poll_cycle.h"
#include "platform/clock.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_poll_cycle {

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
            poll.onPollTimer();
        }
    }
};

// The meter is asked every half second and the annunciators flash at the same pace; the flashing
// runs from the start, the polling once the main window starts it.
TEST_F(PollTest, PollAndFlashEveryHalfSecond) {
    PollCycle fresh{link, clock, reading};
    EXPECT_EQ(fresh.pollTimer.interval(), 500);
    EXPECT_EQ(fresh.flashTimer.interval(), 500);
    EXPECT_TRUE(fresh.flashTimer.isActive());
    EXPECT_FALSE(fresh.pollTimer.isSingleShot());
    EXPECT_FALSE(fresh.flashTimer.isSingleShot());
}

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
    EXPECT_EQ(clock.waitedMs(), 0);
    meter.plugIn();
    // Each of the three model digits is checked: one wrong digit anywhere keeps the meter out.
    for (const auto& model : {std::array<char, 3>{'3', '0', '7'}, std::array<char, 3>{'4', '1', '7'},
                              std::array<char, 3>{'4', '0', '8'}}) {
        meter.faults.probeModel = model;
        tick();
        EXPECT_FALSE(poll.Connected) << std::string(model.begin(), model.end());
        EXPECT_EQ(meter.frames().back()[1], 'K');
    }
    EXPECT_EQ(clock.waitedMs(), 0);
    meter.faults.probeModel.reset();
    tick();
    EXPECT_TRUE(poll.Connected);
}

// A successful probe is followed by a 200 ms wait during which the tick still counts as busy; a
// failed one waits for nothing.
TEST_F(PollTest, SuccessfulProbeWaits200MillisecondsWhileBusy) {
    bool busyInWait = false;
    QTimer::singleShot(0, [&] { busyInWait = link.PollBusy; });
    tick();
    ASSERT_TRUE(poll.Connected);
    EXPECT_EQ(clock.waitedMs(), 201); // the manual clock's wait of n ms moves n + 1
    EXPECT_TRUE(busyInWait);
    tick();
    EXPECT_EQ(clock.waitedMs(), 201); // live reads do not wait
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

// The five statistics annunciators flash only while both statsFlashMode and statsFlashAll are set.
TEST_F(PollTest, StatisticsFlashNeedsFlashModeAndFlashAll) {
    PanelWindow panel(reading, glyphs, link, clock);
    poll.setPanel(&panel);
    auto statsShown = [&] {
        int n = 0;
        for (QWidget* w : {(QWidget*)panel.maxLabel, (QWidget*)panel.minLabel, (QWidget*)panel.avgLabel,
                           (QWidget*)panel.stelImage, (QWidget*)panel.twaImage})
            n += !w->isHidden();
        return n;
    };
    for (const auto& [mode, all] : {std::pair{true, false}, std::pair{false, true}}) {
        reading.statsFlashMode = mode;
        reading.statsFlashAll = all;
        poll.onFlashTimer();
        poll.onFlashTimer();
        EXPECT_EQ(statsShown(), 0) << mode << all;
    }
    reading.statsFlashMode = reading.statsFlashAll = true;
    poll.onFlashTimer();
    EXPECT_EQ(statsShown(), poll.FlashPhase ? 5 : 0);
    poll.onFlashTimer();
    EXPECT_EQ(statsShown(), poll.FlashPhase ? 5 : 0);
    EXPECT_TRUE(panel.recImage->isHidden()); // REC and FULL flash only for a full memory
}

TEST_F(PollTest, RecAndFullFlashTogetherAndStopAfterLoss) {
    PanelWindow panel(reading, glyphs, link, clock);
    poll.setPanel(&panel);
    tick();
    reading.memoryFull = true;
    poll.onFlashTimer();
    const bool phase = poll.FlashPhase;
    EXPECT_EQ(panel.recImage->isHidden(), !phase);
    EXPECT_EQ(panel.fullImage->isHidden(), !phase);
    poll.onFlashTimer();
    EXPECT_EQ(panel.recImage->isHidden(), phase);
    EXPECT_EQ(panel.fullImage->isHidden(), phase);
    reading.statsFlashMode = reading.statsFlashAll = true; // the statistics flash too
    meter.unplug();
    tick(3);
    EXPECT_FALSE(reading.memoryFull);
    EXPECT_FALSE(reading.statsFlashMode);
    EXPECT_FALSE(panel.noConnectionLabel->isHidden());
    const bool recHidden = panel.recImage->isHidden();
    const bool maxHidden = panel.maxLabel->isHidden();
    poll.onFlashTimer();
    EXPECT_EQ(panel.recImage->isHidden(), recHidden);
    EXPECT_EQ(panel.maxLabel->isHidden(), maxHidden);
}

// The poll through the USB transport against the simulated meter seen as HID reports: live replies
// that come after their read timed out never show up as a later tick's reading.
TEST(PollOverHid, LateLiveRepliesNeverShiftLaterReadings) {
    auto run = [](const std::set<uint32_t>& late) {
        ManualClock clock;
        SimulatedMeter meter(clock);
        // A value that differs at every tick, so a reply read one tick late shows.
        meter.setReadingSource([](int64_t ms) {
            return meter_memory::Reading{float(400 + ms / 500), 50, 20};
        });
        meter.faults.lateReplies['A'] = late;
        SimulatedHidBackend backend(meter, clock);
        HidMeterTransport transport(backend);
        MeterLink link(transport, clock);
        LiveReading reading;
        PollCycle poll(link, clock, reading);
        std::vector<int32_t> ppm;
        for (int i = 0; i < 14; ++i) {
            clock.advance(500);
            poll.onPollTimer();
            EXPECT_TRUE(poll.Connected);
            ppm.push_back(reading.ppm);
        }
        return ppm;
    };
    const std::vector<int32_t> plain = run({});
    const std::set<uint32_t> lateOnes = {2, 3, 7, 11};
    const std::vector<int32_t> late = run(lateOnes);
    ASSERT_EQ(plain.size(), late.size());
    for (std::size_t tick = 1; tick < plain.size(); ++tick) {
        const auto live = uint32_t(tick); // tick 0 probes; tick n reads the n-th live reply
        if (lateOnes.count(live))
            EXPECT_EQ(late[tick], late[tick - 1]) << tick; // a lost read keeps the last reading
        else
            EXPECT_EQ(late[tick], plain[tick]) << tick;
    }
}

} // namespace test_poll_cycle
