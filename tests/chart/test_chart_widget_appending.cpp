// The chart control's incremental data path: cells written one point past the end of each subset
// (a growing recording) reach the plot without pushing every point again, and the plot then holds
// exactly what a full push of the same model would give.
#include "chart/chart_widget.h"
#include "support/scripted_prompter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <vector>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_chart_widget_appending {

constexpr double kStart = 45000.5;
constexpr double kSecond = 1.0 / 86400.0;
constexpr float kNull = 99999.0f;

struct Entry {
    double key;
    double value;
    bool operator==(const Entry& o) const {
        return key == o.key && (value == o.value || (std::isnan(value) && std::isnan(o.value)));
    }
};

std::vector<Entry> plotted(const ChartWidget& chart, int subset) {
    std::vector<Entry> out;
    for (const QCPGraphData& d : *chart.customPlot()->graph(subset)->data())
        out.push_back({d.key, d.value});
    return out;
}

std::vector<std::pair<double, double>> ranges(const ChartWidget& chart) {
    std::vector<std::pair<double, double>> out;
    for (int a = 0; a < chart.customPlot()->axisRectCount(); ++a) {
        for (auto type : {QCPAxis::atBottom, QCPAxis::atLeft}) {
            const QCPRange r = chart.customPlot()->axisRect(a)->axis(type)->range();
            out.emplace_back(r.lower, r.upper);
        }
    }
    return out;
}

struct Appending : ::testing::Test {
    ScriptedPrompter prompter;
    ChartWidget chart{prompter};

    // Three subsets on two stacked axes, date-time X, scales from the data.
    void prepare(int points) {
        chart.setSubsets(3);
        chart.setPoints(points);
        chart.setDateTimeMode(pe::sgVBDateTime);
        chart.setMultiAxesSubsets(0, 1);
        chart.setMultiAxesSubsets(1, 2);
        chart.setPEactions(pe::sgReinitAndReset);
        // As Run leaves a recording chart: nothing written yet.
        chart.setXDataII(-1, 0, 0.0);
        chart.setYData(-1, 0, kNull);
        chart.setPEactions(pe::sgResetImage);
    }
    void write(int subset, int point, double seconds, float y) {
        chart.setXDataII(subset, point, kStart + seconds * kSecond);
        chart.setYData(subset, point, y);
    }
    void sample(int point, double seconds, float ppm, float rh, float t) {
        write(0, point, seconds, ppm);
        write(1, point, seconds, rh);
        write(2, point, seconds, t);
    }
    // Redraws, and checks the plot against a chart that pushed the same model whole. Returns how
    // many whole pushes the redraw took.
    int redrawAndCompare() {
        const int before = chart.dataPushCount();
        chart.setPEactions(pe::sgResetImage);
        ChartWidget reference(prompter);
        EXPECT_TRUE(reference.loadState(chart.storeState()));
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(plotted(chart, s), plotted(reference, s)) << "subset " << s;
        EXPECT_EQ(ranges(chart), ranges(reference));
        return chart.dataPushCount() - before;
    }
};

TEST_F(Appending, EachKindOfWritePlotsWhatAWholePushWould) {
    prepare(12);
    chart.setLineGapThreshold(5 * kSecond);
    EXPECT_EQ(redrawAndCompare(), 1); // the clear itself
    EXPECT_TRUE(plotted(chart, 0).empty()) << "unwritten points are not plotted";

    for (int p = 0; p < 4; ++p) { // the first values too: every unwritten point lies before them

        sample(p, p, 800.0f + 10 * p, 45.0f - p, 22.0f + p);
        EXPECT_EQ(redrawAndCompare(), 0) << "point " << p;
    }
    EXPECT_EQ(plotted(chart, 0).size(), 4u);

    sample(4, 4, 3500, 90000, 23.5f); // high and over-range values widen the auto scale
    EXPECT_EQ(redrawAndCompare(), 0);
    sample(5, 20, 810, 44.0f, 24.0f); // further than the gap threshold: a break goes between
    EXPECT_EQ(redrawAndCompare(), 0);
    EXPECT_TRUE(std::isnan(plotted(chart, 0)[5].value));

    write(0, 6, 21, 820);
    write(1, 6, 21, 43.0f);
    write(2, 6, 21, kNull); // an empty point: pushed whole
    EXPECT_EQ(redrawAndCompare(), 1);
    sample(7, 22, 830, 42.0f, 25.0f); // the empty point now lies between two values
    EXPECT_EQ(redrawAndCompare(), 1);
    const auto temperature = plotted(chart, 2);
    EXPECT_TRUE(std::isnan(temperature[temperature.size() - 2].value));

    write(0, 2, 2, 600); // an earlier point rewritten: pushed whole
    EXPECT_EQ(redrawAndCompare(), 1);

    sample(8, -30, 700, 50.0f, 20.0f); // before every other value: plotted first, still in place
    EXPECT_EQ(redrawAndCompare(), 0);
    EXPECT_EQ(plotted(chart, 1).front().value, 50.0);

    // An empty point past the last value is left out; a value beyond it must bring it back.
    write(1, 10, 100, kNull);
    EXPECT_EQ(redrawAndCompare(), 1);
    write(1, 9, 200, 41.0f);
    EXPECT_EQ(redrawAndCompare(), 1);
    EXPECT_TRUE(std::isnan(plotted(chart, 1)[plotted(chart, 1).size() - 2].value));

    // An empty point amid the values breaks the line until a value is written into it.
    write(0, 10, 10.5, kNull);
    EXPECT_EQ(redrawAndCompare(), 1);
    write(0, 10, 10.5, 900);
    EXPECT_EQ(redrawAndCompare(), 0);
    for (const Entry& e : plotted(chart, 0)) {
        if (e.key == daysToAxisSeconds(kStart + 10.5 * kSecond)) {
            EXPECT_EQ(e.value, 900.0);
        }
    }
}

TEST_F(Appending, AGrowingRecordingIsNotPushedAgain) {
    prepare(2000);
    const int pushes = chart.dataPushCount();
    for (int p = 0; p < 1500; ++p) {
        sample(p, p, 800.0f + p % 7, 45.0f, 22.0f);
        chart.setPEactions(pe::sgResetImage);
        chart.setPEactions(pe::sgInvalidateImage);
    }
    EXPECT_EQ(chart.dataPushCount(), pushes);
    for (int s = 0; s < 3; ++s) {
        const auto data = plotted(chart, s);
        ASSERT_EQ(data.size(), 1500u);
        EXPECT_EQ(data.back().key, daysToAxisSeconds(kStart + 1499 * kSecond));
    }
    EXPECT_EQ(redrawAndCompare(), 0);

    chart.setPoints(1500); // as Stop trims the chart: whole, and the same points
    EXPECT_EQ(redrawAndCompare(), 1);
    EXPECT_EQ(plotted(chart, 0).size(), 1500u);
}

} // namespace test_chart_widget_appending
