#include "data_set_chart.h"

#include "chart/chart_widget.h"
#include "graph/configure_graph.h"

DataSetChartFrame dataSetChartFrame(const DataSet& set) {
    DataSetChartFrame f;
    f.points = set.recordCount;
    f.start = set.startTime;
    f.end = set.startTime + set.recordCount * (set.intervalSeconds / 86400.0);
    return f;
}

void writeDataSetSamples(ChartWidget& chart, const DataSetSamples& samples) {
    chart.setXDataArray(samples.times);
    chart.setYDataArray(samples.values);
}

bool loadDataSetChart(ChartWidget& chart, const DataSetStore& store, int k, QString* templateError) {
    const std::optional<DataSetSamples> samples = k < 0 ? std::nullopt : store.samplesOf(size_t(k));
    if (!samples)
        return false;
    const DataSetChartFrame f = dataSetChartFrame(store.sets[size_t(k)]);
    QString error;
    if (!configureGraph(chart, 3, f.points, f.start, f.end, f.ppmMin, f.ppmMax, f.otherMin, f.otherMax,
                        &error) &&
        templateError)
        *templateError = error;
    writeDataSetSamples(chart, *samples);
    chart.setPEactions(pe::sgResetImage);
    return true;
}
