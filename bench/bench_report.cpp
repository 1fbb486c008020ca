// Graph reports: qz407-cli report of a full logging memory (every set) as a whole process, from
// exec to exit, and one report page of a full 65,535-sample set drawn and written in the program.
#include "bench_support.h"
#include "chart/chart_widget.h"
#include "full_collection.h"
#include "graph/configure_graph.h"
#include "link/demo_memory.h"
#include "logger/data_set_chart.h"
#include "report/report_document.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

using namespace meter_memory;

QTemporaryDir& tempDir() {
    return benchTempDir();
}

void BM_CliReportFullMemory(benchmark::State& state) {
    const QString in = fullCollection();
    const QString out = tempDir().filePath(QStringLiteral("full.pdf"));
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(QZ407_CLI_PATH),
                      {QStringLiteral("report"), in, QStringLiteral("--limits"),
                       QStringLiteral("ppm=1000,2000"), QStringLiteral("-o"), out});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("qz407-cli report failed");
    }
    state.counters["bytes"] = double(QFile(out).size());
}
BENCHMARK(BM_CliReportFullMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// One set of 65,535 records every 2 s.
DataSetStore fullSet() {
    DataSetStore store;
    DataSet set;
    set.startTime = 46231.3333333333;
    set.intervalSeconds = 2;
    set.recordCount = 65535;
    store.sets.push_back(set);
    for (int r = 0; r < set.recordCount; ++r)
        for (const float v :
             {1000.0f + 500.0f * float(std::sin(r / 400.0)), 50.0f + 10.0f * float(std::sin(r / 250.0)),
              22.0f + 3.0f * float(std::cos(r / 900.0))}) {
            store.sampleTimes.push_back(set.startTime + r * 2.0 / 86400.0);
            store.sampleValues.push_back(v);
        }
    return store;
}

void BM_ReportOnePageOfAFullSet(benchmark::State& state) {
    setGraphProgramDirectory(tempDir().path()); // the built-in look
    SilentPrompter prompter;
    ChartWidget chart(prompter);
    chart.resize(1000, 600);
    const DataSetStore store = fullSet();
    if (!loadDataSetChart(chart, store, 0))
        state.SkipWithError("the set did not load");
    chart.setLimitLines({{0, 1000.0}, {1, 60.0}});
    report::Section s;
    s.title = QStringLiteral("Full set");
    s.chart = &chart;
    s.facts = report::factsOf(chart);
    const QString out = tempDir().filePath(QStringLiteral("page.pdf"));
    for (auto _ : state)
        if (!report::writePdf(out, {s}, ChartPrintOptions()))
            state.SkipWithError("the report was not written");
    state.counters["bytes"] = double(QFile(out).size());
}
BENCHMARK(BM_ReportOnePageOfAFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
