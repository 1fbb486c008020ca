// qz407-cli as a whole process: start-up alone, and the export of a full 256 KiB logging memory
// (about 32k records) as CSV, from exec to exit.
#include "bench_support.h"
#include "full_collection.h"
#include "link/demo_memory.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace meter_memory;

QTemporaryDir& tempDir() {
    return benchTempDir();
}

bool runCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QZ407_CLI_PATH), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void BM_CliStartUp(benchmark::State& state) {
    for (auto _ : state)
        if (!runCli({QStringLiteral("--version")}))
            state.SkipWithError("qz407-cli --version failed");
}
BENCHMARK(BM_CliStartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CliExportFullMemoryCsv(benchmark::State& state) {
    const QString in = fullCollection();
    const QString out = tempDir().filePath(QStringLiteral("full.csv"));
    for (auto _ : state)
        if (!runCli({QStringLiteral("--locale"), QStringLiteral("en_US"), QStringLiteral("export"), in,
                     QStringLiteral("--all"), QStringLiteral("--format"), QStringLiteral("csv"),
                     QStringLiteral("-o"), out}))
            state.SkipWithError("qz407-cli export failed");
    QFile csv(out);
    state.counters["records"] = double(csv.open(QIODevice::ReadOnly) ? csv.readAll().count('\n') : 0);
    state.counters["bytes"] = double(csv.size());
}
BENCHMARK(BM_CliExportFullMemoryCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
