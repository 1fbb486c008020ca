#pragma once
// Graph files (*.ghf) and the chart template: a 4-byte length L, least significant byte first,
// followed by the L bytes of the chart's stored state (ChartWidget::storeState). Nothing follows the
// state; the state block itself carries the chart's own magic, version and checksum.
#include <QString>

class ChartWidget;

// Stores the chart's whole state into `fileName`, replacing any file of that name. The file is
// written beside the old one and swapped in only when complete, so a failed write never destroys
// the older file. On failure returns false with a readable reason in `error`.
bool writeGraphFile(const ChartWidget& chart, const QString& fileName, QString* error = nullptr);

// Restores the chart from `fileName`. A missing, short or inconsistent file (the length field
// disagreeing with the file size, or a state block the chart refuses) returns false with the
// reason in `error` and leaves the chart exactly as it was.
bool readGraphFile(ChartWidget& chart, const QString& fileName, QString* error = nullptr);
