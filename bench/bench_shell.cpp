// Start-up of the main window (construction and first showing with the panel) and the CPU cost of
// one poll tick with the panel open, both on the simulated meter with a manual clock.
#include "bench_support.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "shell/tfrm_main.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
void BM_MainWindowStartUp(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock;
    SimulatedMeter meter(clock);
    SilentPrompter prompter;
    Settings settings(dir.filePath("s.ini"));
    for (auto _ : state) {
        TfrmMain main(meter, clock, prompter, settings);
        main.documentsOverride = dir.path();
        main.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(main.panel());
    }
}
BENCHMARK(BM_MainWindowStartUp)->Unit(benchmark::kMillisecond);

void BM_PollTickWithPanel(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock;
    clock.setProcessEvents(false);
    SimulatedMeter meter(clock);
    SilentPrompter prompter;
    Settings settings(dir.filePath("s.ini"));
    TfrmMain main(meter, clock, prompter, settings);
    main.documentsOverride = dir.path();
    main.show();
    QCoreApplication::processEvents();
    main.poll().MainTimer.stop();
    clock.advance(500);
    main.poll().MainTimerTimer(); // connect
    for (auto _ : state) {
        clock.advance(500);
        main.poll().MainTimerTimer();
    }
}
BENCHMARK(BM_PollTickWithPanel)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
