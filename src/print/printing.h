#pragma once
// Printing the active child window: a table as plain text lines in a fixed-pitch font, a graph
// through its chart's customization dialog and print path. The main window's Print command
// chooses which; the printer is the one the printer-setup dialog configured.
#include "chart/chart_print.h"

#include <QFont>
#include <QList>
#include <QStringList>

class ChartWidget;
class Prompter;
class QPrinter;
class QWidget;

namespace print {

// "FixedSys" at 8 points where the system has it, else the system's fixed-pitch font at 8 points.
QFont tablePrintFont();

// The printed line height: the height of "String Grid Printout" in `font` on the printer.
int tableLineHeight(QPrinter& printer, const QFont& font);

// Prints the rows (row 0 the header row) on `printer`, one page per linesPerPage rows, without the
// print dialog, the lines tableLineHeight apart and printer.height() div that to a page.
// False when the printer could not begin the document.
bool printTable(QPrinter& printer, const QList<QStringList>& rows, const QFont& font);

// Table printing as the Print command runs it: the print dialog first; Cancel prints nothing and
// begins no document. True when a document was printed.
bool printTableWithDialog(Prompter& prompter, QPrinter& printer, const QList<QStringList>& rows,
                          QWidget* parent = nullptr);

// Graph printing as the Print command runs it, through the chart's own prompter: the chart's
// customization dialog without its
// font, first, second and subsets pages (whatever it returns), then the chart's own print dialog
// on `printer` (preview and options, then the printer or a PDF file), its document drawn by
// `renderer` (a graph window's report; without one, the chart alone). True when a document was
// printed or written.
bool printGraph(ChartWidget& graph, QPrinter& printer, const ChartPageRenderer& renderer = {});

} // namespace print
