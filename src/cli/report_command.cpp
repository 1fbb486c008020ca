// report: the graph report of a collection file's data sets, or of a graph file, as a PDF file, the
// same document the graph windows' Export Report writes. It draws with the GUI libraries on the
// offscreen platform, which main() chooses for this command alone.
#include "chart/chart_widget.h"
#include "cli/cli_common.h"
#include "cli/collection_input.h"
#include "graph/graph_file.h"
#include "graph/limits_dialog.h"
#include "logger/data_set_chart.h"
#include "platform/prompter.h"
#include "report/report_document.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <memory>
#include <vector>

namespace {

QCommandLineOption reportSetOption() {
    return QCommandLineOption(QStringLiteral("set"), QStringLiteral("Only data set N (1 is the first)."),
                              QStringLiteral("N"));
}
QCommandLineOption reportAllOption() {
    return QCommandLineOption(QStringLiteral("all"),
                              QStringLiteral("Every data set, a page each (default)."));
}
QCommandLineOption reportOutputOption() {
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The PDF file to write (replaced only when complete)."),
                              QStringLiteral("OUT.pdf"));
}
QCommandLineOption titleOption() {
    return QCommandLineOption(QStringLiteral("title"),
                              QStringLiteral("The report's title; default: the input file's name."),
                              QStringLiteral("TEXT"));
}
QCommandLineOption limitsOption() {
    return QCommandLineOption(QStringLiteral("limits"),
                              QStringLiteral("Limit lines of a channel, as in the Limits dialog: ppm, rh\n"
                                             "or temp, then up to two values (ppm=1000,2000); temp in\n"
                                             "each set's own unit. May be given once per channel."),
                              QStringLiteral("CH=V[,V]"));
}
QCommandLineOption portraitOption() {
    return QCommandLineOption(QStringLiteral("portrait"),
                              QStringLiteral("Portrait pages (default: landscape)."));
}
QCommandLineOption valuesOption() {
    return QCommandLineOption(QStringLiteral("values"),
                              QStringLiteral("Add each set's values as a table on the following pages."));
}

// Charts are made here without a window: what they would ask or say goes to standard error.
class ConsolePrompter : public Prompter {
  public:
    void message(const QString& text) override { console::error(text); }
    Answer question(const QString& text, Buttons) override {
        console::error(text);
        return Cancel;
    }
    bool saveFile(FileRequest&) override { return false; }
    bool openFile(FileRequest&) override { return false; }
    bool chooseColor(QColor&) override { return false; }
    bool chooseFont(QFont&) override { return false; }
    int runDialog(QDialog&) override { return 0; }
};

struct ChannelLimits {
    int channel = 0;
    std::vector<double> values;
};

// "ppm=1000,2000" into its channel and values; an error text when it cannot be right.
QString parseLimits(const QString& text, ChannelLimits& out) {
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0)
        return QStringLiteral("--limits '%1': expected CHANNEL=VALUE[,VALUE]").arg(text);
    const QString name = text.left(eq).trimmed().toLower();
    if (name == QLatin1String("ppm") || name == QLatin1String("co2"))
        out.channel = graphstats::Ppm;
    else if (name == QLatin1String("rh") || name == QLatin1String("%rh") || name == QLatin1String("humidity"))
        out.channel = graphstats::Humidity;
    else if (name == QLatin1String("temp") || name == QLatin1String("t") || name == QLatin1String("t1"))
        out.channel = graphstats::Temperature;
    else
        return QStringLiteral("--limits '%1': unknown channel '%2' (ppm, rh or temp)").arg(text, name);
    const QStringList values = text.mid(eq + 1).split(u',');
    if (values.size() > LimitsDialog::kPerChannel)
        return QStringLiteral("--limits '%1': at most %2 limits a channel")
            .arg(text)
            .arg(LimitsDialog::kPerChannel);
    // The widest range the channel's limits may take, in either temperature unit.
    const auto [lo, hi] = [&] {
        const auto c = LimitsDialog::allowedRange(out.channel, false);
        const auto f = LimitsDialog::allowedRange(out.channel, true);
        return std::pair{std::min(c.first, f.first), std::max(c.second, f.second)};
    }();
    for (const QString& v : values) {
        bool ok = false;
        // Command lines are the same in every locale: a point is the decimal separator.
        const double value = v.trimmed().toDouble(&ok);
        if (!ok || !(value >= lo && value <= hi))
            return QStringLiteral("--limits '%1': '%2' is not a limit from %3 to %4")
                .arg(text, v)
                .arg(lo)
                .arg(hi);
        out.values.push_back(value);
    }
    return {};
}

std::vector<LimitLine> limitLinesFor(const std::vector<ChannelLimits>& limits, bool fahrenheit) {
    std::vector<LimitLine> lines;
    for (const ChannelLimits& c : limits) {
        const auto [lo, hi] = LimitsDialog::allowedRange(c.channel, fahrenheit);
        for (double v : c.values)
            if (v >= lo && v <= hi)
                lines.push_back({c.channel, v});
    }
    return lines;
}

int runReport(CommandContext& context) {
    const QCommandLineParser& p = context.parser;
    const QString path = context.arguments().first();
    const QString outPath = p.value(reportOutputOption());
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        console::error(QStringLiteral("report: the program was started without its drawing libraries"));
        return ExitFailed;
    }
    if (outPath.isEmpty() || outPath == QLatin1String("-"))
        return context.usageError(QStringLiteral("-o OUT.pdf is required"));
    if (QFileInfo(outPath).absoluteFilePath() == QFileInfo(path).absoluteFilePath())
        return context.usageError(
            QStringLiteral("-o names the input file %1").arg(QDir::toNativeSeparators(path)));
    if (p.isSet(reportSetOption()) && p.isSet(reportAllOption()))
        return context.usageError(QStringLiteral("--set and --all exclude each other"));
    int setNumber = 0;
    if (p.isSet(reportSetOption())) {
        bool ok = false;
        setNumber = p.value(reportSetOption()).toInt(&ok);
        if (!ok || setNumber < 1)
            return context.usageError(QStringLiteral("--set needs a set number from 1"));
    }
    std::vector<ChannelLimits> limits;
    for (const QString& text : p.values(limitsOption())) {
        ChannelLimits parsed;
        if (const QString error = parseLimits(text, parsed); !error.isEmpty())
            return context.usageError(error);
        for (const ChannelLimits& c : limits)
            if (c.channel == parsed.channel)
                return context.usageError(
                    QStringLiteral("--limits '%1': that channel's limits were given before").arg(text));
        limits.push_back(parsed);
    }
    const bool graphFile = QFileInfo(path).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0;
    if (graphFile && setNumber > 0)
        return context.usageError(QStringLiteral("--set applies to collection files (.407) only"));

    ChartPrintOptions options;
    options.landscape = !p.isSet(portraitOption());
    options.valueTable = p.isSet(valuesOption());
    const QString title =
        p.isSet(titleOption()) ? p.value(titleOption()) : QFileInfo(path).completeBaseName();

    ConsolePrompter prompter;
    std::vector<std::unique_ptr<ChartWidget>> charts;
    std::vector<report::Section> sections;
    const auto newChart = [&] {
        charts.push_back(std::make_unique<ChartWidget>(prompter));
        // The size of a graph window's chart on a common screen: the proportions of "fit to page" off.
        charts.back()->resize(1000, 600);
        return charts.back().get();
    };

    if (graphFile) {
        ChartWidget* chart = newChart();
        QString error;
        if (!readGraphFile(*chart, path, &error)) {
            console::error(error);
            return ExitFailed;
        }
        const bool fahrenheit = chart->model().temperatureFahrenheit; // Celsius in older files
        if (!limits.empty())
            chart->setLimitLines(limitLinesFor(limits, fahrenheit));
        report::Section s;
        s.title = title;
        s.chart = chart;
        s.unit = fahrenheit ? graphstats::TemperatureUnit::Fahrenheit : graphstats::TemperatureUnit::Celsius;
        s.facts = report::factsOf(*chart);
        sections.push_back(s);
    } else {
        DataSetStore store;
        if (const int code = readCollectionSets(path, store); code != ExitOk)
            return code;
        if (const int code = checkSetNumber(path, store, setNumber); code != ExitOk)
            return code;
        const int count = int(store.sets.size());
        for (int k = setNumber > 0 ? setNumber - 1 : 0; k < (setNumber > 0 ? setNumber : count); ++k) {
            const DataSet& set = store.sets[size_t(k)];
            ChartWidget* chart = newChart();
            QString templateError;
            if (!loadDataSetChart(*chart, store, k, &templateError)) {
                console::error(QStringLiteral("data set %1 of %2 cannot be read")
                                   .arg(k + 1)
                                   .arg(QDir::toNativeSeparators(path)));
                return ExitFailed;
            }
            if (!templateError.isEmpty())
                console::error(
                    QStringLiteral("the graph template could not be read, the standard look is used: ") +
                    templateError);
            const bool fahrenheit = set.fahrenheit != 0;
            chart->setLimitLines(limitLinesFor(limits, fahrenheit));
            report::Section s;
            s.title = title;
            s.subtitle = QStringLiteral("Data set %1 of %2").arg(k + 1).arg(count);
            s.chart = chart;
            s.unit =
                fahrenheit ? graphstats::TemperatureUnit::Fahrenheit : graphstats::TemperatureUnit::Celsius;
            // The header knows the start and the interval exactly; the points only estimate them.
            s.facts = report::factsOf(*chart);
            s.facts.start = set.startTime;
            s.facts.intervalSeconds = set.intervalSeconds;
            s.facts.samples = set.recordCount;
            sections.push_back(s);
        }
    }

    QString error;
    if (!report::writePdf(outPath, sections, options, &error)) {
        console::error(error);
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

CommandEntry reportCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("report");
    entry.synopsis = QStringLiteral(
        "report FILE.407|FILE.ghf [--set N | --all] -o OUT.pdf [--title TEXT] [--limits CH=V[,V]]...");
    entry.summary = QStringLiteral("a PDF report of data sets or a graph file: header, chart, figures");
    entry.description = QStringLiteral(
        "Writes the report the graph windows' Export Report writes, one data set a page (and its\n"
        "table of values after it with --values): a header with the title, the start and end,\n"
        "the sampling interval and the number of samples; the chart on white paper; MAX, MIN and\n"
        "AVG of each channel with their times and the time above each limit line; a footer with\n"
        "the program's version, the date printed and the page number. Dates and numbers follow\n"
        "the locale. Landscape A4 unless --portrait. Needs no display.");
    entry.options = {reportSetOption(), reportAllOption(), reportOutputOption(), titleOption(),
                     limitsOption(),    portraitOption(),  valuesOption()};
    entry.minArguments = 1;
    entry.maxArguments = 1;
    entry.run = runReport;
    return entry;
}
