#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A byte-for-byte copy of the meter's logging memory; offset 0 is the first byte of that memory.
using MemoryImage = std::vector<uint8_t>;

// Sample value of a reading outside the meter's range or of a stored value that is not a reading.
inline constexpr float OverRangeValue = 90000.0f;

// Header of one decoded data set. Times are date-time values (days since 30 Dec 1899).
struct DataSet {
    double startTime = 0.0;      // time of the first record
    int32_t intervalSeconds = 0; // 1..3660
    int32_t recordCount = 0;     // N, 0..65535
    uint8_t fahrenheit = 0;      // unit byte as stored, 0 = Celsius
    int32_t ppmOffset = 0;       // -32768..32767
    int32_t rhOffsetTenths = 0;  // 0..255, shown as value * 0.1
    int32_t tempOffsetTenths = 0;
    int32_t imageStart = 0; // offset of the set's first byte in the image
    int32_t imageEnd = 0;   // offset of the set's last byte: imageStart + 19 + 8N

    friend bool operator==(const DataSet&, const DataSet&) = default;
};

// The program-wide store of the last download or opened collection. Set k occupies
// sampleValues / sampleTimes from index 3 * (N0 + ... + Nk-1) for 3 * Nk entries; each record
// contributes ppm, %RH and temperature in that order, all three with the record's time.
// The samples of one set: 3N times and 3N values, record after record, each record's ppm, %RH and
// temperature after one another, all three with the record's time. Point p of subset s is entry
// 3p + s of both.
struct DataSetSamples {
    std::span<const double> times;
    std::span<const float> values;
};

struct DataSetStore {
    MemoryImage image; // lives from its filling to the end of the decode
    std::vector<DataSet> sets;
    std::vector<float> sampleValues;
    std::vector<double> sampleTimes;

    // Index of the first sample of set k in sampleValues / sampleTimes.
    std::size_t firstSampleOf(std::size_t k) const {
        std::size_t first = 0;
        for (std::size_t i = 0; i < k && i < sets.size(); ++i)
            first += 3 * static_cast<std::size_t>(sets[i].recordCount);
        return first;
    }

    // Set k's samples; empty for a k outside the store, a header that cannot be right, or sample
    // arrays that do not hold the whole set.
    std::optional<DataSetSamples> samplesOf(std::size_t k) const {
        if (k >= sets.size() || sets[k].recordCount < 0 || sets[k].intervalSeconds < 0)
            return std::nullopt;
        const std::size_t first = firstSampleOf(k);
        const std::size_t entries = 3 * static_cast<std::size_t>(sets[k].recordCount);
        if (first + entries > sampleTimes.size() || first + entries > sampleValues.size())
            return std::nullopt;
        return DataSetSamples{std::span<const double>(sampleTimes).subspan(first, entries),
                              std::span<const float>(sampleValues).subspan(first, entries)};
    }
};
