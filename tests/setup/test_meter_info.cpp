#include "setup/meter_info.h"
#include "setup_test_support.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {
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
} // namespace

TEST(MeterInfoDecode, MemoryAvailableCountsFreeRecordsUpToTheLastAddress) {
    EXPECT_EQ(availableAt(0x3F2FF), 0u);
    EXPECT_EQ(availableAt(0xB11), 31997u);
    EXPECT_EQ(availableAt(0), 258815u / 8);
    EXPECT_EQ(availableAt(0x3F300), 0u);
    EXPECT_EQ(availableAt(0xFFFFFF), 0u);
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
