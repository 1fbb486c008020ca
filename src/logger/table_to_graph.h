#pragma once
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class TableModel;

// The chart's null value (a point that is not drawn) and the value of a reading below range.
inline constexpr float TableNullValue = 99999.0f;
inline constexpr float UnderRangeValue = -99999.0f;

// How cells are read: "date time" texts to date-time values, and decimal numbers, both as the
// user's locale writes them. The files library supplies these from its locale formats.
struct TableParsers {
    std::function<std::optional<double>(std::string_view)> dateTime;
    std::function<std::optional<double>(std::string_view)> number;
};

// The points "Output Tabular to graph" puts into a new graph: M = the table's data rows, point
// r - 1 from row r, X the row's date and time, Y of subsets 0-2 (ppm, %RH, temperature) from
// columns 3-5.
struct TableGraphData {
    enum Outcome {
        Converted,
        NoData,        // cell (1, 1) is empty: show `message`, create no graph
        BadFirstOrLast // first or last row has no readable date and time: show `message`
    };
    Outcome outcome = NoData;
    QString message;
    double firstTime = 0.0, lastTime = 0.0; // the X range of the new chart
    std::vector<double> x;
    std::array<std::vector<float>, 3> y;
    // Rows (1-based) whose date and time could not be read. Their points keep the time of the
    // point before (the first time for row 1), so X stays in order, and have the null value in
    // every subset, so nothing is drawn for them.
    std::vector<qsizetype> skippedRows;
};

// Reads one value cell: " OL" gives the null value, " -OL" UnderRangeValue, a number its value,
// anything else (an empty cell, letters) the null value.
float tableCellValue(std::string_view cell, const TableParsers& parsers);

// Converts the table's rows. `progress`, when given, is called with the row reached about every
// thousand rows and with the last row, so the caller can move a progress bar and handle window
// messages.
TableGraphData tableToGraph(const TableModel& table, const TableParsers& parsers,
                            const std::function<void(qsizetype row)>& progress = {});
