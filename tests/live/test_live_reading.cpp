#include "live/live_reading.h"

#include <array>
#include <gtest/gtest.h>

namespace {
std::array<uint8_t, 64> reply() {
    std::array<uint8_t, 64> r{};
    r[0] = 0x02;
    r[63] = 0x03;
    return r;
}
void put(std::array<uint8_t, 64>& r, int at, std::array<uint8_t, 4> v) {
    std::copy(v.begin(), v.end(), r.begin() + at);
}
} // namespace

TEST(LiveReading, FloatsAreBigEndianAndTruncated) {
    auto r = reply();
    put(r, 21, {0x44, 0x0C, 0x80, 0x00}); // 562.0
    put(r, 25, {0x41, 0xC8, 0x00, 0x00}); // 25.0 C
    put(r, 29, {0x42, 0x34, 0x66, 0x66}); // 45.1
    LiveReading lr;
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.ppm, 562);
    EXPECT_FLOAT_EQ(lr.temperature, 25.0f);
    EXPECT_EQ(lr.humidity, 45.1f);
    EXPECT_LT(lr.humidity, 45.1); // a float just below 45.1, which the panel shows as 45.0
    r[2] = 0x01;
    DecodeLiveReading(r, lr);
    EXPECT_TRUE(lr.fahrenheit);
    EXPECT_FLOAT_EQ(lr.temperature, 77.0f);
}

TEST(LiveReading, RangeFlagsReplaceValues) {
    auto r = reply();
    put(r, 21, {0x44, 0x0C, 0x80, 0x00});
    put(r, 25, {0x41, 0xC8, 0x00, 0x00});
    LiveReading lr;
    r[6] = 0x08; // temperature under range
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.temperature, 99999.0f);
    EXPECT_EQ(lr.ppm, 562);
    r[6] = 0x03;
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.ppm, 99999);
    EXPECT_EQ(lr.humidity, 99999.0f);
    EXPECT_FLOAT_EQ(lr.temperature, 25.0f);
    EXPECT_EQ(lr.rangeFlags, 0x03);
}

TEST(LiveReading, BatteryAndRecordingRules) {
    auto r = reply();
    LiveReading lr;
    EXPECT_FALSE(lr.batteryLevel.has_value());
    r[1] = 0x00;
    DecodeLiveReading(r, lr);
    EXPECT_FALSE(lr.batteryLevel.has_value());
    r[1] = 0x0F;
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.batteryLevel, 3);
    r[1] = 0x08;
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.batteryLevel, 0);
    r[1] = 0x00;
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.batteryLevel, 0); // kept

    r[3] = 0x08; // recording
    DecodeLiveReading(r, lr);
    EXPECT_TRUE(lr.recording);
    r[3] = 0x10; // memory full, recording bit clear: recording kept
    DecodeLiveReading(r, lr);
    EXPECT_TRUE(lr.recording);
    EXPECT_TRUE(lr.memoryFull);
    r[3] = 0x00;
    DecodeLiveReading(r, lr);
    EXPECT_FALSE(lr.recording);
    r[3] = 0x18;
    DecodeLiveReading(r, lr);
    EXPECT_FALSE(lr.recording);

    r[3] = 0x67; // alarm, hi, lo, hold, flash mode
    r[4] = 0x1F;
    r[5] = 0x02;
    DecodeLiveReading(r, lr);
    EXPECT_TRUE(lr.alarm && lr.alarmHigh && lr.alarmLow && lr.hold && lr.statsFlashMode);
    EXPECT_TRUE(lr.minShown && lr.maxShown && lr.stelShown && lr.twaShown && lr.statsFlashAll);
    EXPECT_TRUE(lr.ppmDashes);
}

TEST(LiveReading, BadFrameChangesNothing) {
    auto r = reply();
    put(r, 21, {0x44, 0x0C, 0x80, 0x00});
    r[1] = 0x04;
    r[3] = 0x20;
    LiveReading lr;
    DecodeLiveReading(r, lr);
    const LiveReading before = lr;
    auto bad = r;
    bad[63] = 0x00;
    bad[21] = 0x45;
    bad[3] = 0;
    DecodeLiveReading(bad, lr);
    EXPECT_EQ(lr.ppm, before.ppm);
    EXPECT_TRUE(lr.hold);
    bad = r;
    bad[0] = 0x06;
    bad[6] = 0x01;
    DecodeLiveReading(bad, lr);
    EXPECT_EQ(lr.ppm, 562);
    // NaN or huge floats never overflow the integer.
    put(r, 21, {0x7F, 0xC0, 0x00, 0x00});
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.ppm, 0);
    put(r, 21, {0x7F, 0x7F, 0xFF, 0xFF});
    DecodeLiveReading(r, lr);
    EXPECT_EQ(lr.ppm, 2147483647);
}
