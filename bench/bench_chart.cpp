// Chart figures: bulk loading three subsets of 100k and 1M points, and redrawing them.
#include "bench_support.h"
#include "chart/chart_widget.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QDialog>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>
#include <vector>

namespace {

struct Series {
    std::vector<double> x;
    std::vector<float> y;
};

// Readings one second apart, point after point: ppm, %RH, temperature.
Series makeSeries(int points) {
    Series s;
    s.x.reserve(size_t(points) * 3);
    s.y.reserve(size_t(points) * 3);
    const double start = 45000.0;
    for (int p = 0; p < points; ++p) {
        const double t = start + p / 86400.0;
        const double wave = std::sin(p * 0.001);
        const float noise = float((p * 7919) % 97) / 97.0f;
        for (int c = 0; c < 3; ++c)
            s.x.push_back(t);
        s.y.push_back(float(800.0 + 400.0 * wave) + 50.0f * noise);
        s.y.push_back(float(45.0 + 10.0 * wave) + noise);
        s.y.push_back(float(22.0 + 3.0 * wave) + noise);
    }
    return s;
}

void configure(ChartWidget& g, int points) {
    g.resize(1200, 700);
    g.setSubsets(3);
    g.setPoints(points);
    g.setDateTimeMode(pe::sgVBDateTime);
    g.setManualScaleControlX(pe::sgManualMinAndMax);
    g.setManualMinX(45000.0);
    g.setManualMaxX(45000.0 + points / 86400.0);
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    g.setMultiAxesProportions(0, 0.5);
    g.setMultiAxesProportions(1, 0.5);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(0);
    g.setManualMaxY(10000);
    g.setWorkingAxis(1);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(-50);
    g.setManualMaxY(100);
    g.setWorkingAxis(0);
    g.setPEactions(pe::sgReinitAndReset);
    g.show();
}

// Both bulk writes and the redraw action that pushes the data into the plot.
void BM_BulkLoad(benchmark::State& state) {
    const int points = int(state.range(0));
    const Series series = makeSeries(points);
    SilentPrompter prompter;
    ChartWidget graph(prompter);
    configure(graph, points);
    for (auto _ : state) {
        graph.setXDataArray(series.x);
        graph.setYDataArray(series.y);
        graph.setPEactions(pe::sgResetImage);
    }
    state.SetItemsProcessed(state.iterations() * points * 3);
}

// Bulk load followed by a full, immediate replot.
void BM_BulkLoadAndReplot(benchmark::State& state) {
    const int points = int(state.range(0));
    const Series series = makeSeries(points);
    SilentPrompter prompter;
    ChartWidget graph(prompter);
    configure(graph, points);
    for (auto _ : state) {
        graph.setXDataArray(series.x);
        graph.setYDataArray(series.y);
        graph.setPEactions(pe::sgResetImage);
        graph.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.SetItemsProcessed(state.iterations() * points * 3);
}

// Replotting a loaded chart, as after a zoom or a resize.
void BM_Replot(benchmark::State& state) {
    const int points = int(state.range(0));
    const Series series = makeSeries(points);
    SilentPrompter prompter;
    ChartWidget graph(prompter);
    configure(graph, points);
    graph.setXDataArray(series.x);
    graph.setYDataArray(series.y);
    graph.setPEactions(pe::sgResetImage);
    for (auto _ : state)
        graph.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
}

// The chart's whole state stored into one block and restored from it, as a graph file save and
// open do.
void BM_StoreRestore(benchmark::State& state) {
    const int points = int(state.range(0));
    const Series series = makeSeries(points);
    SilentPrompter prompter;
    ChartWidget graph(prompter);
    configure(graph, points);
    graph.setXDataArray(series.x);
    graph.setYDataArray(series.y);
    ChartWidget restored(prompter);
    for (auto _ : state) {
        const QByteArray block = graph.storeState();
        if (!restored.loadState(block))
            state.SkipWithError("state refused");
        benchmark::DoNotOptimize(block.size());
    }
}

// A stored chart at one of the limits that restore accepts, opened into a new chart and drawn:
// 0 the most subsets (each with its legend entry), 1 the most graph annotations, 2 the most
// vertical line annotations. Every limit must still open and draw in well under a second.
void BM_OpenAndDrawAtTheLimit(benchmark::State& state) {
    SilentPrompter prompter;
    ChartWidget source(prompter);
    const int points = 500;
    configure(source, points);
    switch (state.range(0)) {
    case 0:
        source.setSubsets(ChartModel::kMaxSubsets);
        for (int s = 0; s < ChartModel::kMaxSubsets; ++s) {
            source.setSubsetLabels(s, QStringLiteral("subset %1").arg(s));
            for (int p = 0; p < points; ++p) {
                source.setXDataII(s, p, 45000.0 + p / 86400.0);
                source.setYDataII(s, p, s * 10 + p % 7);
            }
        }
        break;
    case 1:
        for (int i = 0; i < ChartModel::kMaxAnnotations; ++i) {
            source.setGraphAnnotationType(i, i % 2 ? pe::sgCrossMark : pe::sgNoSymbol);
            source.setGraphAnnotationX(i, 45000.0 + (i % points) / 86400.0);
            source.setGraphAnnotationY(i, 100.0 + i % 9000);
            source.setGraphAnnotationText(i, QStringLiteral("mark %1").arg(i));
        }
        break;
    default:
        for (int i = 0; i < ChartModel::kMaxAnnotations; ++i) {
            source.setVertLineAnnotation(i, 45000.0 + (i % points) / 86400.0);
            source.setVertLineAnnotationText(i, QStringLiteral("line %1").arg(i));
        }
        break;
    }
    const QByteArray block = source.storeState();
    for (auto _ : state) {
        ChartWidget opened(prompter);
        opened.resize(1200, 700);
        if (!opened.loadState(block))
            state.SkipWithError("state refused");
        opened.show();
        opened.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["bytes"] = double(block.size());
}

} // namespace

BENCHMARK(BM_OpenAndDrawAtTheLimit)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkLoad)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkLoadAndReplot)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Replot)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRestore)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
