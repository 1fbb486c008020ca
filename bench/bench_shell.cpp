// Start-up of the main window (construction and first showing with the panel) and the CPU cost of
// one poll tick with the panel open, both on the simulated meter with a manual clock.
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "shell/tfrm_main.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
struct NullPrompter : Prompter {
    void message(const QString&) override {}
    Answer question(const QString&, Buttons) override { return Cancel; }
    bool saveFile(FileRequest&) override { return false; }
    bool openFile(FileRequest&) override { return false; }
    bool chooseColor(QColor&) override { return false; }
    bool chooseFont(QFont&) override { return false; }
    int runDialog(QDialog&) override { return 0; }
};

void BM_MainWindowStartUp(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock;
    SimulatedMeter meter(clock);
    NullPrompter prompter;
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
    NullPrompter prompter;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
