#pragma once
// A small chart with something of every kind a graph file holds: data with a null and an
// over-range value, a hidden channel, marks, a vertical line, the MAX/MIN table, a zoomed view and
// a look of its own. data/before_limit_lines.ghf is this chart as the program wrote it before
// charts carried limit lines; the tests build it again and compare.
#include "chart/chart_state.h"
#include "chart/chart_widget.h"

#include <vector>

inline void buildSavedChartFixture(ChartWidget& g) {
    constexpr double start = 46234.5; // 2026-07-30 12:00
    constexpr double step = 30.0 / 86400.0;
    constexpr int points = 12;
    g.setNullDataValueY(99999);
    g.setSubsets(3);
    g.setPoints(points);
    g.setDateTimeMode(pe::sgVBDateTime);
    g.setManualScaleControlX(pe::sgManualMinAndMax);
    g.setManualMinX(start);
    g.setManualMaxX(start + points * step);
    g.setSubsetLabels(0, "ppm");
    g.setSubsetLabels(1, "%RH");
    g.setSubsetLabels(2, "Temp.");
    g.setSubsetColors(0, peRgb(255, 255, 0));
    g.setSubsetColors(1, peRgb(0, 0, 255));
    g.setSubsetColors(2, peRgb(255, 0, 0));
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    g.setMultiAxesProportions(0, 0.5);
    g.setMultiAxesProportions(1, 0.5);
    g.setWorkingAxis(1);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(-50);
    g.setManualMaxY(100);
    g.setWorkingAxis(0);
    g.setManualScaleControlY(pe::sgManualMinAndMax);
    g.setManualMinY(0);
    g.setManualMaxY(10000);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int p = 0; p < points; ++p) {
        for (int s = 0; s < 3; ++s) {
            xs.push_back(start + p * step);
            ys.push_back(s == 0 ? 800.0f + 150.0f * p : s == 1 ? 45.5f + p : 21.0f + 0.5f * p);
        }
    }
    ys[3 * 4 + 0] = 99999.0f; // no ppm value at point 4
    ys[3 * 7 + 2] = 90000.0f; // temperature over range at point 7
    g.setXDataArray(xs);
    g.setYDataArray(ys);
    g.setRandomSubsetsToGraph(-1, 0); // humidity hidden
    g.setRandomSubsetsToGraph(0, 0);
    g.setRandomSubsetsToGraph(1, 2);
    g.setMainTitle("Office, 30 July");
    g.setSubTitle(" ");
    g.setXAxisLabel("Time");
    g.setGraphBackColor(peRgb(0, 0, 0));
    g.setGraphForeColor(peRgb(0, 128, 0));
    g.setGridStyle(pe::sgDot);
    g.setAllowZooming(pe::sgHorzPlusVertZooming);
    g.setAllowGraphAnnotHotSpots(true);
    g.setGraphAnnotationType(4, pe::sgCrossMark);
    g.setGraphAnnotationX(4, start + 3 * step);
    g.setGraphAnnotationY(4, 1250);
    g.setGraphAnnotationColor(4, peRgb(255, 255, 255));
    g.setGraphAnnotationType(5, pe::sgNoSymbol);
    g.setGraphAnnotationX(5, start + 6 * step);
    g.setGraphAnnotationY(5, 2000);
    g.setGraphAnnotationText(5, "window\ropened");
    g.setGraphAnnotationColor(5, peRgb(0, 255, 0));
    g.setVertLineAnnotation(0, start + 2 * step);
    g.setVertLineAnnotationColor(0, peRgb(0, 0, 255));
    g.setVertLineAnnotationText(0, "A");
    g.setTARows(15);
    g.setTAColumns(2);
    g.setTAText(0, 0, "Start Time:");
    g.setTAText(0, 1, "7/30/26 12:00:00 PM");
    g.setTAText(3, 0, "ppm MAX:");
    g.setTAText(3, 1, "2450@7/30/26 12:05:30 PM");
    for (int r = 0; r < 15; ++r)
        g.setTAColor(r, 1, peRgb(255, 0, 0) | 0xFF000000u);
    g.setTABackColor(peRgb(255, 255, 255) | (129u << 24));
    g.setTABorder(pe::sgInset);
    g.setTATextSize(80);
    g.setShowTableAnnotation(true);
    g.setPEactions(pe::sgReinitAndReset);
    // Zoomed into points 2 to 8 and the ppm range 500 to 3000; the chart has no call for a view of
    // its own, so it goes in through a stored state.
    ChartModel zoomed = g.model();
    zoomed.zoomStack.push_back(
        ZoomView{start + 2 * step, start + 8 * step, {{500.0, 3000.0}, {-50.0, 100.0}}});
    g.loadState(ChartState::store(zoomed));
}
