#include "output_to_graph.h"

#include "chart/chart_widget.h"
#include "files/locale_formats.h"
#include "files/range_progress_dialog.h"
#include "files/text_files.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"
#include "logger/table_model.h"
#include "logger/table_to_graph.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <algorithm>

#include <optional>
#include <string>
#include <vector>

namespace {

// Thrown out of the conversion's progress step when the table window went away while window
// messages were handled, so that no row of a destroyed table is read.
struct TableGone {};

std::optional<double> rowTime(const TableModel& model, qsizetype row, const TableParsers& parsers,
                              std::string& text) {
    text.assign(model.field(row, 1));
    text += ' ';
    text += model.field(row, 2);
    return parsers.dateTime(text);
}

} // namespace

// A text table says nothing of its unit, but a table of a Celsius data set cannot hold a
// temperature above the Celsius range: the text export writes " OL" for it. A number above that
// range is therefore a temperature in degrees Fahrenheit (a data set recorded so), and the graph's
// statistics must read it so, or they would show " OL" beside a table that shows the number.
static bool temperaturesAreFahrenheit(const std::vector<float>& temperatures) {
    const float celsiusHigh = graphstats::temperatureLimits(graphstats::TemperatureUnit::Celsius).high;
    const float fahrenheitHigh = graphstats::temperatureLimits(graphstats::TemperatureUnit::Fahrenheit).high;
    return std::any_of(temperatures.begin(), temperatures.end(), [&](float t) {
        return t != TableNullValue && t > celsiusHigh && t <= fahrenheitHigh;
    });
}

GraphWindow* outputTabularToGraph(TableWindow& table, const GraphWindowFactory& createWindow,
                                  Prompter& prompter, Clock& clock) {
    const TableModel& model = table.model();
    if (model.field(1, 1).empty()) {
        prompter.message(QStringLiteral("No data to graph !"));
        return nullptr;
    }
    const qsizetype m = model.dataRows();
    QPointer<GraphWindow> window = createWindow ? createWindow(table.windowTitle()) : nullptr;
    if (!window)
        return nullptr;

    const LocaleFormats formats;
    const TableParsers parsers = localeTableParsers(formats);
    std::string text;
    double firstTime = 0.0, lastTime = 0.0;
    for (const qsizetype row : {qsizetype(1), m}) {
        const std::optional<double> t = rowTime(model, row, parsers, text);
        if (!t) {
            prompter.message(QStringLiteral("'%1' is not a valid date and time")
                                 .arg(QString::fromUtf8(text.data(), qsizetype(text.size()))));
            return window;
        }
        (row == 1 ? firstTime : lastTime) = *t;
    }

    window->configureGraph(3, int(m), firstTime, lastTime, 0.0f, 10000.0f, -50.0f, 100.0f);

    TableGraphData data;
    {
        // The progress belongs to the main window; never to the table or graph, which may be
        // closed while it runs.
        RangeProgressDialog progress(table.window() != &table ? table.window() : nullptr);
        progress.setupProgress(QStringLiteral("Graphing Progress"), QStringLiteral("graphing....."), m,
                               false);
        progress.show();
        const QPointer<TableWindow> alive(&table);
        try {
            data = tableToGraph(model, parsers, [&](qsizetype row) {
                progress.setProgress(row);
                clock.pumpWait(0);
                if (!alive)
                    throw TableGone{};
            });
        } catch (const TableGone&) {
            data.outcome = TableGraphData::NoData;
        }
        progress.close();
    }
    if (!window)
        return nullptr; // closed while the rows were read
    if (data.outcome != TableGraphData::Converted) {
        if (!data.message.isEmpty())
            prompter.message(data.message);
        return window;
    }

    // The chart takes whole arrays point after point: subsets 0, 1, 2 of point 0, then point 1, ...
    const auto points = data.x.size();
    std::vector<double> xs(3 * points);
    std::vector<float> ys(3 * points);
    for (size_t p = 0; p < points; ++p) {
        for (size_t s = 0; s < 3; ++s) {
            xs[3 * p + s] = data.x[p];
            ys[3 * p + s] = data.y[s][p];
        }
    }
    ChartWidget& chart = *window->chart;
    chart.setXDataArray(xs);
    chart.setYDataArray(ys);
    window->setTemperatureFahrenheit(temperaturesAreFahrenheit(data.y[2]));

    QWidget* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    (frame ? frame : static_cast<QWidget*>(window))->showNormal();
    window->computeGraphStatistics();
    chart.setPEactions(pe::sgReinitAndReset);
    chart.setPEactions(pe::sgResetImage);
    chart.setPEactions(pe::sgInvalidateImage);
    return window;
}

GraphWindow* onOutputToGraphClicked(QWidget* activeChild, const GraphWindowFactory& createWindow,
                                    Prompter& prompter, Clock& clock) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(activeChild))
        activeChild = sub->widget();
    auto* table = qobject_cast<TableWindow*>(activeChild);
    return table ? outputTabularToGraph(*table, createWindow, prompter, clock) : nullptr;
}
