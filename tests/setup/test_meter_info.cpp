#include "setup/meter_info.h"
#include "setup_test_support.h"

#include <QLocale>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_meter_info {

std::vector<uint8_t> withPosition(uint32_t position) {
    auto r = infoReply();
    r[6] = uint8_t(position >> 16);
    r[7] = uint8_t(position >> 8);
    r[8] = uint8_t(position);
    return r;
}
uint32_t availableAt(uint32_t position) {
    return memoryAvailable(decodeMeterInfo(withPosition(position))->memoryPosition);
}

TEST(MeterInfoDecode, MemoryAvailableCountsFreeRecordsUpToTheLastAddress) {
    EXPECT_EQ(availableAt(0x3F2FF), 0u);
    EXPECT_EQ(availableAt(0xB11), 31997u);
    EXPECT_EQ(availableAt(0), 258815u / 8);
    EXPECT_EQ(availableAt(0x3F300), 0u);
    EXPECT_EQ(availableAt(0xFFFFFF), 0u);
}

// Every byte of the reply holds a different value, so a field read from the wrong offset or in the
// wrong byte order decodes to another number.
TEST(MeterInfoDecode, EveryFieldFromItsOwnBytesHighByteFirst) {
    std::vector<uint8_t> r(64);
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = uint8_t(0x10 + i);
    const MeterInfo a = *decodeMeterInfo(r);
    EXPECT_EQ(a.dataSets, 0x1415);
    EXPECT_EQ(a.memoryPosition, 0x161718u);
    EXPECT_EQ(a.intervalMinutesBcd, 0x19);
    EXPECT_EQ(a.intervalSecondsBcd, 0x1A);
    EXPECT_EQ(a.firmware, 0x1F);
    EXPECT_EQ(a.col2000, 0x2223);
    EXPECT_EQ(a.col400, 0x2425);
    EXPECT_EQ(a.col0, 0x2627);
    EXPECT_FALSE(a.alarmOn); // only 1 is on
    EXPECT_EQ(a.alarmHigh, 0x2E2F);
    EXPECT_EQ(a.alarmLow, 0x3031);
    EXPECT_EQ(a.altitude, 0x3637);
    EXPECT_TRUE(a.fahrenheit);
    EXPECT_EQ(a.humidityOffset, 0x39);
    EXPECT_EQ(a.temperatureOffset, 0x3A);
    EXPECT_EQ(a.ppmOffset, 0x3B3C);
    EXPECT_EQ(a.powerOffCode, 0x40);
    EXPECT_EQ(meterTimeText(a), "45/44/2047   43:42:41");
    EXPECT_EQ(intervalText(a), "19:1A");

    // Signed fields, the alarm switch and the Celsius unit.
    r[29] = 1;
    r[40] = 0;
    r[41] = 0xE7;
    r[42] = 0xA6;
    r[43] = 0xFE;
    r[44] = 0x70;
    const MeterInfo b = *decodeMeterInfo(r);
    EXPECT_TRUE(b.alarmOn);
    EXPECT_FALSE(b.fahrenheit);
    EXPECT_EQ(b.humidityOffset, -25);
    EXPECT_EQ(b.temperatureOffset, -90);
    EXPECT_EQ(b.ppmOffset, -400);
    EXPECT_FALSE(decodeMeterInfo(std::span(r).first(63)).has_value());
}

TEST(MeterInfoDecode, TemperatureOffsetShownInTheMetersUnit) {
    auto r = infoReply();
    r[42] = 0xA6;
    r[40] = 0;
    auto info = decodeMeterInfo(r);
    EXPECT_FALSE(info->fahrenheit);
    EXPECT_EQ(temperatureOffsetText(info->temperatureOffset, info->fahrenheit), "-5.0");
    r[40] = 1;
    info = decodeMeterInfo(r);
    EXPECT_TRUE(info->fahrenheit);
    EXPECT_EQ(temperatureOffsetText(info->temperatureOffset, info->fahrenheit), "-9.0");
    r[40] = 0x80; // any value but 0 means Fahrenheit
    EXPECT_TRUE(decodeMeterInfo(r)->fahrenheit);
    EXPECT_EQ(temperatureOffsetText(9, false), "0.5");
}

TEST(MeterInfoTexts, PowerOffCodesAboveSixHaveNoText) {
    EXPECT_EQ(powerOffText(0), "OFF");
    EXPECT_EQ(powerOffText(6), "8 hours");
    EXPECT_EQ(powerOffText(7), "");
    EXPECT_EQ(powerOffText(255), "");
    EXPECT_EQ(powerOffEntry(0), "Off");
    EXPECT_EQ(powerOffEntry(1), "10 minutes");
    EXPECT_EQ(powerOffEntry(7), "");
}

TEST(MeterInfoTexts, BcdBytesShowTheirHexDigits) {
    EXPECT_EQ(bcdText(0x02), "02");
    EXPECT_EQ(bcdText(0x59), "59");
    EXPECT_EQ(bcdText(0x1A), "1A"); // not valid BCD: shown as received
}

TEST(MeterInfoTexts, DecimalsFollowTheUsersLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(firmwareText(123), "1,23");
    EXPECT_EQ(humidityOffsetText(-25), "-2,5");
    EXPECT_EQ(temperatureOffsetText(-90, false), "-5,0");
    QLocale::setDefault(saved);
}

} // namespace test_meter_info
