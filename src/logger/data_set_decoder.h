#pragma once
#include "logger/data_set.h"

#include <QDateTime>
#include <cstdint>
#include <span>
#include <vector>

// Result codes of decodeDataSets.
inline constexpr int DecodeOk = 0;
inline constexpr int DecodeNoDataSets = 6;
inline constexpr int DecodeTooManySets = 2;

// The most data sets an image may claim.
inline constexpr int MaxDataSets = 4000;

// Where the fixed fields of the logging memory lie.
inline constexpr std::size_t SetCountOffset = 36;
inline constexpr std::size_t FirstSetOffset = 2816;

struct DecodedDataSets {
    int code = DecodeNoDataSets;
    // The set count stored at offsets 36-37 (0 when the image is too short to hold it).
    int setsClaimed = 0;
    // True when the image ends before all claimed sets: only the whole sets before the first one
    // that does not fit were decoded. An image too short for the count itself is truncated too.
    bool truncated = false;
    std::vector<DataSet> sets;
    std::vector<float> sampleValues;
    std::vector<double> sampleTimes;
};

// Decodes a logging-memory image into data set headers and flat sample arrays. `now` supplies
// the fall-back for unreadable date and time fields and the start time of a set whose stored
// date or time is impossible. Never reads outside `image`.
DecodedDataSets decodeDataSets(std::span<const uint8_t> image, const QDateTime& now);

// Decodes the store's image. On DecodeOk the headers and samples are replaced wholesale; on any
// other code the store keeps what it held. The image itself is left for the caller to empty.
// `truncated`, when given, receives whether the image ended before all claimed sets.
int decodeDataSets(DataSetStore& store, const QDateTime& now, bool* truncated = nullptr);
