#pragma once
// Figures the graph windows show beside the statistics of the whole chart: how long each channel
// spends above its limit lines, and the statistics of the points in view of a zoomed chart. Pure
// computations over a chart's model; no widgets.
//
// Time above a limit. Each interval between two consecutive samples of a channel counts as
// recorded time, and as time above a limit when its first sample lies strictly above the limit (at
// the single precision the chart holds values in, so a reading of exactly the limit is not above):
// a reading holds until the next one is taken. An interval is a gap and counts neither way when
//   - either of its two samples has no value (the chart's null value, or not a number), or
//   - it is longer than kGapFactor times the channel's sampling interval (the median of all its
//     intervals), as where a recording was paused or the meter was off, or
//   - its second sample is not later than its first.
// So the last sample of a recording, and the last one before a gap, add no time. An over-range
// reading (90000) lies above every limit. The share is the time above over the recorded time.
#include "chart/chart_model.h"
#include "graph/graph_statistics.h"

#include <QLocale>
#include <QString>
#include <array>
#include <span>
#include <vector>

namespace limitstats {

// An interval longer than this many sampling intervals is a gap. Above 2, so that one missed
// reading of a live recording (twice the interval, give or take the tick) is no gap yet.
inline constexpr double kGapFactor = 2.5;

struct TimeAbove {
    double aboveSeconds = 0.0;
    double recordedSeconds = 0.0;
    // Time above over recorded time, 0 to 1; 0 when nothing was recorded.
    double share() const { return recordedSeconds > 0.0 ? aboveSeconds / recordedSeconds : 0.0; }
    bool operator==(const TimeAbove&) const = default;
};

// The sampling interval of a series in days: the median of the positive intervals between
// consecutive samples that both have values, to the microsecond; 0 when there is none.
double samplingInterval(const graphstats::Series& series, double nullValue);

// The time above each of `limits`, in one pass over the series; intervals longer than
// `longestInterval` days are gaps (see above).
std::vector<TimeAbove> timeAbove(const graphstats::Series& series, std::span<const double> limits,
                                 double longestInterval, double nullValue);

// Whole seconds (rounded) as h:mm:ss, with as many hours as it takes ("26:03:05").
QString formatDuration(double seconds);
// "1:23:45 (12.5%)": the time above and its share with one decimal; "****" when nothing was
// recorded.
QString timeAboveText(const TimeAbove& time, const QLocale& locale = QLocale());
// A limit value as its line is labelled: up to 7 significant digits, no needless decimals.
QString formatLimit(double value, const QLocale& locale = QLocale());
// How a limit is named in the statistics: "ppm > 1000", "RH > 60", "T1 > 26".
QString limitName(int channel, double value, const QLocale& locale = QLocale());

// The points from the first to the last whose X lies in [lo, hi]: for time-ordered points, exactly
// the points whose time is in view. Empty (first == end) when none is.
struct PointRange {
    int first = 0;
    int end = 0;
    int count() const { return end - first; }
    bool operator==(const PointRange&) const = default;
};
PointRange pointsInView(std::span<const double> x, double lo, double hi);

// One limit line of one of the three channels and the time its channel spent above it.
struct LimitFigure {
    int channel = 0;
    double limit = 0.0;
    TimeAbove time;
    bool operator==(const LimitFigure&) const = default;
};

// The limit lines of channels 0 to 2 (ppm, %RH, temperature), ordered by channel, then value.
std::vector<LimitLine> channelLimits(const ChartModel& model);

// The figures of the whole recording.
struct RecordingFigures {
    std::array<double, graphstats::kChannels> longestInterval{}; // per channel, days; beyond: a gap
    std::vector<LimitFigure> limits;
};
RecordingFigures computeRecording(const ChartModel& model);

// The figures of the points in view, X from xMin to xMax (date-time days): MAX, MIN and AVG as the
// statistic fields show them, and the time above each limit with the whole recording's gaps.
struct RangeFigures {
    double xMin = 0.0;
    double xMax = 0.0;
    PointRange points;        // by the X of subset 0, the time base of the statistics
    graphstats::Result stats; // max, min and avg per channel; the rest as for the whole chart
    std::vector<LimitFigure> limits;
};
RangeFigures computeRange(const ChartModel& model, double xMin, double xMax,
                          const RecordingFigures& recording, const QLocale& locale = QLocale(),
                          graphstats::TemperatureUnit unit = graphstats::TemperatureUnit::Celsius);

} // namespace limitstats
