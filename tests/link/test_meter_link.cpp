#include "link/meter_link.h"
#include "platform/clock.h"
#include "support/fake_transport.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_meter_link {

std::vector<uint8_t> blockReply(uint16_t number, uint8_t last = 5) {
    std::vector<uint8_t> r(36, 0);
    r[32] = uint8_t(number >> 8);
    r[33] = uint8_t(number);
    r[35] = last;
    return r;
}

struct LinkTest : ::testing::Test {
    FakeTransport t;
    ManualClock clock;
    MeterLink link{t, clock};
};

TEST_F(LinkTest, LiveRequestKeepsParameterBytesOfTheBlockRequestAndCountsSequence) {
    t.replies.push_back(blockReply(0x0102));
    ASSERT_EQ(link.readBlockAt(0x0102), 0);
    EXPECT_EQ(t.frames.back(), (std::array<uint8_t, 7>{0x02, 'P', 0x01, 0x02, 0x00, 0x00, 0x03}));
    t.replies.push_back(std::vector<uint8_t>(64, 0));
    EXPECT_TRUE(link.readLive());
    EXPECT_EQ(t.frames.back(), (std::array<uint8_t, 7>{0x02, 'A', 0x01, 0x02, 0x00, 0x01, 0x03}));

    // The probe writes none of the parameter bytes.
    t.replies.push_back(std::vector<uint8_t>(32, 0));
    EXPECT_TRUE(link.probeMeter('K'));
    EXPECT_EQ(t.frames.back(), (std::array<uint8_t, 7>{0x02, 'K', 0x01, 0x02, 0x00, 0x01, 0x03}));
}

TEST_F(LinkTest, SequenceNumberWrapsOnThe256thLiveRequest) {
    t.allReadFail = true;
    for (int i = 0; i < 255; ++i)
        link.readLive();
    EXPECT_EQ(t.frames.back()[5], 255);
    link.readLive();
    EXPECT_EQ(t.frames.back()[5], 0);
}

// The sequence number moves only for a request that goes out: failed opens and time-out settings
// leave it, so the first request that reaches the meter carries 1.
TEST_F(LinkTest, SequenceNumberCountsOnlyRequestsSent) {
    t.failOpen = {1, 2};
    t.failTimeouts = {1};
    EXPECT_FALSE(link.readLive());
    EXPECT_FALSE(link.readLive());
    EXPECT_FALSE(link.readLive()); // open 3 succeeds, time-outs 1 fail
    EXPECT_TRUE(t.frames.empty());
    EXPECT_EQ(link.sequenceNumber(), 0);
    t.replies.push_back(std::vector<uint8_t>(64, 0));
    EXPECT_TRUE(link.readLive());
    EXPECT_EQ(t.frames.back(), (std::array<uint8_t, 7>{0x02, 'A', 0x00, 0x00, 0x00, 0x01, 0x03}));
}

TEST_F(LinkTest, LiveReadClearsTheBufferAndAlwaysCloses) {
    link.replyBlock().fill(0xAA);
    t.allReadFail = true;
    EXPECT_FALSE(link.readLive());
    EXPECT_EQ(link.replyBlock()[40], 0);
    t.allOpenFail = true;
    EXPECT_FALSE(link.readLive());
    EXPECT_FALSE(link.probeMeter('K'));
    EXPECT_EQ(t.closes, 3);
}

TEST_F(LinkTest, BlockReadResultCodes) {
    t.failOpen = {1};
    EXPECT_EQ(link.readBlockAt(7), 1002);
    t.failTimeouts = {1};
    EXPECT_EQ(link.readBlockAt(7), 1003);
    t.failWrite = {1};
    EXPECT_EQ(link.readBlockAt(7), 1004);
    EXPECT_EQ(link.readBlockAt(7), 1005); // no reply queued
    t.replies.push_back(blockReply(7, 4));
    EXPECT_EQ(link.readBlockAt(7), 1006); // byte 35 checked before the number
    t.replies.push_back(blockReply(8));
    EXPECT_EQ(link.readBlockAt(7), 1007);
    t.replies.push_back(blockReply(7));
    EXPECT_EQ(link.readBlockAt(7), 0);
    EXPECT_EQ(t.closes, 0); // the block exchange never closes
    EXPECT_GE(clock.waitedMs(), 300);
}

TEST_F(LinkTest, PanelCommandReportsTheLastFailingStep) {
    CommandFrame f;
    f.setCommand('H');
    std::array<uint8_t, 32> reply{};
    std::vector<uint8_t> ok(32, 0);
    ok[2] = 'O';
    ok[3] = 'K';

    t.failOpen = {1};
    t.replies.push_back(ok);
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7002);

    t.failOpen = {2};
    t.failTimeouts = {2};
    t.replies.push_back(ok);
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7003);

    t.replies.push_back(std::vector<uint8_t>(32, 0));
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7006);

    t.failOpen = {4};
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7005); // the failed read skips the check

    // A failed write alone, then a failed write followed by a failed read.
    t.failWrite = {5, 6};
    t.replies.push_back(ok);
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7004);
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7005);

    // A fault raised while reading is 7007.
    t.throwOnRead = true;
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 7007);
    t.throwOnRead = false;
    t.replies.push_back(ok);
    EXPECT_EQ(MeterLink::sendPanelCommand(t, f, reply), 0);
    EXPECT_EQ(t.closes, 0);
}

TEST_F(LinkTest, ExclusiveExchangeStopsAndRestartsThePollTimer) {
    QTimer timer;
    timer.setInterval(500);
    timer.start();
    link.setPollTimer(&timer);
    bool ran = false;
    EXPECT_EQ(link.runExclusive([&] {
        ran = true;
        EXPECT_FALSE(timer.isActive());
        EXPECT_TRUE(link.exclusiveActive());
        // A second exclusive request inside the first is refused, never interleaved.
        EXPECT_EQ(link.runExclusive([] { FAIL(); }), MeterLink::Gate::Refused);
    }),
              MeterLink::Gate::Ran);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(timer.isActive());
}

TEST_F(LinkTest, RequestDuringThePollTickIsDeferredUntilTheTickEnds) {
    link.PollBusy = true;
    int runs = 0;
    EXPECT_EQ(link.runExclusive([&] { ++runs; }), MeterLink::Gate::Deferred);
    EXPECT_EQ(runs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0); // still inside the tick
    link.PollBusy = false;
    for (int i = 0; i < 5 && runs == 0; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

// Every exchange asks for the meter by its USB identity, with the 100 ms time-outs, and reads the
// byte count of its reply.
TEST_F(LinkTest, ExchangesAskForTheMeterWithItsIdentityAndTimeOuts) {
    t.replies = {std::vector<uint8_t>(32, 0), std::vector<uint8_t>(64, 0), blockReply(7)};
    link.probeMeter('K');
    link.readLive();
    link.readBlockAt(7);
    CommandFrame key;
    key.setCommand('H');
    std::array<uint8_t, 32> reply{};
    MeterLink::sendPanelCommand(t, key, reply);
    const std::pair<uint16_t, uint16_t> meter{0x04D9, 0xE000};
    EXPECT_EQ(t.openArgs, (std::vector<std::pair<uint16_t, uint16_t>>(4, meter)));
    EXPECT_EQ(t.timeoutArgs, (std::vector<std::pair<uint32_t, uint32_t>>(4, {100u, 100u})));
    EXPECT_EQ(t.readCounts, (std::vector<uint32_t>{32, 64, 36, 32}));
}

} // namespace test_meter_link
