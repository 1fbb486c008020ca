#pragma once
// Hand-built logging-memory images for the tests of the files that carry them.
#include "logger/data_set.h"
#include "logger/data_set_decoder.h"

#include <QByteArray>
#include <bit>

// An image with `sets` data sets of `records` records each (ppm 400 + record number), claiming
// `claimedSets` sets in its header.
inline MemoryImage collectionImage(uint16_t sets, uint16_t records, uint16_t claimedSets) {
    MemoryImage image(FirstSetOffset, 0x11);
    image[36] = uint8_t(claimedSets >> 8);
    image[37] = uint8_t(claimedSets);
    for (uint16_t s = 0; s < sets; ++s) {
        image.insert(image.end(), {0xA5, 0x5A, 0x00, 0x24, 0x03, 0x01, 0x12, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   uint8_t(records >> 8), uint8_t(records), 0x00, 0x00, 0x00, 0x00});
        for (uint16_t r = 0; r < records; ++r) {
            const auto bits = std::bit_cast<uint32_t>(400.0f + r);
            image.insert(image.end(), {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8),
                                       uint8_t(bits), 0x00, 0xD7, 0x01, 0xC8});
        }
        image.insert(image.end(), {0x5A, 0xA5});
    }
    return image;
}

inline MemoryImage collectionImage(uint16_t sets, uint16_t records) {
    return collectionImage(sets, records, sets);
}

inline QByteArray bytesOf(const MemoryImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}
