#include "link/simulated_meter.h"
#include "platform/clock.h"

#include <bit>
#include <gtest/gtest.h>
#include <initializer_list>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_simulated_meter {

using namespace meter_memory;

using Frame = std::array<uint8_t, 7>;

Frame frameOf(char letter, std::initializer_list<uint8_t> params = {}) {
    Frame f{0x02, uint8_t(letter), 0, 0, 0, 0, 0x03};
    std::copy(params.begin(), params.end(), f.begin() + 2);
    return f;
}

float floatAt(const std::vector<uint8_t>& r, size_t at) {
    return std::bit_cast<float>(uint32_t(r[at]) << 24 | uint32_t(r[at + 1]) << 16 | uint32_t(r[at + 2]) << 8 |
                                r[at + 3]);
}

uint32_t be16(const std::vector<uint8_t>& r, size_t at) {
    return uint32_t(r[at]) << 8 | r[at + 1];
}

bool acknowledged(const std::vector<uint8_t>& r) {
    return r.size() == 32 && r[2] == 'O' && r[3] == 'K';
}

// The program's way of talking to the meter: open, time-outs, frame, finish, read.
struct SimTest : ::testing::Test {
    ManualClock clock;
    SimulatedMeter meter{clock};

    // The reply, or an empty vector when the read failed (count 0 reads nothing).
    std::vector<uint8_t> ask(const Frame& f, uint32_t count) {
        meter.openDevice(MeterVendorId, MeterProductId);
        meter.setTimeouts(100, 100);
        meter.writeFrame(7, f.data());
        meter.finishWrite();
        return read(count);
    }
    std::vector<uint8_t> ask(char letter, std::initializer_list<uint8_t> params = {}, uint32_t count = 32) {
        return ask(frameOf(letter, params), count);
    }
    std::vector<uint8_t> read(uint32_t count) {
        if (count == 0)
            return {};
        std::vector<uint8_t> r(count, 0xEE);
        if (meter.readReply(count, r.data()) != 0)
            return {};
        return r;
    }
    std::vector<uint8_t> live() { return ask('A', {0, 0, 0, 1}, 64); }
    std::vector<uint8_t> info() { return ask('X', {0, 0}, 64); }
    std::vector<uint8_t> block(uint16_t number) {
        return ask('P', {uint8_t(number >> 8), uint8_t(number)}, 36);
    }
    std::vector<uint8_t> next() { return ask('p', {}, 36); }
    std::vector<uint8_t> setClock(std::array<uint8_t, 32> timeBlock) {
        ask('t', {0, 0}, 0);
        meter.writeBlock(32, timeBlock.data());
        meter.finishWrite();
        return read(32);
    }
};

std::array<uint8_t, 32> timeBlock(uint8_t s, uint8_t m, uint8_t h, uint8_t d, uint8_t mo, uint8_t y) {
    std::array<uint8_t, 32> b{};
    b = {s, m, h, d, mo, 0, y, 0x00, 'r', 't', 'c'};
    return b;
}

uint8_t checksum(const std::vector<uint8_t>& r) {
    uint8_t sum = 0;
    for (int i = 0; i < 32; ++i)
        sum = uint8_t(sum + r[i]);
    return sum;
}

// --- transport behaviour ---

TEST_F(SimTest, OpensOnlyTheMeterIdentityWhilePluggedIn) {
    EXPECT_NE(meter.openDevice(0x04D8, MeterProductId), 0);
    EXPECT_NE(meter.setTimeouts(100, 100), 0);
    EXPECT_EQ(meter.openDevice(MeterVendorId, MeterProductId), 0);
    EXPECT_EQ(meter.setTimeouts(100, 100), 0);
    meter.unplug();
    EXPECT_NE(meter.openDevice(MeterVendorId, MeterProductId), 0);
    meter.plugIn();
    EXPECT_EQ(meter.openDevice(MeterVendorId, MeterProductId), 0);
    EXPECT_EQ(meter.calls().openDevice, 4u);
}

TEST_F(SimTest, ReadWithoutAReplyFailsAndLeavesTheBufferAlone) {
    std::array<uint8_t, 64> buf;
    buf.fill(0xAB);
    EXPECT_NE(meter.readReply(32, buf.data()), 0); // not open
    meter.openDevice(MeterVendorId, MeterProductId);
    EXPECT_NE(meter.readReply(32, buf.data()), 0); // nothing asked
    EXPECT_EQ(ask('K').size(), 32u);
    EXPECT_NE(meter.readReply(32, buf.data()), 0); // a reply is read once
    EXPECT_TRUE(ask('K', {}, 64).empty());         // more than the reply holds
    // Closing drops an unread reply.
    ask('K', {}, 0);
    meter.closeDevice();
    EXPECT_NE(meter.readReply(32, buf.data()), 0);
    for (uint8_t b : buf)
        ASSERT_EQ(b, 0xAB);
}

TEST_F(SimTest, MalformedFramesUnknownLettersAndTheEndCommandsGetNoReply) {
    Frame bad = frameOf('K');
    bad[6] = 0x00;
    EXPECT_TRUE(ask(bad, 32).empty());
    EXPECT_TRUE(ask('Z').empty());
    EXPECT_TRUE(ask('q').empty());
    EXPECT_TRUE(ask('Q').empty());
    EXPECT_EQ(meter.requests('q'), 1u);
    EXPECT_EQ(meter.requests('K'), 0u);
}

TEST_F(SimTest, LogsEveryFrameAndBlockWithItsExactBytes) {
    ask('H');
    ask('A', {1, 2, 3, 4}, 64);
    meter.faults.failWriteFrame = {3};
    ask('B');
    ASSERT_EQ(meter.frames().size(), 2u); // 'B' never reached the meter
    EXPECT_EQ(meter.frames()[0], (Frame{0x02, 0x48, 0, 0, 0, 0, 0x03}));
    EXPECT_EQ(meter.frames()[1], (Frame{0x02, 'A', 1, 2, 3, 4, 0x03}));
    ASSERT_EQ(meter.attemptedFrames().size(), 3u);
    EXPECT_EQ(meter.attemptedFrames()[1], meter.frames()[1]);
    EXPECT_EQ(meter.attemptedFrames()[2], (Frame{0x02, 'B', 0, 0, 0, 0, 0x03}));
    EXPECT_EQ(meter.requests('B'), 0u);
    EXPECT_EQ(meter.exchanges(), 2u);
    setClock(timeBlock(0x09, 0x05, 0x14, 0x31, 0x07, 0x26));
    ASSERT_EQ(meter.writtenBlocks().size(), 1u);
    EXPECT_EQ(meter.writtenBlocks()[0][8], 'r');
    meter.clearLog();
    EXPECT_TRUE(meter.frames().empty());
    EXPECT_TRUE(meter.attemptedFrames().empty());
    EXPECT_EQ(meter.calls().writeFrame, 4u);
}

TEST_F(SimTest, SerialNumberIsZeroTerminatedWithinTheBuffer) {
    char buf[32];
    std::fill(std::begin(buf), std::end(buf), 'x');
    EXPECT_EQ(meter.readSerialNumber(0, buf, 32), 0);
    EXPECT_STREQ(buf, "QZ4070012345");
    char small[5];
    meter.readSerialNumber(0, small, 5);
    EXPECT_STREQ(small, "QZ40");
}

// --- probe and live reading ---

TEST_F(SimTest, ProbeCarriesTheModelDigits) {
    const auto r = ask('K');
    ASSERT_EQ(r.size(), 32u);
    EXPECT_EQ(r[0], 0x02);
    EXPECT_EQ(std::string(r.begin() + 23, r.begin() + 26), "407");
    meter.faults.probeModel = std::array<char, 3>{'4', '0', '8'};
    EXPECT_EQ(ask('K')[25], '8');
}

TEST_F(SimTest, LiveReplyIsFramedAndMovesWithinPlausibleRanges) {
    float firstPpm = 0;
    bool moved = false;
    for (int i = 0; i < 400; ++i) {
        const auto r = live();
        ASSERT_EQ(r.size(), 64u);
        ASSERT_EQ(r[0], 0x02);
        ASSERT_EQ(r[63], 0x03);
        const float ppm = floatAt(r, 21), t = floatAt(r, 25), rh = floatAt(r, 29);
        EXPECT_TRUE(ppm >= 400 && ppm <= 2000) << ppm;
        EXPECT_TRUE(t >= 15 && t <= 30) << t;
        EXPECT_TRUE(rh >= 20 && rh <= 70) << rh;
        EXPECT_EQ(r[6], 0); // nothing out of range
        if (i == 0)
            firstPpm = ppm;
        moved = moved || ppm != firstPpm;
        clock.advance(17000);
    }
    EXPECT_TRUE(moved);
}

TEST_F(SimTest, LiveValuesDependOnlyOnTheTicks) {
    ManualClock other;
    SimulatedMeter twin(other);
    clock.advance(123456);
    other.advance(123456);
    const auto a = live();
    twin.openDevice(MeterVendorId, MeterProductId);
    const Frame f = frameOf('A');
    twin.writeFrame(7, f.data());
    std::vector<uint8_t> b(64);
    ASSERT_EQ(twin.readReply(64, b.data()), 0);
    EXPECT_EQ(a, b);
    // The download's resume phase reads the live reply with 32 bytes: the first 32 of them.
    const auto shorter = ask('A', {}, 32);
    EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), a.begin()));
}

TEST_F(SimTest, LiveFlagsFollowBatteryUnitAndForcedStates) {
    auto r = live();
    EXPECT_EQ(r[1], 0x04); // full battery
    EXPECT_EQ(r[2], 0x00);
    meter.setBatteryLevel(0);
    EXPECT_EQ(live()[1], 0x08);
    meter.setBatteryLevel(-1);
    EXPECT_EQ(live()[1], 0x00);
    EXPECT_TRUE(acknowledged(ask('C')));
    EXPECT_EQ(live()[2], 0x01);
    EXPECT_FLOAT_EQ(floatAt(live(), 25), meter.measured().temperature); // always sent in Celsius
    meter.setForcedRangeFlags(0x08);
    meter.setPpmDashes(true);
    r = live();
    EXPECT_EQ(r[6], 0x08);
    EXPECT_EQ(r[5], 0x01);
}

TEST_F(SimTest, AlarmBitsCompareTheReadingWithTheLimits) {
    meter.setReadingSource([](int64_t) { return Reading{800, 40, 20}; });
    EXPECT_EQ(live()[3] & 0x07, 0);                                // default limits 500..1000
    ASSERT_TRUE(acknowledged(ask('F', {0x02, 0xBC, 0x01, 0x2C}))); // 700 / 300
    EXPECT_EQ(live()[3] & 0x07, 0x03);
    ask('F', {0x13, 0x88, 0x03, 0xE8}); // 5000 / 1000
    EXPECT_EQ(live()[3] & 0x07, 0x05);
    ask('F', {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(live()[3] & 0x07, 0);
}

TEST_F(SimTest, KeysAnswerOkAndChangeTheMeterState) {
    for (char key : {'H', 'C', 'M', 'N', 'B', 'E'}) {
        const auto r = ask(key);
        ASSERT_TRUE(acknowledged(r)) << key;
        EXPECT_EQ(r[0], 0x02);
        EXPECT_EQ(r[1], key);
        EXPECT_EQ(r[31], 0x03);
        ask(key); // and back
    }
    EXPECT_FALSE(meter.hold());
    EXPECT_FALSE(meter.fahrenheit());
    EXPECT_FALSE(meter.backlight());
    EXPECT_FALSE(meter.recording());
    ask('B');
    EXPECT_TRUE(meter.backlight());
}

TEST_F(SimTest, HoldFreezesTheShownValues) {
    ask('H');
    const auto held = live();
    EXPECT_EQ(held[3] & 0x20, 0x20);
    clock.advance(300000);
    const auto later = live();
    EXPECT_TRUE(std::equal(held.begin() + 21, held.begin() + 33, later.begin() + 21));
    ask('H');
    const auto released = live();
    EXPECT_EQ(released[3] & 0x20, 0);
    EXPECT_FLOAT_EQ(floatAt(released, 21), meter.measured().ppm);
}

TEST_F(SimTest, MaxMinAvgKeyCyclesTheStatisticsAndDoubleClickLeaves) {
    ask('M');
    for (int i = 0; i < 60; ++i) {
        clock.advance(10000);
        meter.update();
    }
    auto r = live();
    EXPECT_EQ(r[3] & 0x40, 0x40);
    EXPECT_EQ(r[4], 0x02); // MAX
    const float max = floatAt(r, 21);
    EXPECT_GE(max, meter.measured().ppm);
    ask('M');
    r = live();
    EXPECT_EQ(r[4], 0x01); // MIN
    const float min = floatAt(r, 21);
    EXPECT_LT(min, max);
    ask('M');
    r = live();
    EXPECT_EQ(r[4], 0x10); // AVG: all flash
    EXPECT_TRUE(floatAt(r, 21) > min && floatAt(r, 21) < max);
    ask('M');
    EXPECT_EQ(live()[4], 0x02);
    ask('N');
    r = live();
    EXPECT_EQ(r[4], 0);
    EXPECT_EQ(r[3] & 0x40, 0);
    EXPECT_EQ(meter.statsMode(), SimulatedMeter::StatsMode::Off);
}

// --- logging memory ---

TEST(DemoMemory, HoldsFourSetsInTheMeterLayout) {
    const auto m = buildDemoMemory();
    ASSERT_EQ(m.size(), 262144u);
    ASSERT_EQ(read16(m, 36), 4u);
    const uint32_t counts[] = {120, 500, 2000, 48};
    const int intervals[] = {2, 30, 60, 300};
    const uint8_t units[] = {0, 1, 0, 1};
    uint32_t s = 2816;
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m[s], 0xA5);
        EXPECT_EQ(m[s + 1], 0x5A);
        EXPECT_EQ(read16(m, s + 12), counts[k]);
        EXPECT_EQ(intervalSeconds(m[s + 9], m[s + 10]), intervals[k]);
        EXPECT_EQ(m[s + 11], units[k]);
        EXPECT_EQ(m[s + 4], 0x07); // July
        for (uint32_t i = 0; i < counts[k]; ++i) {
            const uint32_t r = s + 18 + 8 * i;
            const float ppm = std::bit_cast<float>(read24(m, r) << 8 | m[r + 3]);
            ASSERT_TRUE(ppm >= 400 && ppm <= 2000) << ppm;
            ASSERT_LE(read16(m, r + 6), 700u);
        }
        const uint32_t end = s + 19 + 8 * counts[k];
        EXPECT_EQ(m[end - 1], 0x5A);
        EXPECT_EQ(m[end], 0xA5);
        s = end + 1;
    }
    EXPECT_EQ(read24(m, 38), s - 1); // last byte in use
    EXPECT_EQ(m[s], ErasedByte);
    EXPECT_EQ(read16(m, 62), 1000u); // alarm high limit among the default settings
}

TEST_F(SimTest, RecordingStartsASetAndLogsARecordEveryInterval) {
    const uint32_t start = meter.sizeField() + 1;
    ASSERT_TRUE(acknowledged(ask('I', {0x00, 0x05})));
    ask('W', {0, 0, 74, 0x12}); // temperature offset 1.8 F = 1.0 C
    ask('C');
    ASSERT_TRUE(acknowledged(ask('E')));
    EXPECT_TRUE(meter.recording());
    EXPECT_EQ(live()[3] & 0x08, 0x08);
    clock.advance(12000);
    meter.update();
    const auto& m = meter.memory();
    EXPECT_EQ(meter.dataSetCount(), 5);
    EXPECT_EQ(m[start], 0xA5);
    EXPECT_EQ(m[start + 1], 0x5A);
    // The meter clock began at the test clock's start, 2026-07-31 14:05:09.
    EXPECT_EQ((std::vector<uint8_t>(m.begin() + start + 3, m.begin() + start + 12)),
              (std::vector<uint8_t>{0x26, 0x07, 0x31, 0x14, 0x05, 0x09, 0x00, 0x05, 0x01}));
    EXPECT_EQ(read16(m, start + 12), 3u); // at 0, 5 and 10 seconds
    EXPECT_EQ(m[start + 17], 0x12);
    for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t r = start + 18 + 8 * k;
        const Reading expect = demoReading(5.0 * k);
        EXPECT_FLOAT_EQ(std::bit_cast<float>(read24(m, r) << 8 | m[r + 3]), expect.ppm);
        EXPECT_EQ(read16(m, r + 4), uint32_t(std::lround((expect.temperature + 1.0f) * 10)));
    }
    EXPECT_EQ(m[start + 18 + 24], 0x5A);
    EXPECT_EQ(m[start + 19 + 24], 0xA5);
    EXPECT_EQ(meter.sizeField(), start + 19 + 24);

    ask('E');
    clock.advance(60000);
    meter.update();
    EXPECT_EQ(read16(meter.memory(), start + 12), 3u);
    EXPECT_EQ(live()[3] & 0x08, 0);
}

TEST_F(SimTest, RecordingIntoAFullMemoryRaisesTheFullFlag) {
    auto m = blankMemory();
    write16(m, SetCountAt, 1);
    write24(m, PositionAt, LastAddress - 30);
    meter.setMemory(m);
    ask('E');
    EXPECT_EQ(read16(meter.memory(), LastAddress - 29 + 12), 1u);
    clock.advance(30000);
    EXPECT_EQ(live()[3] & 0x18, 0x18);
    EXPECT_EQ(read16(meter.memory(), LastAddress - 29 + 12), 1u);
    EXPECT_LE(meter.sizeField(), LastAddress);
    ask('E');
    EXPECT_EQ(live()[3] & 0x18, 0);
}

// --- block protocol ---

TEST_F(SimTest, BlockRepliesCarryDataNumberChecksumAndMarker) {
    const auto first = block(1);
    ASSERT_EQ(first.size(), 36u);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 32, meter.memory().begin()));
    EXPECT_EQ(first[32], 0x00);
    EXPECT_EQ(first[33], 0x01);
    EXPECT_EQ(first[34], checksum(first));
    EXPECT_EQ(first[35], 5);
    const auto second = next();
    EXPECT_TRUE(std::equal(second.begin(), second.begin() + 32, meter.memory().begin() + 32));
    EXPECT_EQ(second[33], 0x02);
    EXPECT_EQ(second[34], checksum(second));
    // Bytes 6-8 of the second block: the last address in use; the reported size is one more.
    EXPECT_EQ((uint32_t(second[6]) << 16 | be16(second, 7)) + 1, meter.reportedSize());
    EXPECT_EQ(meter.reportedSize(), 24240u);

    const auto other = block(0x0102);
    EXPECT_EQ(other[32], 0x01);
    EXPECT_EQ(other[33], 0x02);
    EXPECT_TRUE(std::equal(other.begin(), other.begin() + 32, meter.memory().begin() + 0x0101 * 32));
    EXPECT_TRUE(block(0).empty());
    EXPECT_TRUE(block(8193).empty());
    EXPECT_EQ(block(8192).size(), 36u);
    EXPECT_TRUE(next().empty()); // nothing after the last block
}

TEST_F(SimTest, ReadingEveryBlockCopiesTheWholeMemory) {
    std::vector<uint8_t> image;
    image.reserve(Size);
    auto r = block(1);
    for (uint32_t n = 1; n <= BlockCount; ++n) {
        ASSERT_EQ(r.size(), 36u) << n;
        ASSERT_EQ(be16(r, 32), n);
        image.insert(image.end(), r.begin(), r.begin() + 32);
        if (n < BlockCount)
            r = next();
    }
    EXPECT_EQ(image, meter.memory());
    EXPECT_EQ(meter.calls().blockRequests, BlockCount);
    ask('q', {}, 0);
}

TEST_F(SimTest, ResendAfterALostBlockLetsTheNextRequestCarryIt) {
    meter.faults.failBlockReads = {3};
    block(1);
    next();
    EXPECT_TRUE(next().empty()); // block 3 went missing
    const auto resent = ask('r', {}, 36);
    EXPECT_EQ(be16(resent, 32), 3u);
    const auto again = next();
    EXPECT_EQ(be16(again, 32), 3u);
    EXPECT_TRUE(std::equal(again.begin(), again.begin() + 32, meter.memory().begin() + 64));
    EXPECT_EQ(be16(next(), 32), 4u);
}

TEST_F(SimTest, ResumeByBlockNumberContinuesAfterIt) {
    block(1);
    next();
    block(40);
    block(40);
    EXPECT_EQ(be16(next(), 32), 41u);
}

TEST_F(SimTest, ReportedSizeAndMemoryCanBeReplaced) {
    meter.setReportedSize(10000);
    auto second = (block(1), next());
    EXPECT_EQ((std::vector<uint8_t>(second.begin() + 6, second.begin() + 9)),
              (std::vector<uint8_t>{0x00, 0x27, 0x0F}));
    EXPECT_EQ(second[34], checksum(second));
    EXPECT_EQ(info()[8], 0x0F);

    std::vector<uint8_t> image(100, 0x11);
    meter.setMemory(image);
    ASSERT_EQ(meter.memory().size(), Size);
    EXPECT_EQ(block(1)[0], 0x11);
    EXPECT_EQ(block(4)[3], 0x11); // byte 99, the last one given
    EXPECT_EQ(block(4)[4], ErasedByte);
}

// --- information and settings ---

TEST_F(SimTest, InformationReportsTheSettingsAndTheClock) {
    const auto r = info();
    ASSERT_EQ(r.size(), 64u);
    EXPECT_EQ(r[0], 0x02);
    EXPECT_EQ(r[2], 'O');
    EXPECT_EQ(r[3], 'K');
    EXPECT_EQ(be16(r, 4), 4u);
    EXPECT_EQ(uint32_t(r[6]) << 16 | be16(r, 7), 24239u);
    EXPECT_EQ(r[9], 0x00);
    EXPECT_EQ(r[10], 0x10);
    EXPECT_EQ(r[15], 105);
    EXPECT_EQ(be16(r, 18), 1873u);
    EXPECT_EQ(r[29], 1);
    EXPECT_EQ(be16(r, 30), 1000u);
    EXPECT_EQ(be16(r, 32), 500u);
    EXPECT_EQ(r[40], 0);
    EXPECT_EQ(r[48], 1);
    EXPECT_EQ((std::vector<uint8_t>(r.begin() + 49, r.begin() + 56)),
              (std::vector<uint8_t>{0x09, 0x05, 0x14, 0x31, 0x07, 0x00, 0x26}));
    clock.advance(61000);
    EXPECT_EQ(info()[50], 0x06);
}

TEST_F(SimTest, SettingCommandsAreAcknowledgedAndReportedBack) {
    EXPECT_TRUE(acknowledged(ask('I', {0x60, 0x60})));
    EXPECT_TRUE(acknowledged(ask('D', {0xFE, 0x70, 0, 0})));
    EXPECT_TRUE(acknowledged(ask('L', {0x22, 0x90, 0, 0})));
    EXPECT_TRUE(acknowledged(ask('F', {0x03, 0xE8, 0x03, 0x20})));
    EXPECT_TRUE(acknowledged(ask('W', {0, 0, 73, 0x9C})));
    EXPECT_TRUE(acknowledged(ask('W', {0, 0, 74, 0xA6})));
    EXPECT_TRUE(acknowledged(ask('W', {0, 0, 80, 7})));
    EXPECT_TRUE(acknowledged(ask('C')));
    auto r = info();
    EXPECT_EQ(r[9], 0x60);
    EXPECT_EQ(r[10], 0x60);
    EXPECT_EQ(be16(r, 43), 0xFE70u);
    EXPECT_EQ(be16(r, 38), 8848u);
    EXPECT_EQ(r[29], 1);
    EXPECT_EQ(be16(r, 30), 1000u);
    EXPECT_EQ(be16(r, 32), 800u);
    EXPECT_EQ(r[41], 0x9C);
    EXPECT_EQ(r[42], 0xA6);
    EXPECT_EQ(r[48], 7);
    EXPECT_NE(r[40], 0);
    ask('F', {0xFF, 0xFF, 0xFF, 0xFF});
    r = info();
    EXPECT_EQ(r[29], 0);
    EXPECT_EQ(be16(r, 30), 1000u);                               // limits kept while off
    EXPECT_FALSE(acknowledged(ask('W', {0x04, 0x00, 0x00, 1}))); // beyond the memory
}

TEST_F(SimTest, OffsetsShiftTheMeasuredValues) {
    const Reading before = meter.measured();
    ask('D', {0x00, 0x64, 0, 0}); // +100 ppm
    ask('W', {0, 0, 73, 0xEC});   // -2.0 %RH
    ask('W', {0, 0, 74, 0xB8});   // -7.2 F = -4.0 C
    const Reading after = meter.measured();
    EXPECT_FLOAT_EQ(after.ppm, before.ppm + 100);
    EXPECT_NEAR(after.humidity, before.humidity - 2.0f, 1e-4);
    EXPECT_NEAR(after.temperature, before.temperature - 4.0f, 1e-4);
}

TEST_F(SimTest, ClockCommandTakesTheTimeBlock) {
    EXPECT_TRUE(ask('t', {0, 0}, 32).empty()); // no answer before the block
    const auto r = setClock(timeBlock(0x30, 0x59, 0x23, 0x29, 0x02, 0x24));
    EXPECT_TRUE(acknowledged(r));
    EXPECT_EQ(meter.meterTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 30)));
    clock.advance(31000);
    const auto i = info();
    EXPECT_EQ((std::vector<uint8_t>(i.begin() + 49, i.begin() + 56)),
              (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x01, 0x03, 0x00, 0x24}));
    // A block without the rtc tag, or with an impossible date, is refused and changes nothing.
    auto bad = timeBlock(0x00, 0x00, 0x12, 0x01, 0x01, 0x25);
    bad[10] = 'x';
    EXPECT_FALSE(acknowledged(setClock(bad)));
    EXPECT_FALSE(acknowledged(setClock(timeBlock(0x00, 0x00, 0x12, 0x29, 0x02, 0x23))));
    EXPECT_EQ(meter.meterTime().date(), QDate(2024, 3, 1));
    // A block without a preceding 't' is ignored.
    meter.writeBlock(32, timeBlock(0, 0, 0, 0x01, 0x01, 0x20).data());
    EXPECT_TRUE(read(32).empty());
}

TEST_F(SimTest, EraseEmptiesTheMemoryAndStopsRecording) {
    ask('E');
    EXPECT_TRUE(acknowledged(ask('e', {0, 0})));
    EXPECT_FALSE(meter.recording());
    const auto r = info();
    EXPECT_EQ(be16(r, 4), 0u);
    EXPECT_EQ(uint32_t(r[6]) << 16 | be16(r, 7), 2815u);
    EXPECT_EQ(meter.memory()[2816], ErasedByte);
    EXPECT_EQ(r[29], 1); // settings survive
    ask('E');
    EXPECT_EQ(meter.dataSetCount(), 1);
    EXPECT_EQ(meter.memory()[2816], 0xA5);
}

// --- fault plan ---

TEST_F(SimTest, FaultPlanFailsChosenCalls) {
    meter.faults.failOpen = {2};
    meter.faults.failReadReply = {1};
    EXPECT_TRUE(ask('K').empty());
    EXPECT_EQ(meter.openDevice(MeterVendorId, MeterProductId), 1);
    EXPECT_EQ(meter.openDevice(MeterVendorId, MeterProductId), 0);
    EXPECT_EQ(ask('K').size(), 32u);
    meter.faults.failSetTimeouts = {3};
    meter.faults.failWriteBlock = {1};
    meter.faults.failSerialNumber = {1};
    EXPECT_NE(meter.setTimeouts(100, 100), 0);
    EXPECT_NE(meter.writeBlock(32, timeBlock(0, 0, 0, 1, 1, 0).data()), 0);
    char sn[32];
    EXPECT_NE(meter.readSerialNumber(0, sn, 32), 0);
    EXPECT_EQ(meter.calls().readReply, 2u);
    EXPECT_EQ(meter.calls().setTimeouts, 3u);
}

TEST_F(SimTest, FailedOpenKeepsADeviceThatIsAlreadyOpen) {
    ask('H');
    meter.faults.failOpen = {2};
    EXPECT_EQ(meter.openDevice(MeterVendorId, MeterProductId), 1);
    const Frame f = frameOf('B');
    EXPECT_EQ(meter.writeFrame(7, f.data()), 0);
    EXPECT_TRUE(acknowledged(read(32)));
}

TEST_F(SimTest, FaultPlanCorruptsBlockReplies) {
    meter.faults.corruptChecksumBlocks = {2};
    meter.faults.badMarkerBlocks = {5};
    meter.faults.wrongNumberBlocks = {6};
    block(1);
    const auto second = next();
    EXPECT_NE(second[34], checksum(second));
    EXPECT_EQ(block(5)[35], 0);
    EXPECT_EQ(be16(block(6), 32), 7u);
    EXPECT_EQ(block(7)[35], 5);
}

TEST_F(SimTest, FaultPlanSpoilsLiveEndBytesAndAcknowledgements) {
    meter.faults.badLiveEnd = {2};
    EXPECT_EQ(live()[63], 0x03);
    EXPECT_EQ(live()[63], 0x00);
    EXPECT_EQ(live()[63], 0x03);
    meter.faults.badLiveEndAlways = true;
    EXPECT_EQ(live()[63], 0x00);
    meter.faults.refuseAck = {'H', 'X'};
    EXPECT_FALSE(acknowledged(ask('H')));
    EXPECT_TRUE(meter.hold()); // the key still acted
    EXPECT_EQ(info()[2], 'N');
    meter.faults.dropReplies['B'] = {2};
    EXPECT_TRUE(acknowledged(ask('B')));
    EXPECT_TRUE(ask('B').empty());
}

TEST_F(SimTest, FaultPlanUnplugsAfterExchanges) {
    meter.faults.unplugAfterExchanges = 3;
    EXPECT_EQ(ask('K').size(), 32u);
    EXPECT_EQ(live().size(), 64u);
    EXPECT_EQ(live().size(), 64u); // the third exchange still completes
    EXPECT_TRUE(live().empty());
    EXPECT_FALSE(meter.pluggedIn());
    EXPECT_EQ(meter.exchanges(), 3u);
    char sn[32] = "unchanged";
    EXPECT_NE(meter.readSerialNumber(0, sn, 32), 0);
    EXPECT_STREQ(sn, "unchanged");
    meter.plugIn();
    EXPECT_EQ(live().size(), 64u); // fires once
}

TEST_F(SimTest, DroppedDeviceLosesItsPendingReply) {
    ask('K', {}, 0);
    meter.unplug();
    meter.plugIn();
    std::array<uint8_t, 32> buf{};
    EXPECT_NE(meter.readReply(32, buf.data()), 0);
}

} // namespace test_simulated_meter
