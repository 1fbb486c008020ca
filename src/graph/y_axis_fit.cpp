// Fit Y to data: each Y axis set once to its data's range and a margin, as if typed into the Y-axis
// dialog. The scale stays fixed afterwards; new graphs keep the default scales.
#include "graph/y_axis_fit.h"

#include "chart/chart_widget.h"
#include "graph/graph_window.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace yfit {

namespace {
constexpr double kOverRange = 90000.0; // an over-range reading, drawn far off the top
constexpr double kLargestEnd = 2e9;    // a whole number the dialog can hold
} // namespace

std::pair<int, int> scaleFor(double lo, double hi) {
    const double margin = std::max((hi - lo) * kMarginShare, kLeastMargin);
    const double low = std::clamp(std::floor(lo - margin), -kLargestEnd, kLargestEnd);
    const double high = std::clamp(std::ceil(hi + margin), -kLargestEnd, kLargestEnd);
    return {int(low), int(high)};
}

std::vector<std::optional<std::pair<double, double>>> dataRanges(const ChartWidget& chart) {
    const ChartModel& model = chart.model();
    std::vector<std::optional<std::pair<double, double>>> ranges(size_t(std::max(1, chart.axisCount())));
    const double null = chart.NullDataValueY();
    for (int s : model.drawnSubsets()) {
        if (s < 0 || s >= chart.Subsets())
            continue;
        const size_t axis = size_t(std::clamp(model.axisOfSubset(s), 0, int(ranges.size()) - 1));
        for (int p = 0; p < chart.Points(); ++p) {
            const double y = chart.YDataII(s, p);
            if (!std::isfinite(y) || y == null || float(y) == float(null) || y >= kOverRange)
                continue;
            auto& r = ranges[axis];
            if (!r)
                r = std::pair{y, y};
            else
                r = std::pair{std::min(r->first, y), std::max(r->second, y)};
        }
    }
    return ranges;
}

} // namespace yfit

void GraphWindow::onFitYClicked() {
    const auto ranges = yfit::dataRanges(*chart);
    // Applied the way the Y-axis dialog applies its four numbers: the lower axis first, axis 0 the
    // working axis after; an axis without data keeps its scale.
    for (int a = int(ranges.size()) - 1; a >= 0; --a) {
        if (!ranges[size_t(a)])
            continue;
        const auto [lo, hi] = yfit::scaleFor(ranges[size_t(a)]->first, ranges[size_t(a)]->second);
        chart->setWorkingAxis(a);
        chart->setManualMinY(lo);
        chart->setManualMaxY(hi);
    }
    chart->setWorkingAxis(0);
    redraw();
    chart->showWholeYScales(); // a zoomed view shows the new scales now, its time range kept
}
