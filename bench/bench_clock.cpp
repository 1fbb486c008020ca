// Processor time of a wait on the real clock: pumpWait(1000) while a 20 ms timer keeps firing,
// as the poll and flash timers do while an exchange waits. The figure to watch is cpu_percent,
// the process's processor time as a share of the wall time of the wait; timer_ticks shows that
// the timer was still served.
#include "bench_support.h"
#include "platform/clock.h"

#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void BM_PumpWaitCpu(benchmark::State& state) {
    RealClock clock;
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        const int64_t wall0 = clock.tickCount();
        clock.pumpWait(int(state.range(0)));
        cpu += processCpuSeconds() - cpu0;
        wall += double(clock.tickCount() - wall0) / 1000.0;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    state.counters["timer_ticks"] = double(ticks) / double(state.iterations());
}

} // namespace

BENCHMARK(BM_PumpWaitCpu)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
