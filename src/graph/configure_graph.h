#pragma once
#include <QString>

class ChartWidget;

// The template file "template/graph.ghf" that "Save this setting" writes: in the program's
// directory, or in the user's data folder for the program once installed.
QString graphTemplateFile();
// The template a new chart takes its look from: graphTemplateFile() when it exists, otherwise the
// template an installed program ships with.
QString graphTemplateReadFile();
// Tests point the program directory elsewhere; an empty path restores the application's own.
void setGraphProgramDirectory(const QString& dir);

// Prepares a chart for a graph window: the template's look if the template file exists, then
// `subsets` subsets of `points` cleared points, ppm on axis 0 and the other two on axis 1, each
// half the height, both with the given fixed scales, X fixed from xStart to xEnd unless xStart is
// 0. Returns false with the reason in `templateError` when a template exists but cannot be read;
// the chart is still prepared, with the built-in look.
bool configureGraph(ChartWidget& chart, int subsets, int points, double xStart, double xEnd, float ppmMin,
                    float ppmMax, float otherMin, float otherMax, QString* templateError = nullptr);
