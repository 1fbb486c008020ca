// Start-up of the main window (construction and first showing with the panel) and the CPU cost of
// one poll tick with the panel open, both on the simulated meter with a manual clock.
#include "bench_support.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "shell/main_window.h"

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
        MainWindow main(meter, clock, prompter, settings);
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
    MainWindow main(meter, clock, prompter, settings);
    main.documentsOverride = dir.path();
    main.show();
    QCoreApplication::processEvents();
    main.poll().pollTimer.stop();
    clock.advance(500);
    main.poll().onPollTimer(); // connect
    for (auto _ : state) {
        clock.advance(500);
        main.poll().onPollTimer();
    }
}
BENCHMARK(BM_PollTickWithPanel)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
