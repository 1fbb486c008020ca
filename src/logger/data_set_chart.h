#pragma once
// How a data set goes into a chart, for every view of it (the data-logger graph, reports): the X
// span and fixed Y scales the chart is prepared with, and the samples written in two bulk writes.
#include "logger/data_set.h"

#include <QString>

class ChartWidget;

struct DataSetChartFrame {
    int points = 0;
    double start = 0.0; // X from the first record's time ...
    double end = 0.0;   // ... to one interval per record later
    float ppmMin = 0.0f;
    float ppmMax = 10000.0f;
    float otherMin = -50.0f;
    float otherMax = 100.0f;
};
DataSetChartFrame dataSetChartFrame(const DataSet& set);

// Writes the set's 3N times and 3N values into a chart prepared for 3 subsets of N points. Records
// are stored ppm, %RH, temperature after one another, which is the chart's point-after-point order.
void writeDataSetSamples(ChartWidget& chart, const DataSetSamples& samples);

// Prepares `chart` for set k of the store (configureGraph with the set's frame, the chart
// template's look) and writes its samples. False when the store does not hold the set; a template
// that cannot be read leaves the standard look, with the reason in `templateError`.
bool loadDataSetChart(ChartWidget& chart, const DataSetStore& store, int k, QString* templateError = nullptr);
