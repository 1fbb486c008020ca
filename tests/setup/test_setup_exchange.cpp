#include "platform/clock.h"
#include "setup/setup_exchange.h"
#include "setup_test_support.h"

#include <functional>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_setup_exchange {

struct ExchangeTest : ::testing::Test {
    SetupTransport t;
    ManualClock clock;
    CommandFrame frame;
    SetupExchange::Reply reply{};
    SetupExchange ex{t, clock, frame, reply};
};

// Result of a three-try command on a fresh transport where `fault` makes every try fail one way.
template <class Op> int codeWhen(Op op, char letter, const std::function<void(SetupTransport&)>& fault) {
    SetupTransport t;
    ManualClock clock;
    CommandFrame frame;
    SetupExchange::Reply reply{};
    SetupExchange ex{t, clock, frame, reply};
    t.replies.assign(3, ack(letter));
    fault(t);
    return op(ex);
}

template <class Op> std::vector<int> codes(Op op, char letter) {
    return {codeWhen(op, letter, [](SetupTransport&) {}),
            codeWhen(op, letter, [&](SetupTransport& t) { t.replies.assign(3, ack(letter, false)); }),
            codeWhen(op, letter, [](SetupTransport& t) { t.replies.clear(); }),
            codeWhen(op, letter,
                     [](SetupTransport& t) {
                         t.failWrite = {1, 2, 3};
                     }),
            codeWhen(op, letter,
                     [](SetupTransport& t) {
                         t.failTimeouts = {1, 2, 3};
                     }),
            codeWhen(op, letter, [](SetupTransport& t) { t.allOpenFail = true; })};
}

// Each step failing in every try gives that step's own code; the information read takes any reply
// that was read (no acknowledgement), the clock needs 'O','K'.
TEST(SetupExchangeCodes, InformationAndClockReportTheirOwnCodes) {
    EXPECT_EQ(codes(
                  [](SetupExchange& ex) {
                      SetupExchange::InfoReply info{};
                      return ex.readInformation(info);
                  },
                  'X'),
              (std::vector<int>{0, 0, 204, 203, 202, 201}));
    EXPECT_EQ(codes([](SetupExchange& ex) { return ex.setClock(); }, 't'),
              (std::vector<int>{0, 406, 405, 403, 402, 401}));
}

TEST(SetupExchangeCodes, IntervalAndEraseReportTheirOwnCodes) {
    EXPECT_EQ(codes([](SetupExchange& ex) { return ex.setInterval(0, 1); }, 'I'),
              (std::vector<int>{0, 605, 604, 603, 602, 600}));
    EXPECT_EQ(codes([](SetupExchange& ex) { return ex.eraseMemory(); }, 'e'),
              (std::vector<int>{0, 506, 505, 503, 502, 501}));
}

TEST_F(ExchangeTest, IntervalAndEraseFrames) {
    frame[4] = 0x33;
    t.replies.push_back(ack('I'));
    EXPECT_EQ(ex.setInterval(0x60, 0x60), 0);
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'I', 0x60, 0x60, 0x33, 0x00, 0x03}));
    t.replies.push_back(ack('e'));
    EXPECT_EQ(ex.eraseMemory(), 0);
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'e', 0x00, 0x00, 0x33, 0x00, 0x03}));
}

TEST_F(ExchangeTest, InformationReadSendsXAndKeepsTheBytesItDoesNotSet) {
    frame[4] = 0x49;
    frame[5] = 0x64;
    t.replies.push_back(infoReply());
    SetupExchange::InfoReply info{};
    EXPECT_EQ(ex.readInformation(info), 0);
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], (Frame{0x02, 'X', 0x00, 0x00, 0x49, 0x64, 0x03}));
    EXPECT_EQ(info[15], 123);
    EXPECT_EQ(t.closes, 0); // setup exchanges leave the device open
    EXPECT_EQ(ex.serialNumber(), "SN-0001");
    EXPECT_EQ(t.serialArgs.back(), std::make_pair(0, 32)); // first argument 0, a 32-byte buffer
    EXPECT_EQ(t.openArgs, (std::vector<std::pair<uint16_t, uint16_t>>{{0x04D9, 0xE000}}));
    EXPECT_EQ(t.timeoutArgs, (std::vector<std::pair<uint32_t, uint32_t>>{{100, 100}}));
    EXPECT_EQ(t.readCounts, std::vector<uint32_t>{64});
}

TEST_F(ExchangeTest, InformationReadTriesThreeTimesAndReportsTheLastFailingStep) {
    t.allReadFail = true;
    SetupExchange::InfoReply info{};
    EXPECT_EQ(ex.readInformation(info), 204);
    EXPECT_EQ(t.opens, 3);
    EXPECT_EQ(t.reads, 3);

    // Every step of a try runs: a failed open still writes and reads; the later step's code wins.
    SetupTransport u;
    SetupExchange ex2{u, clock, frame, reply};
    u.allOpenFail = true;
    u.replies.assign(3, infoReply());
    EXPECT_EQ(ex2.readInformation(info), 201);
    EXPECT_EQ(u.frames.size(), 3u);
    u.allOpenFail = false;
    u.failWrite = {4, 5, 6};
    u.failOpen = {4, 5, 6};
    u.replies.clear();
    EXPECT_EQ(ex2.readInformation(info), 204);
}

TEST_F(ExchangeTest, InformationReadSucceedsOnALaterTry) {
    t.failTimeouts = {1};
    t.replies.push_back(infoReply());
    t.replies.push_back(infoReply());
    SetupExchange::InfoReply info{};
    EXPECT_EQ(ex.readInformation(info), 0);
    EXPECT_EQ(t.opens, 2);
}

TEST_F(ExchangeTest, ClockSendsTheFrameThenTheTimeBlockBuiltInTheReplyBuffer) {
    frame[4] = 0x11;
    frame[5] = 0x22;
    reply.fill(0x5A);
    t.replies.push_back(ack('t'));
    EXPECT_EQ(ex.setClock(), 0);
    EXPECT_EQ(t.frames[0], (Frame{0x02, 't', 0x00, 0x00, 0x11, 0x22, 0x03}));
    ASSERT_EQ(t.blocks.size(), 1u);
    // The block leaves at the clock's time after the 100 ms wait that follows the frame.
    const auto& b = t.blocks[0];
    EXPECT_EQ((std::array<uint8_t, 11>{b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10]}),
              (std::array<uint8_t, 11>{0x09, 0x05, 0x14, 0x31, 0x07, 0x5A, 0x26, 0x00, 'r', 't', 'c'}));
    EXPECT_EQ(b[31], 0x5A);
    EXPECT_EQ(t.finishes, 2);
    EXPECT_GE(clock.waitedMs(), 200);
}

TEST_F(ExchangeTest, ClockFailureCodes) {
    t.replies.assign(3, ack('t', false));
    EXPECT_EQ(ex.setClock(), 406);
    EXPECT_EQ(t.blocks.size(), 3u);
    t.replies.clear();
    EXPECT_EQ(ex.setClock(), 405);
    t.failBlock = {7, 8, 9};
    t.replies.assign(3, ack('t'));
    EXPECT_EQ(ex.setClock(), 404); // the read after a failed block still succeeds; 404 counts
    t.replies.clear();
    t.allOpenFail = true;
    EXPECT_EQ(ex.setClock(), 405); // open fails, but the read is the last failing step
}

TEST_F(ExchangeTest, CellWriteFrameCarriesAddressAndValue) {
    t.replies.push_back(ack('W'));
    EXPECT_EQ(ex.writeCell(73, 0x64), 0);
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x49, 0x64, 0x03}));
    t.replies.push_back(ack('W'));
    EXPECT_EQ(ex.writeCell(0x012345, 7), 0);
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x01, 0x23, 0x45, 0x07, 0x03}));
}

TEST_F(ExchangeTest, CellWriteTriesFiveTimesStoppingEachTryAtItsFirstFailure) {
    t.allOpenFail = true;
    EXPECT_EQ(ex.writeCell(80, 1), 9000);
    EXPECT_EQ(t.opens, 5);
    EXPECT_TRUE(t.frames.empty());
    EXPECT_GE(clock.waitedMs(), 4 * 300); // between the tries, not after the last
    EXPECT_LT(clock.waitedMs(), 5 * 300);

    SetupTransport u;
    SetupExchange ex2{u, clock, frame, reply};
    u.replies.assign(5, ack('W', false));
    EXPECT_EQ(ex2.writeCell(80, 1), 9004);
    EXPECT_EQ(ex2.writeCell(80, 1), 9003);
    u.failWrite = {11, 12, 13, 14, 15};
    EXPECT_EQ(ex2.writeCell(80, 1), 9002);
    EXPECT_EQ(u.reads, 10);
    u.failTimeouts = {16, 17, 18, 19, 20};
    EXPECT_EQ(ex2.writeCell(80, 1), 9001);
    EXPECT_EQ(u.frames.size(), 15u);

    SetupTransport w;
    SetupExchange ex3{w, clock, frame, reply};
    w.failRead = {1, 2};
    w.replies.push_back(ack('W'));
    EXPECT_EQ(ex3.writeCell(74, 0xA6), 0);
    EXPECT_EQ(w.frames.size(), 3u);
}

TEST_F(ExchangeTest, Co2OffsetIsOneTryWithoutFinishingTheWrite) {
    t.replies.push_back(ack('D'));
    EXPECT_TRUE(ex.setCo2Offset({0xFE, 0x70}));
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'D', 0xFE, 0x70, 0x00, 0x00, 0x03}));
    EXPECT_EQ(t.finishes, 0);
    t.replies.push_back(ack('D', false));
    EXPECT_FALSE(ex.setCo2Offset({0, 1}));
    t.allOpenFail = true;
    EXPECT_FALSE(ex.setCo2Offset({0, 1}));
    EXPECT_EQ(t.frames.size(), 2u); // stopped before the write
}

TEST_F(ExchangeTest, AltitudeWritesEvenAfterAFailedOpenButFails) {
    t.replies.push_back(ack('L'));
    EXPECT_TRUE(ex.setAltitude({0x22, 0x90}));
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'L', 0x22, 0x90, 0x00, 0x00, 0x03}));
    t.failOpen = {2};
    t.replies.push_back(ack('L'));
    EXPECT_FALSE(ex.setAltitude({0, 0}));
    EXPECT_EQ(t.reads, 2);
    t.failWrite = {3};
    t.replies.push_back(ack('L'));
    EXPECT_FALSE(ex.setAltitude({0, 0}));
    EXPECT_EQ(t.reads, 2); // no read after a failed write
}

TEST_F(ExchangeTest, AlarmFrameAndSingleTry) {
    t.replies.push_back(ack('F'));
    EXPECT_TRUE(ex.setAlarm({0x03, 0xE8, 0x03, 0x20}));
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0x03, 0xE8, 0x03, 0x20, 0x03}));
    EXPECT_FALSE(ex.setAlarm({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0x03}));
    EXPECT_EQ(t.opens, 2);
}

TEST_F(ExchangeTest, SerialNumberIsCutAtTheBufferEnd) {
    t.serial = std::string(40, 'Q');
    EXPECT_EQ(ex.serialNumber(), QByteArray(31, 'Q'));
}

} // namespace test_setup_exchange
