#include "setup/meter_config.h"

#include <QLocale>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_meter_config {

using namespace meter_config;

struct LocaleScope {
    QLocale saved;
    explicit LocaleScope(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(saved); }
};

TEST(MeterConfigInterval, DigitsBecomeBcdAndLimitsAreSixtyAndNotBothZero) {
    auto i = parseInterval("60", "60");
    ASSERT_TRUE(i);
    EXPECT_EQ(i->minutesBcd, 0x60);
    EXPECT_EQ(i->secondsBcd, 0x60);

    i = parseInterval("00", "01");
    ASSERT_TRUE(i);
    EXPECT_EQ(i->minutesBcd, 0x00);
    EXPECT_EQ(i->secondsBcd, 0x01);

    i = parseInterval("05", "30");
    ASSERT_TRUE(i);
    EXPECT_EQ(i->minutesBcd, 0x05);
    EXPECT_EQ(i->secondsBcd, 0x30);

    i = parseInterval("5", "9"); // one digit left in the editor
    ASSERT_TRUE(i);
    EXPECT_EQ(i->minutesBcd, 0x05);
    EXPECT_EQ(i->secondsBcd, 0x09);

    EXPECT_FALSE(parseInterval("00", "00"));
    EXPECT_FALSE(parseInterval("0", "0"));
    EXPECT_FALSE(parseInterval("61", "00"));
    EXPECT_FALSE(parseInterval("00", "61"));
    EXPECT_FALSE(parseInterval("", "10"));
    EXPECT_FALSE(parseInterval("1A", "10"));
    EXPECT_FALSE(parseInterval("+1", "10"));
    EXPECT_FALSE(parseInterval("100", "10"));
}

TEST(MeterConfigOffsets, HumidityInTenthsWithTheLimitsIncluded) {
    EXPECT_EQ(humidityOffsetCell("10.0"), std::optional<uint8_t>(0x64));
    EXPECT_EQ(humidityOffsetCell("-10.0"), std::optional<uint8_t>(0x9C));
    EXPECT_EQ(humidityOffsetCell("2.3"), std::optional<uint8_t>(23));
    EXPECT_EQ(humidityOffsetCell(" 0 "), std::optional<uint8_t>(0));
    EXPECT_EQ(humidityOffsetCell("0.19"), std::optional<uint8_t>(1)); // truncated toward zero
    EXPECT_EQ(humidityOffsetCell("-0.19"), std::optional<uint8_t>(0xFF));
    EXPECT_FALSE(humidityOffsetCell("10.01"));
    EXPECT_FALSE(humidityOffsetCell("-10.01"));
    EXPECT_FALSE(humidityOffsetCell("abc"));
    EXPECT_FALSE(humidityOffsetCell(""));
    EXPECT_FALSE(humidityOffsetCell("nan"));
    EXPECT_FALSE(humidityOffsetCell("inf"));
}

TEST(MeterConfigOffsets, TemperatureRangeAndScaleFollowTheMetersUnit) {
    EXPECT_EQ(temperatureOffsetCell("-5.0", false), std::optional<uint8_t>(0xA6));
    EXPECT_EQ(temperatureOffsetCell("5", false), std::optional<uint8_t>(90));
    EXPECT_EQ(temperatureOffsetCell("0.1", false), std::optional<uint8_t>(1)); // 1.8 truncated
    EXPECT_FALSE(temperatureOffsetCell("6.0", false));
    EXPECT_EQ(temperatureOffsetCell("9.0", true), std::optional<uint8_t>(0x5A));
    EXPECT_EQ(temperatureOffsetCell("6.0", true), std::optional<uint8_t>(60));
    EXPECT_EQ(temperatureOffsetCell("-9.0", true), std::optional<uint8_t>(0xA6));
    EXPECT_FALSE(temperatureOffsetCell("9.1", true));
    EXPECT_FALSE(temperatureOffsetCell("x", true));
    EXPECT_EQ(temperatureOffsetMessage(false), "invalid data, must between 5.0 and -5.0");
    EXPECT_EQ(temperatureOffsetMessage(true), "invalid data, must between 9.0 and -9.0");
}

TEST(MeterConfigOffsets, DecimalsReadInTheUsersLocaleOrWithAPoint) {
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(humidityOffsetCell("-2,5"), std::optional<uint8_t>(0xE7));
    EXPECT_EQ(humidityOffsetCell("-2.5"), std::optional<uint8_t>(0xE7));
    EXPECT_FALSE(humidityOffsetCell("10,01"));
}

TEST(MeterConfigCo2, OffsetIsCheckedBeforeItIsCutToSixteenBits) {
    using S = Co2Offset::Status;
    auto c = parseCo2Offset("-400");
    EXPECT_EQ(c.status, S::Ok);
    EXPECT_EQ(c.bytes, (std::array<uint8_t, 2>{0xFE, 0x70}));
    c = parseCo2Offset("400");
    EXPECT_EQ(c.status, S::Ok);
    EXPECT_EQ(c.bytes, (std::array<uint8_t, 2>{0x01, 0x90}));
    EXPECT_EQ(parseCo2Offset("401").status, S::OutOfRange);
    EXPECT_EQ(parseCo2Offset("-401").status, S::OutOfRange);
    EXPECT_EQ(parseCo2Offset("65636").status, S::OutOfRange); // would otherwise reach the meter as 100
    EXPECT_EQ(parseCo2Offset("1.5").status, S::NotInteger);
    EXPECT_EQ(parseCo2Offset("").status, S::NotInteger);
    EXPECT_EQ(parseCo2Offset("99999999999").status, S::NotInteger);
}

TEST(MeterConfigAltitude, MetresFromZeroTo8848) {
    EXPECT_EQ(parseAltitude("0"), (std::optional<std::array<uint8_t, 2>>{{0x00, 0x00}}));
    EXPECT_EQ(parseAltitude("8848"), (std::optional<std::array<uint8_t, 2>>{{0x22, 0x90}}));
    EXPECT_FALSE(parseAltitude("-1"));
    EXPECT_FALSE(parseAltitude("8849"));
    EXPECT_FALSE(parseAltitude("high"));
}

TEST(MeterConfigAlarm, LimitsAreSwappedBeforeTheRangeCheck) {
    auto a = parseAlarmLimits("800", "1000");
    EXPECT_TRUE(a.ok());
    EXPECT_TRUE(a.swapped);
    EXPECT_EQ(alarmBytes(a), (std::array<uint8_t, 4>{0x03, 0xE8, 0x03, 0x20}));

    a = parseAlarmLimits("40000", "0");
    EXPECT_TRUE(a.ok());
    EXPECT_FALSE(a.swapped);
    EXPECT_EQ(alarmBytes(a), (std::array<uint8_t, 4>{0x9C, 0x40, 0x00, 0x00}));

    a = parseAlarmLimits("10", "-5");
    EXPECT_TRUE(a.integers);
    EXPECT_FALSE(a.inRange);
    a = parseAlarmLimits("40001", "100");
    EXPECT_FALSE(a.ok());
    a = parseAlarmLimits("-5", "10"); // swapped first, then the low limit is out of range
    EXPECT_TRUE(a.swapped);
    EXPECT_FALSE(a.ok());
    a = parseAlarmLimits("x", "10");
    EXPECT_FALSE(a.integers);
    EXPECT_FALSE(a.swapped);

    EXPECT_EQ(alarmBytes(std::nullopt), (std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(MeterConfigClock, TimeBlockCarriesBcdFieldsAndLeavesTheRestAlone) {
    std::array<uint8_t, 32> block;
    block.fill(0xAA);
    writeTimeBlock(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)), block);
    const std::array<uint8_t, 11> head{0x09, 0x05, 0x14, 0x31, 0x07, 0xAA, 0x26, 0x00, 'r', 't', 'c'};
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(block[i], head[i]) << i;
    for (std::size_t i = 11; i < block.size(); ++i)
        EXPECT_EQ(block[i], 0xAA) << i;

    EXPECT_EQ(toBcd(0), 0x00);
    EXPECT_EQ(toBcd(59), 0x59);
    writeTimeBlock(QDateTime(QDate(2100, 1, 2), QTime(0, 0, 0)), block);
    EXPECT_EQ(block[6], 0x00);
}

} // namespace test_meter_config
