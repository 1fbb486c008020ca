#pragma once
// "Output Tabular to graph": turns a table window's rows into a new graph window.
#include <QString>

#include <functional>

class Clock;
class Prompter;
class QWidget;
class GraphWindow;
class TableWindow;

// Creates a graph window (the main window adds it to its MDI area) with the given caption.
using GraphWindowFactory = std::function<GraphWindow*(const QString& caption)>;

// Makes a new graph window, captioned like the table window, whose three subsets hold the table's
// rows: point r - 1 from row r, X its date and time, ppm, %RH and temperature from columns 3-5
// (" OL" and text that is no number are not drawn, " -OL" lies far below the scale). A progress
// dialog "Graphing Progress" runs meanwhile; window messages are handled.
//
// An empty table shows "No data to graph !" and creates no window. A first or last row without a
// readable date and time shows why; the window then stays open, unprepared. Returns the window
// created, or nullptr. If the table window is destroyed while its rows are read, the conversion
// stops there and the graph window keeps an empty chart.
GraphWindow* outputTabularToGraph(TableWindow& table, const GraphWindowFactory& createWindow,
                                  Prompter& prompter, Clock& clock);

// The tool button's handler: does nothing unless the active child (or the widget of an MDI
// sub-window) is a table window.
GraphWindow* onOutputToGraphClicked(QWidget* activeChild, const GraphWindowFactory& createWindow,
                                    Prompter& prompter, Clock& clock);
