// Limit lines: the time above them over a whole recording, and the statistics of the points in
// view recomputed on a zoom step (pure, and through a graph window's scroll bar).
#include "bench_support.h"
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "graph/limit_statistics.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>
#include <vector>

namespace {

constexpr double kStart = 45000.0;

// Readings one second apart, point after point: ppm, %RH, temperature; now and then a missing
// value and a pause, as real recordings have.
void fill(std::vector<double>& xs, std::vector<float>& ys, int points) {
    xs.reserve(size_t(points) * 3);
    ys.reserve(size_t(points) * 3);
    for (int p = 0; p < points; ++p) {
        const double t = kStart + (p + (p / 20000) * 600) / 86400.0;
        const double wave = std::sin(p * 0.001);
        const bool missing = p % 5000 == 17;
        for (int c = 0; c < 3; ++c)
            xs.push_back(t);
        ys.push_back(missing ? 99999.0f : float(1200.0 + 900.0 * wave));
        ys.push_back(float(55.0 + 10.0 * wave));
        ys.push_back(float(24.0 + 3.0 * wave));
    }
}

ChartModel model(int points) {
    std::vector<double> xs;
    std::vector<float> ys;
    fill(xs, ys, points);
    ChartModel m;
    m.look.nullDataValueY = 99999.0;
    m.setSubsets(3);
    m.setPoints(points);
    m.setXArray(xs);
    m.setYArray(ys);
    m.limitLines = {{0, 1000.0}, {0, 2000.0}, {1, 60.0}, {2, 26.0}};
    return m;
}

void BM_LimitStatisticsWholeRecording(benchmark::State& state) {
    const ChartModel m = model(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(limitstats::computeRecording(m));
}

// A view over half the recording, moved by a tenth of its width each step.
void BM_RangeStatisticsZoomStep(benchmark::State& state) {
    const int points = int(state.range(0));
    const ChartModel m = model(points);
    const limitstats::RecordingFigures whole = limitstats::computeRecording(m);
    const double span = m.x(0, points - 1) - m.x(0, 0);
    int step = 0;
    for (auto _ : state) {
        const double lo = m.x(0, 0) + span * 0.05 * (step++ % 10);
        benchmark::DoNotOptimize(limitstats::computeRange(m, lo, lo + span / 2, whole));
    }
}

// The same through a graph window: a scroll bar step of a zoomed chart, with the window's
// in-view line brought up to date (the replot itself is queued and not part of it).
void BM_WindowScrollStep(benchmark::State& state) {
    const int points = int(state.range(0));
    SilentPrompter prompter;
    GraphShared shared;
    shared.limits = {{1000.0, 2000.0}, {60.0}, {26.0}, {}};
    GraphWindow w(prompter, shared);
    std::vector<double> xs;
    std::vector<float> ys;
    fill(xs, ys, points);
    w.configureGraph(3, points, xs.front(), xs.back(), 0, 4000, -50, 100);
    w.chart->setXDataArray(xs);
    w.chart->setYDataArray(ys);
    w.resize(1200, 700);
    w.show();
    w.chart->setPEactions(pe::sgResetImage);
    QCustomPlot* plot = w.chart->customPlot();
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const QRect area = plot->axisRect(0)->rect();
    const auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), plot->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    };
    const QPoint from(area.left() + area.width() / 4, area.top() + 5);
    const QPoint to(area.left() + 3 * area.width() / 4, area.bottom() - 5);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    if (!w.chart->isZoomed()) {
        state.SkipWithError("the chart did not zoom");
        return;
    }
    QScrollBar* bar = w.chart->horizontalScrollBar();
    int step = 0;
    for (auto _ : state)
        bar->setValue(bar->minimum() + (bar->maximum() - bar->minimum()) * (step++ % 10) / 10);
    state.counters["points_in_view"] = w.rangeFigures().points.count();
}

} // namespace

BENCHMARK(BM_LimitStatisticsWholeRecording)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RangeStatisticsZoomStep)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowScrollStep)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
