#include "logger/data_set_decoder.h"
#include "platform/clock.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_data_set_decoder {

const QDateTime Now(QDate(2026, 7, 31), QTime(14, 5, 9));

struct Record {
    uint32_t ppmBits = std::bit_cast<uint32_t>(450.0f);
    uint16_t tempRaw = 215;
    uint16_t rhRaw = 456;
};

Record ppm(float value) {
    return {std::bit_cast<uint32_t>(value), 215, 456};
}

struct SetLayout {
    uint8_t stamp[6] = {0x24, 0x03, 0x01, 0x12, 0x00, 0x00}; // 2024-03-01 12:00:00
    uint8_t intervalMinutes = 0x01;
    uint8_t intervalSeconds = 0x00;
    uint8_t unit = 0;
    uint16_t ppmOffset = 0;
    uint8_t rhOffset = 0;
    uint8_t tempOffset = 0;
    std::vector<Record> records{};
    int claimedRecords = -1; // record count written into the header, when it should lie
};

// Builds a logging-memory image: the count at 36-37, the sets back to back from 2816.
struct ImageBuilder {
    MemoryImage bytes = MemoryImage(FirstSetOffset, 0xEE);

    ImageBuilder& count(uint16_t c) {
        bytes[36] = static_cast<uint8_t>(c >> 8);
        bytes[37] = static_cast<uint8_t>(c);
        return *this;
    }
    ImageBuilder& add(const SetLayout& s) {
        const auto n = static_cast<uint16_t>(s.claimedRecords >= 0 ? s.claimedRecords : s.records.size());
        bytes.insert(bytes.end(), {0xA5, 0x5A, 0x00});
        bytes.insert(bytes.end(), std::begin(s.stamp), std::end(s.stamp));
        bytes.insert(bytes.end(),
                     {s.intervalMinutes, s.intervalSeconds, s.unit, uint8_t(n >> 8), uint8_t(n),
                      uint8_t(s.ppmOffset >> 8), uint8_t(s.ppmOffset), s.rhOffset, s.tempOffset});
        for (const Record& r : s.records)
            bytes.insert(bytes.end(), {uint8_t(r.ppmBits >> 24), uint8_t(r.ppmBits >> 16),
                                       uint8_t(r.ppmBits >> 8), uint8_t(r.ppmBits), uint8_t(r.tempRaw >> 8),
                                       uint8_t(r.tempRaw), uint8_t(r.rhRaw >> 8), uint8_t(r.rhRaw)});
        if (s.claimedRecords < 0)
            bytes.insert(bytes.end(), {0x5A, 0xA5});
        return *this;
    }
};

// A heap copy of exactly the image's size, so that a read past its end trips the address sanitizer.
struct ExactImage {
    explicit ExactImage(const MemoryImage& from) : size(from.size()), data(new uint8_t[from.size()]) {
        std::copy(from.begin(), from.end(), data.get());
    }
    DecodedDataSets decode() const { return decodeDataSets(std::span<const uint8_t>(data.get(), size), Now); }
    std::size_t size;
    std::unique_ptr<uint8_t[]> data;
};

DecodedDataSets decode(const ImageBuilder& b) {
    return ExactImage(b.bytes).decode();
}

double value(int y, int mo, int d, int h, int mi, int s) {
    return toDateTimeValue(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

DataSet decodeOne(const SetLayout& s) {
    const DecodedDataSets r = decode(ImageBuilder().count(1).add(s));
    EXPECT_EQ(r.code, DecodeOk);
    return r.sets.at(0);
}

TEST(DataSetDecoderCount, ZeroAndAboveLimitLeaveTheStoreAlone) {
    DataSetStore store;
    store.image = ImageBuilder().count(1).add({.records = {ppm(500.0f)}}).bytes;
    ASSERT_EQ(decodeDataSets(store, Now), DecodeOk);
    const DataSetStore before = store;

    for (const auto& [claimed, code] : {std::pair{0, DecodeNoDataSets}, std::pair{4001, DecodeTooManySets}}) {
        store.image = ImageBuilder().count(uint16_t(claimed)).add({.records = {ppm(1.0f)}}).bytes;
        EXPECT_EQ(decodeDataSets(store, Now), code) << claimed;
        EXPECT_EQ(store.sets, before.sets);
        EXPECT_EQ(store.sampleValues, before.sampleValues);
        EXPECT_EQ(store.sampleTimes, before.sampleTimes);
    }
}

TEST(DataSetDecoderCount, FourThousandEmptySetsAreDecoded) {
    ImageBuilder b;
    b.count(4000);
    for (int i = 0; i < 4000; ++i)
        b.add({});
    const DecodedDataSets r = decode(b);
    ASSERT_EQ(r.code, DecodeOk);
    ASSERT_EQ(r.sets.size(), 4000u);
    EXPECT_FALSE(r.truncated);
    EXPECT_TRUE(r.sampleValues.empty());
    EXPECT_EQ(r.sets[3999].imageStart, 2816 + 3999 * 20);
    EXPECT_EQ(r.sets[3999].imageEnd, 2816 + 3999 * 20 + 19);
}

TEST(DataSetDecoderWalk, EmptySetIsFollowedTwentyBytesLater) {
    const DecodedDataSets r = decode(ImageBuilder().count(2).add({}).add({.records = {ppm(612.0f)}}));
    ASSERT_EQ(r.sets.size(), 2u);
    EXPECT_EQ(r.sets[0].recordCount, 0);
    EXPECT_EQ(r.sets[1].imageStart, 2836);
    EXPECT_EQ(r.sets[1].imageEnd, 2836 + 27);
    ASSERT_EQ(r.sampleValues.size(), 3u);
    EXPECT_EQ(r.sampleValues[0], 612.0f);
}

TEST(DataSetDecoderWalk, TwoSetsOfTwoAndThreeRecords) {
    DataSetStore store;
    store.image = ImageBuilder()
                      .count(2)
                      .add({.records = {ppm(401.0f), ppm(402.0f)}})
                      .add({.intervalSeconds = 0x05, .records = {ppm(501.0f), ppm(502.0f), ppm(503.0f)}})
                      .bytes;
    ASSERT_EQ(decodeDataSets(store, Now), DecodeOk);
    EXPECT_EQ(store.sampleValues.size(), 15u);
    EXPECT_EQ(store.sampleTimes.size(), 15u);
    EXPECT_EQ(store.firstSampleOf(1), 6u);
    EXPECT_EQ(store.sampleValues[3], 402.0f);
    EXPECT_EQ(store.sampleValues[6], 501.0f);
    EXPECT_EQ(store.sampleValues[12], 503.0f);
    EXPECT_EQ(store.sets[1].intervalSeconds, 65);
}

TEST(DataSetDecoderHeader, IntervalBytes) {
    const struct {
        uint8_t minutes, seconds;
        int expected;
    } cases[] = {{0x00, 0x00, 2},  {0x00, 0x30, 30},   {0x01, 0x00, 60}, {0x61, 0x05, 5},
                 {0x00, 0x61, 2},  {0x60, 0x60, 3660}, {0x00, 0x60, 60}, {0x0A, 0x0B, 611},
                 {0x01, 0x61, 62}, {0x61, 0x61, 2}}; // seconds above 60 become 2 also beside minutes
    for (const auto& c : cases)
        EXPECT_EQ(decodeOne({.intervalMinutes = c.minutes, .intervalSeconds = c.seconds}).intervalSeconds,
                  c.expected)
            << int(c.minutes) << " " << int(c.seconds);
}

TEST(DataSetDecoderHeader, StartDateAndFallBacks) {
    const struct {
        uint8_t stamp[6];
        double expected;
    } cases[] = {
        {{0x24, 0x02, 0x29, 0x23, 0x59, 0x58}, value(2024, 2, 29, 23, 59, 58)},
        {{0x23, 0x02, 0x29, 0x10, 0x00, 0x00}, toDateTimeValue(Now)},         // no 29 February in 2023
        {{0x24, 0x1A, 0x15, 0x08, 0x30, 0x00}, value(2024, 7, 15, 8, 30, 0)}, // month from the clock
        {{0x2F, 0x01, 0x02, 0x03, 0x04, 0x05}, value(2026, 1, 2, 3, 4, 5)},   // year from the clock
        {{0x24, 0x01, 0x02, 0xB3, 0x04, 0x0C}, value(2024, 1, 2, 14, 4, 9)},  // hour, second from the clock
        {{0x24, 0x01, 0x02, 0x24, 0x00, 0x00}, toDateTimeValue(Now)},         // hour 24
        {{0x24, 0x01, 0x02, 0x03, 0x60, 0x00}, toDateTimeValue(Now)},         // minute 60
        {{0x24, 0x00, 0x02, 0x03, 0x04, 0x05}, toDateTimeValue(Now)},         // month 0
    };
    for (const auto& c : cases) {
        SetLayout s;
        std::copy(std::begin(c.stamp), std::end(c.stamp), s.stamp);
        EXPECT_DOUBLE_EQ(decodeOne(s).startTime, c.expected) << int(c.stamp[0]) << "-" << int(c.stamp[1]);
    }
}

TEST(DataSetDecoderHeader, UnitAndOffsetsAsStored) {
    const DataSet s = decodeOne({.unit = 0x07, .ppmOffset = 0xFFE7, .rhOffset = 0xFB, .tempOffset = 0x80});
    EXPECT_EQ(s.fahrenheit, 0x07);
    EXPECT_EQ(s.ppmOffset, -25);
    EXPECT_EQ(s.rhOffsetTenths, 251);
    EXPECT_EQ(s.tempOffsetTenths, 128);
    EXPECT_EQ(decodeOne({.ppmOffset = 0x7FFF}).ppmOffset, 32767);
}

TEST(DataSetDecoderRecords, CarbonDioxide) {
    const struct {
        uint32_t bits;
        float expected;
    } cases[] = {{0x43C87333, 400.0f},
                 {0xBF800000, OverRangeValue},
                 {0x7FC00000, OverRangeValue},
                 {std::bit_cast<uint32_t>(40000.0f), 40000.0f},
                 {std::bit_cast<uint32_t>(40000.5f), OverRangeValue},
                 {std::bit_cast<uint32_t>(std::numeric_limits<float>::infinity()), OverRangeValue},
                 {0x00000000, 0.0f}};
    for (const auto& c : cases) {
        const DecodedDataSets r = decode(ImageBuilder().count(1).add({.records = {{c.bits, 0, 0}}}));
        ASSERT_EQ(r.sampleValues.size(), 3u);
        EXPECT_EQ(r.sampleValues[0], c.expected) << std::hex << c.bits;
    }
}

TEST(DataSetDecoderRecords, HumidityAndTemperature) {
    const std::vector<Record> records = {{0, 250, 1000}, {0, 0, 1001}, {0, 65535, 455}};
    const DecodedDataSets r = decode(
        ImageBuilder().count(2).add({.unit = 0, .records = records}).add({.unit = 1, .records = records}));
    ASSERT_EQ(r.sampleValues.size(), 18u);
    const std::vector<float> celsius(r.sampleValues.begin(), r.sampleValues.begin() + 9);
    EXPECT_EQ(celsius, (std::vector<float>{0.0f, 100.0f, 25.0f, 0.0f, OverRangeValue, 0.0f, 0.0f,
                                           static_cast<float>(455 * 0.1), static_cast<float>(65535 * 0.1)}));
    EXPECT_EQ(r.sampleValues[9 + 2], 77.0f);
    EXPECT_EQ(r.sampleValues[9 + 5], 32.0f);
    EXPECT_EQ(r.sampleValues[9 + 4], OverRangeValue);
}

TEST(DataSetDecoderRecords, RecordTimesStepByTheInterval) {
    const DecodedDataSets r = decode(ImageBuilder().count(1).add({.records = std::vector<Record>(4)}));
    ASSERT_EQ(r.sampleTimes.size(), 12u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fromDateTimeValue(r.sampleTimes[3 * k]), QDateTime(QDate(2024, 3, 1), QTime(12, k, 0)))
            << k;
        EXPECT_EQ(r.sampleTimes[3 * k + 1], r.sampleTimes[3 * k]);
        EXPECT_EQ(r.sampleTimes[3 * k + 2], r.sampleTimes[3 * k]);
    }
}

TEST(DataSetDecoderTruncated, ImageTooShortForTheCount) {
    for (std::size_t size : {0u, 1u, 37u}) {
        ExactImage img(MemoryImage(size, 0x01));
        const DecodedDataSets r = img.decode();
        EXPECT_EQ(r.code, DecodeNoDataSets);
        EXPECT_TRUE(r.truncated);
    }
}

TEST(DataSetDecoderTruncated, KeepsTheWholeSetsBeforeTheOneThatDoesNotFit) {
    ImageBuilder b;
    b.count(3).add({.records = {ppm(1.0f), ppm(2.0f)}}).add({.records = {ppm(3.0f)}});
    const MemoryImage whole = b.bytes;
    b.add({.records = {ppm(4.0f)}});
    // Cut the third set anywhere, even just before its end marker's last byte.
    for (std::size_t cut : {whole.size(), whole.size() + 5, whole.size() + 18, b.bytes.size() - 1}) {
        ExactImage img(MemoryImage(b.bytes.begin(), b.bytes.begin() + std::ptrdiff_t(cut)));
        const DecodedDataSets r = img.decode();
        EXPECT_EQ(r.code, DecodeOk) << cut;
        EXPECT_TRUE(r.truncated);
        EXPECT_EQ(r.setsClaimed, 3);
        ASSERT_EQ(r.sets.size(), 2u);
        EXPECT_EQ(r.sampleValues.size(), 9u);
        EXPECT_EQ(r.sampleValues[6], 3.0f);
    }
    const DecodedDataSets full = ExactImage(b.bytes).decode();
    EXPECT_FALSE(full.truncated);
    EXPECT_EQ(full.sets.size(), 3u);
}

TEST(DataSetDecoderTruncated, LyingCountsNeverReadOutside) {
    // One set claims 65535 records in a full-size image; the count claims more sets than exist.
    ImageBuilder lying;
    lying.count(1).add({.records = {ppm(1.0f)}, .claimedRecords = 65535});
    lying.bytes.resize(262144, 0x00);
    DataSetStore store;
    store.image = lying.bytes;
    bool truncated = false;
    EXPECT_EQ(decodeDataSets(store, Now, &truncated), DecodeNoDataSets);
    EXPECT_TRUE(truncated);
    EXPECT_TRUE(store.sets.empty());
    EXPECT_EQ(ExactImage(lying.bytes).decode().code, DecodeNoDataSets);

    const DecodedDataSets r = decode(ImageBuilder().count(4000).add({.records = {ppm(7.0f)}}));
    EXPECT_EQ(r.code, DecodeOk);
    EXPECT_TRUE(r.truncated);
    ASSERT_EQ(r.sets.size(), 1u);

    // A count with no set area at all.
    EXPECT_EQ(ExactImage(MemoryImage(100, 0x05)).decode().code, DecodeNoDataSets);
}

} // namespace test_data_set_decoder
