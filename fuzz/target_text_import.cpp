// Tabular text files: the lines split into fields as the import splits them, the table turned into
// a graph as "Output Tabular to graph" does, and the graph's points written back as text lines.
// The first byte picks the locale and whether the file is read as TXT or CSV.
#include "files/locale_formats.h"
#include "files/text_files.h"
#include "fuzz_targets.h"
#include "logger/table_model.h"
#include "logger/table_to_graph.h"

#include <QLocale>
#include <string>

namespace {
// Points written back per input.
constexpr std::size_t kImportedPointsChecked = 64;

const LocaleFormats& formatsFor(uint8_t choice) {
    static const LocaleFormats formats[] = {
        LocaleFormats(QLocale(QLocale::English, QLocale::UnitedStates)),
        LocaleFormats(QLocale(QLocale::German, QLocale::Germany)),
        LocaleFormats(QLocale(QLocale::French, QLocale::France)),
        LocaleFormats(QLocale(QLocale::Japanese, QLocale::Japan)),
    };
    return formats[choice % 4];
}
} // namespace

int fuzz::textImport(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const LocaleFormats& formats = formatsFor(data[0]);
    const QString fileName = (data[0] & 0x04) ? QStringLiteral("data.csv") : QStringLiteral("data.txt");
    const char sep = separatorForFileName(fileName, formats);
    TableTextLines lines(sep, sep == ';');

    TableModel table;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    TableTextLines::Fields fields;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        const std::optional<std::size_t> n = lines.split(line, fields);
        if (!n)
            break;
        require(*n <= fields.size(), "at most seven fields");
        table.appendRow(std::span(fields.data(), *n));
        const qsizetype row = table.filledRows();
        for (std::size_t f = 0; f < *n; ++f)
            require(table.field(row, int(f) + 1) == fields[f], "a field is kept as read");
    }

    const TableGraphData graph = tableToGraph(table, localeTableParsers(formats));
    if (graph.outcome != TableGraphData::Converted)
        return 0;
    require(graph.x.size() == size_t(table.dataRows()), "one point per row");
    for (const auto& y : graph.y)
        require(y.size() == graph.x.size(), "every subset holds every point");
    std::string out;
    for (std::size_t p = 0; p < graph.x.size() && p < kImportedPointsChecked; ++p) {
        const std::array<float, 3> values{graph.y[0][p], graph.y[1][p], graph.y[2][p]};
        appendGraphTextLine(out, formats, graph.x[p], values, lines.separator());
    }
    return 0;
}
