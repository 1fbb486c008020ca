#include "table_to_graph.h"

#include "logger/table_model.h"

#include <cmath>
#include <string>

namespace {

void joinDateTime(std::string& buffer, std::string_view date, std::string_view time) {
    buffer.assign(date);
    buffer += ' ';
    buffer += time;
}

} // namespace

float tableCellValue(std::string_view cell, const TableParsers& parsers) {
    if (cell == " OL")
        return TableNullValue;
    if (cell == " -OL")
        return UnderRangeValue;
    const std::optional<double> v = parsers.number ? parsers.number(cell) : std::nullopt;
    if (!v)
        return TableNullValue;
    const auto f = static_cast<float>(*v);
    return std::isfinite(f) ? f : TableNullValue;
}

TableGraphData tableToGraph(const TableModel& table, const TableParsers& parsers,
                            const std::function<void(qsizetype row)>& progress) {
    TableGraphData out;
    if (table.field(1, 1).empty()) {
        out.outcome = TableGraphData::NoData;
        out.message = QStringLiteral("No data to graph !");
        return out;
    }
    const qsizetype m = table.dataRows();
    std::string text;
    auto readTime = [&](std::string_view date, std::string_view time) -> std::optional<double> {
        joinDateTime(text, date, time);
        return parsers.dateTime ? parsers.dateTime(text) : std::nullopt;
    };
    for (const qsizetype row : {qsizetype(1), m}) {
        const std::optional<double> t = readTime(table.field(row, 1), table.field(row, 2));
        if (!t) {
            out.outcome = TableGraphData::BadFirstOrLast;
            out.message = QStringLiteral("'%1' is not a valid date and time")
                              .arg(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
            return out;
        }
        (row == 1 ? out.firstTime : out.lastTime) = *t;
    }

    out.x.resize(static_cast<std::size_t>(m));
    for (auto& series : out.y)
        series.resize(static_cast<std::size_t>(m));
    double previous = out.firstTime;
    for (qsizetype r = 1; r <= m; ++r) {
        if (progress && (r % 1024 == 0 || r == m))
            progress(r);
        const auto p = static_cast<std::size_t>(r - 1);
        const auto cells = table.fields(r);
        const std::optional<double> t = readTime(cells[0], cells[1]);
        if (!t) {
            out.skippedRows.push_back(r);
            out.x[p] = previous;
            for (auto& series : out.y)
                series[p] = TableNullValue;
            continue;
        }
        previous = *t;
        out.x[p] = *t;
        for (int s = 0; s < 3; ++s)
            out.y[static_cast<std::size_t>(s)][p] =
                tableCellValue(cells[static_cast<std::size_t>(2 + s)], parsers);
    }
    out.outcome = TableGraphData::Converted;
    return out;
}
