// The program's own share of a memory download: the whole 256 KiB (8192 blocks) through MeterLink
// and the simulated meter on a virtual clock, so no transport time is in the figure, and the cost
// of a single block exchange.
#include "bench_support.h"
#include "link/simulated_meter.h"
#include "logger/memory_download.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

struct CountingProgress : DownloadProgress {
    uint32_t last = 0;
    void downloadStarted(uint32_t) override {}
    void bytesReceived(uint32_t bytes) override { last = bytes; }
    void downloadEnded() override {}
};

void BM_DownloadWholeMemory(benchmark::State& state) {
    ManualClock clock;
    SimulatedMeter meter(clock);
    meter.setSizeField(MemoryImageMax - 1);
    MeterLink link(meter, clock);
    MemoryImage image;
    CountingProgress progress;
    for (auto _ : state) {
        meter.clearLog();
        const int code = DownloadMemory(link, image, &progress);
        if (code != DownloadOk || image.size() != MemoryImageMax)
            state.SkipWithError("download failed");
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * MemoryImageMax);
    state.counters["blocks"] = double(MemoryImageMax / 32);
}

// One 'P' request and its 36-byte reply on the open device, as the download's loop makes them.
void BM_OneBlockExchange(benchmark::State& state) {
    ManualClock clock;
    SimulatedMeter meter(clock);
    MeterLink link(meter, clock);
    meter.OpenDevice(MeterVendorId, MeterProductId);
    uint16_t block = 1;
    for (auto _ : state) {
        link.frame()[2] = uint8_t(block >> 8);
        link.frame()[3] = uint8_t(block);
        if (link.SendOpen('P', 36) != 0)
            state.SkipWithError("exchange failed");
        block = uint16_t(block % 8192 + 1);
        if (block == 1)
            meter.clearLog(); // keep the meter's frame log from growing without end
    }
}

} // namespace

BENCHMARK(BM_DownloadWholeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneBlockExchange)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
