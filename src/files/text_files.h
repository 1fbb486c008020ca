#pragma once
#include "files/text_lines.h"
#include "logger/table_model.h"
#include "logger/table_to_graph.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class LocaleFormats;
class Prompter;
class TableWindow;
class QWidget;

// The points of a graph as exportGraphText needs them; the graph window fills it from its chart.
struct GraphSeries {
    std::vector<double> x;             // X values of subset 0: date-time values
    std::vector<std::vector<float>> y; // Y values per subset: ppm, %RH, temperature
    QStringList labels{"ppm", "%RH", "Temp."};
    qsizetype pointCount = 0; // the chart's point count
};

// Save dialog filters of the table export, with and without the CSV type.
inline constexpr char TableSaveFilter[] =
    "TXT file(*.txt,data seperated by tab)|*.TXT                             "
    "|EXCEL file format(*.CSV,seperated by comma) |*.CSV";
inline constexpr char TableSaveFilterNoCsv[] = " TXT file(*.txt,data seperated by tab) |*.TXT";
inline constexpr char TableDefaultExt[] = "TXT";

// The table save filter for the user's locale: no CSV type when the decimal separator is a comma.
QString tableSaveFilter(const LocaleFormats& formats);

// The field separator for a text file name: the tab, or for a name ending in "csv" (any case) the
// comma. Where the decimal separator itself is a comma, a comma between fields would split every
// number in two, so CSV files then use the semicolon, as spreadsheets in such locales do.
char separatorForFileName(const QString& fileName, const LocaleFormats& formats);

enum class TextExportResult {
    Written,      // the file now holds the chosen lines
    Cancelled,    // a dialog or the progress Cancel: an older file is left as it was
    InvalidRange, // "invalid integer" was shown; nothing written
    FileError,    // the file could not be written (reported); an older file is left as it was
};

// Writes the graph's points from..to (chosen in the range dialog) as lines "date sep time sep ppm
// sep %RH sep temperature", values in fixed one-decimal notation or " OL" / " -OL" outside their
// ranges; stops at the first point whose time is 0. The file is replaced only when complete.
TextExportResult exportGraphText(Prompter& prompter, const GraphSeries& graph, const QString& fileName,
                                 char sep, QWidget* parent = nullptr);

// Asks for a file name (initial folder: the data folder, or the program's folder when empty), then
// the range, and writes the table's rows from..to as their seven field texts each followed by the
// separator (comma for a name ending in "csv", tab otherwise).
// `startFolder`, when not empty, is where the dialog starts instead; `writtenName` receives the
// name of the file written.
TextExportResult exportTableText(Prompter& prompter, const TableModel& table, const QString& dataFolder,
                                 QWidget* parent = nullptr, const QString& startFolder = {},
                                 QString* writtenName = nullptr);

// Reads a text file into a new table window whose caption is the full file name; the separator is
// the comma for a ".csv" name (see separatorForFileName), the tab otherwise. Returns nullptr, with
// no message, when the file cannot be opened. Lines of up to 64 KiB are read whole; up to seven
// fields of each are kept. Reading ends at the end of the file, at Cancel, at the first line without
// a separator (when more text follows, a message says where reading stopped) or at the first longer
// line (with a message). The file is read as it goes: memory grows with the rows read, never with
// the file's size, so a huge or endless file ends with a message rather than exhausting memory.
// The window gets `parent`; without one the caller owns it.
TableWindow* importTableText(Prompter& prompter, const QString& fileName, QWidget* parent = nullptr);

// Splits the lines of a text table into fields, as the import reads them. The separator is given,
// or for a CSV file where the comma is the decimal separator it is taken from the first line (the
// semicolon when that line holds one, the comma otherwise).
class TableTextLines {
  public:
    using Fields = std::array<std::string_view, TableModel::FieldCount>;
    TableTextLines(char sep, bool sniffFirstLine) : m_sep(sep), m_sniff(sniffFirstLine) {}
    // Splits `line` (without its '\n'; a trailing CR is dropped) at each separator from the left
    // into at most seven fields; text after the seventh separator is not kept. Returns the number
    // of fields, or nothing when the line holds no separator, which ends the reading.
    std::optional<std::size_t> split(std::string_view line, Fields& fields);
    char separator() const { return m_sep; }

  private:
    char m_sep;
    bool m_sniff;
};

// Cell readers for tableToGraph in the user's locale. `formats` must outlive the result.
TableParsers localeTableParsers(const LocaleFormats& formats);
