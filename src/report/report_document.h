#pragma once
// Graph reports: documents a user can hand on. Each section (one graph, one data set) takes a page:
//   header   the title, the recording's start and end, its sampling interval and number of samples,
//            and the meter's serial number where the data carries it;
//   chart    as the chart shows it, in the print-friendly scheme unless asked otherwise;
//   figures  MAX, MIN and AVG of each shown channel with their times, and the time above each limit
//            line with its share;
//   footer   the program's name and version, the date printed and "Page n of m".
// On request the section's values follow as a table on the next pages. Pages are drawn onto any
// paged device: the print preview, a printer, or a PDF file (QPdfWriter).
#include "chart/chart_print.h"
#include "graph/graph_statistics.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <vector>

class ChartWidget;
class QPagedPaintDevice;
class QPainter;
class QPdfWriter;

namespace report {

// What the header says about the recording.
struct Facts {
    double start = 0.0; // date-time days; 0 without samples
    double end = 0.0;
    int intervalSeconds = 0; // 0 when unknown
    int samples = 0;
    QString serialNumber; // empty when the data does not carry it
};

struct Section {
    QString title;
    QString subtitle; // beside the title ("Data set 2 of 4"), may be empty
    ChartWidget* chart = nullptr;
    graphstats::TemperatureUnit unit = graphstats::TemperatureUnit::Celsius;
    Facts facts;
};

// The points of a chart that hold a recording: from point 0 to the last point of subset 0 with a
// date and a value (a live recording's chart has room for more points than it has filled).
int recordedPoints(const ChartWidget& chart);
// The facts a chart's own points give: first and last time, the sampling interval (the median
// interval, to the second) and the number of recorded points.
Facts factsOf(const ChartWidget& chart);

// One row of the figures under the chart.
struct ChannelRow {
    QString channel; // "CO2 (ppm)", "Humidity (%RH)", "Temperature (°F)"
    QString max, maxTime, min, minTime, avg;
};
struct LimitRow {
    QString limit; // "ppm > 1000", "T1 > 26 °C"
    QString timeAbove;
};
struct Figures {
    std::vector<ChannelRow> channels; // the channels the chart shows, in channel order
    std::vector<LimitRow> limits;
};
Figures figuresOf(const Section& section, const QLocale& locale = QLocale());

// "°C" or "°F".
QString temperatureSymbol(graphstats::TemperatureUnit unit);
// The sampling interval as people say it: "30 s", "1 min 30 s", "1 h 1 min".
QString intervalText(int seconds);

// The document's pages for its sections and options on a page of `page` paper units.
int pageCount(const std::vector<Section>& sections, const ChartPrintOptions& options, QSizeF page);

// Draws the whole document on `device`, `printed` being the date printed of its footers. False
// when the device could not start a page.
bool render(QPagedPaintDevice& device, const std::vector<Section>& sections, const ChartPrintOptions& options,
            const QDateTime& printed = QDateTime::currentDateTime());

// The document as a PDF file through QPdfWriter (A4, the orientation of the options), written
// through the checked save path: on failure the reason is in `error` and an older file of that name
// stays as it was.
bool writePdf(const QString& fileName, const std::vector<Section>& sections, const ChartPrintOptions& options,
              QString* error = nullptr, const QDateTime& printed = QDateTime::currentDateTime());

// "QZ407 <version>", as the footers name the program.
QString programText();

} // namespace report
