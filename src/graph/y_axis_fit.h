#pragma once
// Fit Y to data: the scale a Y axis gets to show its data whole, with a little room above and below,
// in whole numbers as the Y-axis dialog takes them.
#include <optional>
#include <utility>
#include <vector>

class ChartWidget;

namespace yfit {

// Part of the data's span left free above and below it, and the least room in the axis' units.
inline constexpr double kMarginShare = 0.05;
inline constexpr double kLeastMargin = 1.0;

// The whole-number scale (minimum, maximum) that holds lo..hi with the margin on both sides.
std::pair<int, int> scaleFor(double lo, double hi);

// Per Y axis of the chart, the lowest and highest value of its drawn subsets, over all points
// (the zoom does not matter); empty points and over-range readings (90000) are left out. An axis
// without such values has none.
std::vector<std::optional<std::pair<double, double>>> dataRanges(const ChartWidget& chart);

} // namespace yfit
