#pragma once
// Reports of a graph window: the window's chart as a report section, the Export Report command, and
// the report as the document of the chart's print dialog.
#include "chart/chart_print.h"
#include "report/report_document.h"

#include <QString>

class GraphWindow;

namespace report {

// The window's report: titled with the chart's main title or else the window's caption; the data
// set it shows and of how many, where the window lists data sets; its chart, temperature unit and
// the facts its points give.
Section sectionOf(GraphWindow& window);

// The file name Export Report suggests: the title with the characters file systems refuse
// replaced, and ".pdf".
QString suggestedFileName(const QString& title);

// Export Report: asks for a PDF file (starting in the data folder), writes the report in the options
// last chosen in the window's print dialog, and says why when it could not be written (the older
// file stays as it was). True when the file was written.
// `writtenName` receives the name of the file written. The dialog starts where the last report
// went (GraphShared::startFolder "report").
bool exportGraphReport(GraphWindow& window, QString* writtenName = nullptr);

// The window's report as the print dialog's document.
ChartPageRenderer rendererOf(GraphWindow& window);

} // namespace report
