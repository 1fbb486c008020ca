// Decode of a full 256 KiB logging memory, the largest image a download can bring.
#include "logger/data_set_decoder.h"

#include <benchmark/benchmark.h>
#include <bit>

namespace {

// Fills the set area of a 256 KiB image with sets of `perSet` records, as many as fit.
MemoryImage fullImage(uint16_t perSet) {
    MemoryImage image(262144, 0xFF);
    std::size_t at = FirstSetOffset;
    const std::size_t setSize = 20 + 8 * std::size_t{perSet};
    uint16_t sets = 0;
    uint32_t n = 0;
    while (at + setSize <= image.size() && sets < MaxDataSets) {
        const uint8_t header[18] = {0xA5,
                                    0x5A,
                                    0x00,
                                    0x24,
                                    0x03,
                                    0x01,
                                    0x12,
                                    0x00,
                                    0x00,
                                    0x00,
                                    0x10,
                                    0x00,
                                    uint8_t(perSet >> 8),
                                    uint8_t(perSet),
                                    0xFF,
                                    0xF6,
                                    0x05,
                                    0x03};
        std::copy(std::begin(header), std::end(header), image.begin() + std::ptrdiff_t(at));
        uint8_t* r = image.data() + at + 18;
        for (uint16_t k = 0; k < perSet; ++k, ++n, r += 8) {
            const auto bits = std::bit_cast<uint32_t>(400.0f + float(n % 1500) * 0.7f);
            const uint16_t temp = uint16_t(180 + n % 90), rh = uint16_t(300 + n % 700);
            const uint8_t rec[8] = {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8),
                                    uint8_t(bits),       uint8_t(temp >> 8),  uint8_t(temp),
                                    uint8_t(rh >> 8),    uint8_t(rh)};
            std::copy(std::begin(rec), std::end(rec), r);
        }
        r[0] = 0x5A;
        r[1] = 0xA5;
        at += setSize;
        ++sets;
    }
    image[36] = uint8_t(sets >> 8);
    image[37] = uint8_t(sets);
    return image;
}

void decodeFullImage(benchmark::State& state) {
    const MemoryImage image = fullImage(static_cast<uint16_t>(state.range(0)));
    const QDateTime now(QDate(2026, 7, 31), QTime(14, 5, 9));
    std::size_t records = 0;
    for (auto _ : state) {
        DecodedDataSets r = decodeDataSets(image, now);
        records = r.sampleValues.size() / 3;
        benchmark::DoNotOptimize(r.sampleValues.data());
        benchmark::DoNotOptimize(r.sampleTimes.data());
    }
    state.counters["records"] = double(records);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}

} // namespace

// One set filling the memory, and many short sets.
BENCHMARK(decodeFullImage)->Arg(32400)->Arg(60)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
