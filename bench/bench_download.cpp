// The program's own share of a memory download: the whole 256 KiB (8192 blocks) through MeterLink
// and the simulated meter on a virtual clock, so no transport time is in the figure, and the cost
// of a single block exchange. Then the same download on the real clock against a meter whose every
// reply comes 2 ms after its request, as over USB: overhead_percent is the time beyond the link's
// own 8192 x 2 ms.
#include "bench_support.h"
#include "link/simulated_meter.h"
#include "logger/memory_download.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

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
    meter.openDevice(MeterVendorId, MeterProductId);
    uint16_t block = 1;
    for (auto _ : state) {
        link.frame()[2] = uint8_t(block >> 8);
        link.frame()[3] = uint8_t(block);
        if (link.sendOpen('P', 36) != 0)
            state.SkipWithError("exchange failed");
        block = uint16_t(block % 8192 + 1);
        if (block == 1)
            meter.clearLog(); // keep the meter's frame log from growing without end
    }
}

// The simulated meter with a round trip: a reply can be read 2 ms after its request was written.
class RoundTripMeter : public SimulatedMeter {
  public:
    using SimulatedMeter::SimulatedMeter;
    std::chrono::microseconds roundTrip{2000};
    int writeFrame(uint32_t count, const uint8_t* bytes) override {
        m_sent = std::chrono::steady_clock::now();
        return SimulatedMeter::writeFrame(count, bytes);
    }
    int readReply(uint32_t count, uint8_t* buffer) override {
        // Sleep most of the way and spin the rest, so the stand-in itself keeps time to microseconds.
        const auto entered = std::chrono::steady_clock::now();
        const auto due = m_sent + roundTrip;
        std::this_thread::sleep_until(due - std::chrono::microseconds(300));
        while (std::chrono::steady_clock::now() < due) {
        }
        const int result = SimulatedMeter::readReply(count, buffer);
        inLink += std::chrono::steady_clock::now() - entered;
        return result;
    }
    // Time spent inside the link's reads, late wake-ups on a busy machine included.
    std::chrono::steady_clock::duration inLink{};

  private:
    std::chrono::steady_clock::time_point m_sent;
};

void BM_DownloadWithRoundTrip(benchmark::State& state) {
    RealClock clock;
    RoundTripMeter meter(clock);
    meter.setSizeField(MemoryImageMax - 1);
    MeterLink link(meter, clock);
    MemoryImage image;
    CountingProgress progress;
    double seconds = 0;
    for (auto _ : state) {
        meter.clearLog();
        meter.inLink = {};
        const auto start = std::chrono::steady_clock::now();
        const int code = DownloadMemory(link, image, &progress);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (code != DownloadOk || image.size() != MemoryImageMax)
            state.SkipWithError("download failed");
    }
    const double linkSeconds = double(MemoryImageMax / 32) * 0.002;
    const double each = seconds / double(state.iterations());
    state.counters["link_seconds"] = linkSeconds;
    state.counters["overhead_percent"] = 100.0 * (each - linkSeconds) / linkSeconds;
    // The share outside the link's reads (the program's own work and its waits), against the link.
    const double outside = each - std::chrono::duration<double>(meter.inLink).count();
    state.counters["outside_link_percent"] = 100.0 * outside / linkSeconds;
}

} // namespace

BENCHMARK(BM_DownloadWithRoundTrip)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_DownloadWholeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneBlockExchange)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
