// Real-time recording figures: one sample appended to a recording of nearly 99,999 points with the
// redraw that follows it, beside a bare QCustomPlot replot of the same three series at the same
// size; the recording journal's cost per sample; and the worst poll tick over the last samples of
// such a recording, its journal and its Stop included.
#include "bench_support.h"
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "live/live_reading.h"
#include "live/poll_cycle.h"
#include "platform/clock.h"
#include "realtime/real_time_recorder.h"
#include "realtime/real_time_setup_dialog.h"
#include "realtime/recording_journal.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <qcustomplot.h>
#include <vector>

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr int kCount = 99999;
// Samples already in the chart when the measured appends begin.
constexpr int kPrefilled = 99000;

// Answers Run's setup dialog with the largest count at one sample a second.
class RunPrompter : public SilentPrompter {
  public:
    int runDialog(QDialog& dialog) override {
        if (auto* setup = qobject_cast<RealTimeSetupDialog*>(&dialog)) {
            setup->sampleCountEdit->setText(QString::number(kCount));
            setup->setRate(0, 1);
            return QDialog::Accepted;
        }
        return QDialog::Rejected;
    }
};

struct Sample {
    int ppm;
    float humidity;
    float temperature;
};

Sample sampleAt(int p) {
    const double wave = std::sin(p * 0.001);
    const float noise = float((p * 7919) % 97) / 97.0f;
    return {int(800.0 + 400.0 * wave + 50.0 * noise), float(45.0 + 10.0 * wave) + noise,
            float(22.0 + 3.0 * wave) + noise};
}

// A real-time graph window as the program has it, recording at one sample a second, with the
// first `prefilled` samples put in at once (as that many appends would leave them).
struct Recording {
    ManualClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    LiveReading reading;
    PollCycle poll{link, clock, reading};
    RealTimeState state;
    RunPrompter prompter;
    GraphShared shared;
    std::unique_ptr<GraphWindow> window;
    std::unique_ptr<RealTimeRecorder> recorder;
    double start = 0.0;
    QTemporaryDir dataFolder{QDir::current().filePath(QStringLiteral("bench-data-XXXXXX"))};

    // With `journal`, the recording keeps its journal in a data folder on the disk, as the
    // program does.
    explicit Recording(int prefilled, bool journal = false) {
        recorder = std::make_unique<RealTimeRecorder>(
            state, reading, prompter, clock, link, [] { return true; }, shared,
            [this] {
                window = std::make_unique<GraphWindow>(prompter, shared);
                window->resize(800, 800);
                window->show();
                return window.get();
            });
        QObject::connect(&poll, &PollCycle::secondCounted, recorder.get(),
                         &RealTimeRecorder::onSecondCounted);
        QObject::connect(&poll, &PollCycle::liveReadingValid, recorder.get(),
                         &RealTimeRecorder::onLiveReadingValid);
        recorder->createRealTimeGraph();
        if (journal)
            recorder->setJournalPath(RecordingJournal::pathIn(dataFolder.path() + u'/'));
        recorder->onRunClicked();
        start = clock.now();

        ChartWidget& g = chart();
        std::vector<double> xs(size_t(kCount) * 3, 0.0);
        std::vector<float> ys(size_t(kCount) * 3, RealTimeRecorder::kNullY);
        for (int p = 0; p < prefilled; ++p) {
            const Sample s = sampleAt(p);
            for (int c = 0; c < 3; ++c)
                xs[size_t(p) * 3 + size_t(c)] = start + p * kSecond;
            ys[size_t(p) * 3] = float(s.ppm);
            ys[size_t(p) * 3 + 1] = s.humidity;
            ys[size_t(p) * 3 + 2] = s.temperature;
        }
        g.setXDataArray(xs);
        g.setYDataArray(ys);
        g.setManualMaxX(start + prefilled * kSecond + state.ExtendStep);
        state.SampleCount = prefilled;
        clock.advance(int64_t(prefilled) * 1000);
        g.setPEactions(pe::sgResetImage);
        settle();
    }
    ChartWidget& chart() { return *window->chart; }
    static void settle() {
        QApplication::processEvents();
        QApplication::processEvents();
    }
};

// One sample appended to a recording of 99,999 points holding the given number of samples, without
// the redraw it schedules: the data path alone, which should not grow with the recording.
void BM_AppendSampleOnly(benchmark::State& st) {
    Recording r(int(st.range(0)));
    int p = int(st.range(0));
    for (auto _ : st) {
        const Sample s = sampleAt(p);
        r.recorder->appendRealTimeSample(s.ppm, s.humidity, s.temperature, 0, r.start + p * kSecond);
        ++p;
    }
    Recording::settle();
}

// One sample appended to a recording of 99,999 points holding about 99,000 samples, with the
// queued redraw it schedules carried out.
void BM_AppendSampleAndRedraw(benchmark::State& st) {
    Recording r(kPrefilled);
    int p = kPrefilled;
    for (auto _ : st) {
        const Sample s = sampleAt(p);
        r.recorder->appendRealTimeSample(s.ppm, s.humidity, s.temperature, 0, r.start + p * kSecond);
        Recording::settle();
        ++p;
    }
    st.counters["samples"] = double(r.state.SampleCount);
}

// The same three series of 100k points in a bare QCustomPlot of the chart's size, replotted the
// way the chart asks for it: a queued replot, carried out.
void BM_BareQCustomPlotReplot(benchmark::State& st) {
    Recording sized(0); // only for the chart's on-screen size
    const QSize size = sized.chart().customPlot()->size();
    QCustomPlot plot;
    plot.resize(size);
    plot.setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    const int points = 100000;
    for (int c = 0; c < 3; ++c) {
        QVector<QCPGraphData> data;
        data.reserve(points);
        for (int p = 0; p < points; ++p) {
            const Sample s = sampleAt(p);
            const double y = c == 0 ? s.ppm : c == 1 ? s.humidity : s.temperature;
            data.append(QCPGraphData(daysToAxisSeconds(45000.0 + p * kSecond), y));
        }
        QCPGraph* graph = plot.addGraph();
        graph->setAntialiased(false);
        graph->setAdaptiveSampling(true);
        graph->data()->set(data, true);
    }
    plot.xAxis->setRange(daysToAxisSeconds(45000.0), daysToAxisSeconds(45000.0 + points * kSecond));
    plot.yAxis->setRange(-50, 1300);
    plot.show();
    plot.replot();
    Recording::settle();
    st.counters["width"] = size.width();
    st.counters["height"] = size.height();
    for (auto _ : st) {
        plot.replot(QCustomPlot::rpQueuedReplot);
        Recording::settle();
    }
}

// One sample written into the journal: the record, and with `range(0)` ms between samples also the
// share of forcing the file to the disk at least every 9 s (0: never).
void BM_JournalPerSample(benchmark::State& st) {
    QTemporaryDir folder(QDir::current().filePath(QStringLiteral("bench-journal-XXXXXX")));
    ManualClock clock;
    RecordingJournal writer(clock);
    writer.setPath(RecordingJournal::pathIn(folder.path() + u'/'));
    journal::Header header;
    header.startTime = header.xMin = header.xMax = 46234.5;
    header.rate = 1;
    header.countLimit = journal::kMaxCount;
    if (!writer.start(header))
        st.SkipWithError("journal cannot be written");
    int p = 0;
    for (auto _ : st) {
        if (writer.samplesWritten() >= journal::kMaxCount) {
            st.PauseTiming();
            writer.start(header);
            st.ResumeTiming();
        }
        const Sample s = sampleAt(p);
        writer.append({46234.5 + p * kSecond, s.ppm, s.humidity, s.temperature, 0});
        clock.advance(st.range(0));
        ++p;
    }
    writer.remove();
}

// Poll ticks, each with its redraw, from 99,000 samples until the recording stops by itself at
// 99,999 (one sample a second, so one tick in two takes a sample). Reports the slowest tick.
void BM_PollTicksToFullRecording(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        Recording r(kPrefilled, true);
        r.poll.Connected = true;
        st.ResumeTiming();
        double worst = 0.0;
        int worstTick = 0;
        double total = 0.0;
        int ticks = 0;
        QElapsedTimer timer;
        while (r.state.Running && ticks < 10000) {
            r.clock.advance(500);
            timer.start();
            r.poll.onPollTimer();
            Recording::settle();
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            if (ms > worst)
                worstTick = ticks;
            worst = std::max(worst, ms);
            total += ms;
            ++ticks;
        }
        st.counters["ticks"] = ticks;
        st.counters["worst_tick_ms"] = worst;
        st.counters["worst_tick_index"] = worstTick;
        st.counters["mean_tick_ms"] = total / std::max(ticks, 1);
        st.counters["samples"] = double(r.state.SampleCount);
    }
}

} // namespace

BENCHMARK(BM_AppendSampleOnly)->Arg(1000)->Arg(kPrefilled)->Iterations(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendSampleAndRedraw)->Iterations(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQCustomPlotReplot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalPerSample)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PollTicksToFullRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
