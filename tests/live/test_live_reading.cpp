#include "live/live_reading.h"

#include <QString>
#include <QStringList>
#include <array>
#include <gtest/gtest.h>
#include <initializer_list>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_live_reading {

std::array<uint8_t, 64> reply() {
    std::array<uint8_t, 64> r{};
    r[0] = 0x02;
    r[63] = 0x03;
    return r;
}
void put(std::array<uint8_t, 64>& r, int at, std::array<uint8_t, 4> v) {
    std::copy(v.begin(), v.end(), r.begin() + at);
}
// Every field of a reading in one line, so a test compares whole records and shows what differs.
std::string describe(const LiveReading& r) {
    QStringList flags;
    const std::pair<bool, const char*> named[] = {
        {r.fahrenheit, "F"},
        {r.alarm, "alarm"},
        {r.alarmHigh, "Hi"},
        {r.alarmLow, "Lo"},
        {r.recording, "REC"},
        {r.memoryFull, "FULL"},
        {r.hold, "HOLD"},
        {r.statsFlashMode, "flash"},
        {r.minShown, "MIN"},
        {r.maxShown, "MAX"},
        {r.stelShown, "STEL"},
        {r.twaShown, "TWA"},
        {r.statsFlashAll, "flashAll"},
        {r.ppmDashes, "dashes"},
    };
    for (const auto& [on, name] : named)
        if (on)
            flags << QString::fromLatin1(name);
    return QStringLiteral("battery=%1 range=%2 ppm=%3 t=%4 rh=%5 [%6]")
        .arg(r.batteryLevel ? QString::number(*r.batteryLevel) : QStringLiteral("none"))
        .arg(uint(r.rangeFlags), 2, 16, QLatin1Char('0'))
        .arg(r.ppm)
        .arg(double(r.temperature), 0, 'g', 9)
        .arg(double(r.humidity), 0, 'g', 9)
        .arg(flags.join(u' '))
        .toStdString();
}

// Each flag byte bit by bit (and the combinations whose order matters), from a reply carrying
// 562 ppm, 25.0 degrees C and 45.1 %RH: the whole decoded record must be exactly the one expected.
TEST(LiveReading, EachFlagBitDecodesIntoExactlyItsField) {
    struct Case {
        std::initializer_list<std::pair<int, uint8_t>> bytes; // reply byte, value
        const char* expected;
    };
    const char* plain = "battery=none range=00 ppm=562 t=25 rh=45.0999985 []";
    const Case cases[] = {
        {{}, plain},
        {{{1, 0x01}}, "battery=1 range=00 ppm=562 t=25 rh=45.0999985 []"},
        {{{1, 0x02}}, "battery=2 range=00 ppm=562 t=25 rh=45.0999985 []"},
        {{{1, 0x04}}, "battery=3 range=00 ppm=562 t=25 rh=45.0999985 []"},
        {{{1, 0x08}}, "battery=0 range=00 ppm=562 t=25 rh=45.0999985 []"},
        {{{1, 0x0B}}, "battery=2 range=00 ppm=562 t=25 rh=45.0999985 []"}, // bit 1 before bits 0 and 3
        {{{1, 0x09}}, "battery=1 range=00 ppm=562 t=25 rh=45.0999985 []"}, // bit 0 before bit 3
        {{{1, 0xF0}}, plain},
        {{{2, 0x01}}, "battery=none range=00 ppm=562 t=77 rh=45.0999985 [F]"},
        {{{2, 0xFE}}, plain},
        {{{3, 0x01}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [alarm]"},
        {{{3, 0x02}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [Hi]"},
        {{{3, 0x04}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [Lo]"},
        {{{3, 0x08}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [REC]"},
        {{{3, 0x10}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [FULL]"},
        {{{3, 0x18}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [FULL]"}, // REC kept while full
        {{{3, 0x20}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [HOLD]"},
        {{{3, 0x40}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [flash]"},
        {{{3, 0x80}}, plain},
        {{{4, 0x01}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [MIN]"},
        {{{4, 0x02}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [MAX]"},
        {{{4, 0x04}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [STEL]"},
        {{{4, 0x08}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [TWA]"},
        {{{4, 0x10}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [flashAll]"},
        {{{4, 0xE0}}, plain},
        {{{5, 0x01}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [dashes]"},
        {{{5, 0x02}}, "battery=none range=00 ppm=562 t=25 rh=45.0999985 [dashes]"},
        {{{5, 0xFC}}, plain},
        {{{6, 0x01}}, "battery=none range=01 ppm=99999 t=25 rh=45.0999985 []"},
        {{{6, 0x02}}, "battery=none range=02 ppm=562 t=25 rh=99999 []"},
        {{{6, 0x04}}, "battery=none range=04 ppm=562 t=99999 rh=45.0999985 []"},
        {{{6, 0x08}}, "battery=none range=08 ppm=562 t=99999 rh=45.0999985 []"},
        {{{6, 0xF0}}, "battery=none range=f0 ppm=562 t=25 rh=45.0999985 []"},
        // Out of range wins over the unit: 99999, never 99999 converted to Fahrenheit.
        {{{2, 0x01}, {6, 0x04}}, "battery=none range=04 ppm=562 t=99999 rh=45.0999985 [F]"},
        {{{2, 0x01}, {6, 0x08}}, "battery=none range=08 ppm=562 t=99999 rh=45.0999985 [F]"},
        // The bytes that carry no field change nothing.
        {{{7, 0xFF}, {20, 0xFF}, {33, 0xFF}, {62, 0xFF}}, plain},
    };
    for (const Case& c : cases) {
        auto r = reply();
        put(r, 21, {0x44, 0x0C, 0x80, 0x00}); // 562.0
        put(r, 25, {0x41, 0xC8, 0x00, 0x00}); // 25.0
        put(r, 29, {0x42, 0x34, 0x66, 0x66}); // 45.1
        QStringList written;
        for (const auto& [at, value] : c.bytes) {
            r[size_t(at)] = value;
            written << QStringLiteral("byte %1 = %2").arg(at).arg(uint(value), 2, 16, QLatin1Char('0'));
        }
        LiveReading lr;
        DecodeLiveReading(r, lr);
        EXPECT_EQ(describe(lr), c.expected) << written.join(", ").toStdString();
    }
}

// Fahrenheit: t x 1.8 + 32 in double precision, stored as float: -40 stays -40, 36.6 gives 97.88.
TEST(LiveReading, FahrenheitConversionIsExact) {
    auto r = reply();
    r[2] = 0x01;
    const std::pair<std::array<uint8_t, 4>, float> cases[] = {
        {{0xC2, 0x20, 0x00, 0x00}, -40.0f},                            // -40.0
        {{0x42, 0x12, 0x66, 0x66}, float(double(36.6f) * 1.8 + 32.0)}, // 36.6
        {{0x00, 0x00, 0x00, 0x00}, 32.0f},
    };
    for (const auto& [bytes, expected] : cases) {
        put(r, 25, bytes);
        LiveReading lr;
        DecodeLiveReading(r, lr);
        EXPECT_EQ(lr.temperature, expected);
    }
}

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

} // namespace test_live_reading
