#pragma once
// Paper output of a chart: the options of the chart's print dialog, and the page units every
// printed or exported page is laid out in.
//
// Pages are laid out in paper units of 1/96 inch, whatever the device's resolution (a 1200 dpi
// printer, a PDF writer, the print preview), so one layout serves them all and a chart drawn for
// paper is as large on it as on a screen of that resolution. beginPaper() scales a painter to it.
#include <QFont>
#include <QSizeF>
#include <functional>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

// What the chart's print dialog offers. A graph prints landscape, fitted, on white paper, with a
// header and footer; the table of values after the chart is off until asked for.
struct ChartPrintOptions {
    bool landscape = true;
    bool fitToPage = true;     // the chart fills its area; off: it keeps its on-screen proportions
    bool printFriendly = true; // white paper, dark axes and text, curves darkened and dashed
    bool headerFooter = true;
    bool valueTable = false; // the values after the chart, on the following pages
    bool operator==(const ChartPrintOptions&) const = default;
};

// Draws every page of a document onto a printer the options were applied to (the print dialog's
// preview, the printer, or a PDF file). False when the printer could not start.
using ChartPageRenderer = std::function<bool(QPrinter&, const ChartPrintOptions&)>;

namespace paper {

inline constexpr double kUnitsPerInch = 96.0;
inline constexpr double kUnitsPerPoint = kUnitsPerInch / 72.0;

// Begins `painter` on `device` and scales it to paper units; its origin is the top left corner of
// the device's printable area. False when the device could not start.
bool begin(QPainter& painter, QPagedPaintDevice& device);
// The printable area of the device in paper units.
QSizeF pageSize(const QPagedPaintDevice& device);
// A font of `points` points for text drawn in paper units: sized in pixels, so that it keeps its
// size whatever the device's resolution.
QFont font(double points, bool bold = false);

} // namespace paper
