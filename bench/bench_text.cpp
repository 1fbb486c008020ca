// Export and import of a million rows as tabular text, and the per-value formatting and parsing
// underneath. Runs offscreen: the progress dialogs and the table window are real widgets.
#include "bench_support.h"
#include "files/locale_formats.h"
#include "files/text_files.h"
#include "logger/table_model.h"
#include "logger/table_to_graph.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Rows = 1'000'000;

// Accepts every dialog as it comes (the range dialog then exports everything) and saves under a
// fixed name.
class AcceptingPrompter : public Prompter {
  public:
    QString saveName;
    void message(const QString&) override {}
    Answer question(const QString&, Buttons) override { return Yes; }
    bool saveFile(FileRequest& r) override {
        r.fileName = saveName;
        return true;
    }
    bool openFile(FileRequest&) override { return false; }
    bool chooseColor(QColor&) override { return false; }
    bool chooseFont(QFont&) override { return false; }
    int runDialog(QDialog&) override { return QDialog::Accepted; }
};

QTemporaryDir& tempDir() {
    static QTemporaryDir dir;
    return dir;
}

const GraphSeries& graph() {
    static const GraphSeries g = [] {
        GraphSeries s;
        s.pointCount = Rows;
        s.y.assign(3, {});
        const double start = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));
        for (int i = 0; i < Rows; ++i) {
            s.x.push_back(start + i * 2 / 86400.0);
            s.y[0].push_back(400.0f + static_cast<float>(i % 3000));
            s.y[1].push_back(i % 1000 == 0 ? -99999.0f : 45.2f);
            s.y[2].push_back(i % 997 == 0 ? 90000.0f : 23.4f);
        }
        return s;
    }();
    return g;
}

QString graphFile() {
    return tempDir().filePath("graph.txt");
}

void BM_ExportGraphText(benchmark::State& state) {
    AcceptingPrompter prompter;
    for (auto _ : state)
        exportGraphText(prompter, graph(), graphFile(), '\t');
    state.SetItemsProcessed(state.iterations() * Rows);
    state.counters["MB"] = static_cast<double>(QFile(graphFile()).size()) / 1e6;
}

void BM_ImportTableText(benchmark::State& state) {
    AcceptingPrompter prompter;
    if (!QFile::exists(graphFile()))
        exportGraphText(prompter, graph(), graphFile(), '\t');
    qsizetype rows = 0;
    double mb = 0;
    for (auto _ : state) {
        std::unique_ptr<TableWindow> list(importTableText(prompter, graphFile()));
        rows = list->model().filledRows();
        mb = static_cast<double>(list->model().memoryUsed()) / 1e6;
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["tableMB"] = mb;
}

void BM_ExportTableText(benchmark::State& state) {
    AcceptingPrompter prompter;
    if (!QFile::exists(graphFile()))
        exportGraphText(prompter, graph(), graphFile(), '\t');
    std::unique_ptr<TableWindow> list(importTableText(prompter, graphFile()));
    prompter.saveName = tempDir().filePath("table.txt");
    for (auto _ : state)
        exportTableText(prompter, list->model(), tempDir().path());
    state.SetItemsProcessed(state.iterations() * list->model().filledRows());
}

void BM_TableToGraph(benchmark::State& state) {
    AcceptingPrompter prompter;
    if (!QFile::exists(graphFile()))
        exportGraphText(prompter, graph(), graphFile(), '\t');
    std::unique_ptr<TableWindow> list(importTableText(prompter, graphFile()));
    const LocaleFormats formats;
    const TableParsers parsers = localeTableParsers(formats);
    for (auto _ : state) {
        const TableGraphData data = tableToGraph(list->model(), parsers);
        benchmark::DoNotOptimize(data.x.data());
    }
    state.SetItemsProcessed(state.iterations() * list->model().filledRows());
}

void BM_FormatDateTime(benchmark::State& state) {
    const LocaleFormats formats;
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (int i = 0; i < Rows; ++i) {
            formats.appendDate(out, graph().x[static_cast<std::size_t>(i)]);
            formats.appendTime(out, graph().x[static_cast<std::size_t>(i)]);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}

void BM_ParseDateTime(benchmark::State& state) {
    const LocaleFormats formats;
    std::vector<std::string> texts;
    for (int i = 0; i < Rows; ++i) {
        std::string s;
        formats.appendDate(s, graph().x[static_cast<std::size_t>(i)]);
        s += ' ';
        formats.appendTime(s, graph().x[static_cast<std::size_t>(i)]);
        texts.push_back(std::move(s));
    }
    for (auto _ : state) {
        double sum = 0;
        for (const std::string& t : texts)
            sum += formats.parseDateTime(t).value_or(0.0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}

} // namespace

BENCHMARK(BM_ExportGraphText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTableText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportTableText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableToGraph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatDateTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseDateTime)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return runBenchmarks(argc, argv);
}
