#include "limit_statistics.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace limitstats {

namespace {

constexpr double kSecondsPerDay = 86400.0;

bool hasValue(double y, double nullValue) {
    return y != nullValue && !std::isnan(y);
}

// The series cut to its shorter array.
size_t lengthOf(const graphstats::Series& s) {
    return std::min(s.x.size(), s.y.size());
}

graphstats::Series part(const graphstats::Series& s, PointRange range) {
    const size_t n = lengthOf(s);
    const size_t first = std::min(size_t(std::max(range.first, 0)), n);
    const size_t end = std::clamp(size_t(std::max(range.end, 0)), first, n);
    return {s.x.subspan(first, end - first), s.y.subspan(first, end - first)};
}

graphstats::Series seriesOf(const ChartModel& m, int channel) {
    if (channel >= m.subsets())
        return {};
    return {m.xRow(channel), m.yRow(channel)};
}

std::vector<LimitFigure> figuresOf(const ChartModel& m, const RecordingFigures& recording, PointRange range) {
    const std::vector<LimitLine> lines = channelLimits(m);
    std::vector<LimitFigure> out;
    out.reserve(lines.size());
    for (int c = 0; c < graphstats::kChannels; ++c) {
        std::vector<double> limits;
        for (const LimitLine& l : lines) {
            if (l.subset == c)
                limits.push_back(l.value);
        }
        if (limits.empty())
            continue;
        const graphstats::Series s = part(seriesOf(m, c), range);
        const std::vector<TimeAbove> times =
            timeAbove(s, limits, recording.longestInterval[size_t(c)], m.look.nullDataValueY);
        for (size_t k = 0; k < limits.size(); ++k)
            out.push_back({c, limits[k], times[k]});
    }
    return out;
}

} // namespace

double samplingInterval(const graphstats::Series& s, double nullValue) {
    // Intervals in whole microseconds. Rounding keeps their order, so the median of the rounded
    // intervals is the rounded median; and where one interval makes more than half of them, as in
    // any regular recording, it is the median, found by a majority vote in two passes with no sort.
    constexpr double kMicrosecondsPerDay = 86400.0e6;
    const size_t n = lengthOf(s);
    const auto intervalAt = [&](size_t i) -> std::optional<long long> {
        if (!hasValue(s.y[i - 1], nullValue) || !hasValue(s.y[i], nullValue))
            return std::nullopt;
        const double dt = s.x[i] - s.x[i - 1];
        if (!(dt > 0.0) || !std::isfinite(dt))
            return std::nullopt;
        return static_cast<long long>(std::min(dt, 1e7) * kMicrosecondsPerDay + 0.5); // dates span far less
    };
    // Most recordings keep their first interval throughout: try it first, in one pass.
    std::optional<long long> first;
    size_t count = 0;
    size_t occurrences = 0;
    for (size_t i = 1; i < n; ++i) {
        if (const std::optional<long long> v = intervalAt(i)) {
            ++count;
            if (!first)
                first = v;
            occurrences += *v == *first ? 1 : 0;
        }
    }
    if (count == 0)
        return 0.0;
    if (occurrences * 2 > count)
        return double(*first) / kMicrosecondsPerDay;
    // Otherwise the candidate of a majority vote, checked in a second pass.
    long long candidate = 0;
    size_t votes = 0;
    for (size_t i = 1; i < n; ++i) {
        if (const std::optional<long long> v = intervalAt(i)) {
            if (votes == 0)
                candidate = *v;
            votes += *v == candidate ? 1 : size_t(-1);
        }
    }
    occurrences = 0;
    for (size_t i = 1; i < n; ++i) {
        if (intervalAt(i) == candidate)
            ++occurrences;
    }
    if (occurrences * 2 > count)
        return double(candidate) / kMicrosecondsPerDay;

    std::vector<long long> intervals;
    intervals.reserve(count);
    for (size_t i = 1; i < n; ++i) {
        if (const std::optional<long long> v = intervalAt(i))
            intervals.push_back(*v);
    }
    const auto middle = intervals.begin() + std::ptrdiff_t(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return double(*middle) / kMicrosecondsPerDay;
}

std::vector<TimeAbove> timeAbove(const graphstats::Series& s, std::span<const double> limits,
                                 double longestInterval, double nullValue) {
    std::vector<TimeAbove> out(limits.size());
    const size_t n = lengthOf(s);
    if (limits.empty() || n < 2)
        return out;
    // Days are summed and turned into seconds once, so the sums stay exact for whole seconds.
    std::vector<double> aboveDays(limits.size(), 0.0);
    // Chart values are single precision: a reading equal to a limit is held as the float nearest
    // it, which may lie just above the limit (78.8 does). Each limit is compared at that precision.
    std::vector<double> at(limits.begin(), limits.end());
    for (double& l : at) {
        const float f = float(l);
        if (std::isfinite(f))
            l = double(f);
    }
    double recordedDays = 0.0;
    for (size_t i = 1; i < n; ++i) {
        const double y = s.y[i - 1];
        if (!hasValue(y, nullValue) || !hasValue(s.y[i], nullValue))
            continue;
        const double dt = s.x[i] - s.x[i - 1];
        if (!(dt > 0.0 && dt <= longestInterval))
            continue;
        recordedDays += dt;
        for (size_t k = 0; k < limits.size(); ++k) {
            if (y > at[k])
                aboveDays[k] += dt;
        }
    }
    for (size_t k = 0; k < limits.size(); ++k)
        out[k] = {aboveDays[k] * kSecondsPerDay, recordedDays * kSecondsPerDay};
    return out;
}

QString formatDuration(double seconds) {
    // Beyond about 31 million years the figure means nothing; it is capped before rounding.
    const long long whole = std::isfinite(seconds) ? std::llround(std::clamp(seconds, 0.0, 1e15)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg((whole / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString timeAboveText(const TimeAbove& time, const QLocale& locale) {
    if (!(time.recordedSeconds > 0.0))
        return graphstats::kNoValue;
    return formatDuration(time.aboveSeconds) + QStringLiteral(" (") +
           graphstats::formatFixed(time.share() * 100.0, 1, locale) + QStringLiteral("%)");
}

QString formatLimit(double value, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', 7);
}

QString limitName(int channel, double value, const QLocale& locale) {
    static const QString names[graphstats::kChannels] = {QStringLiteral("ppm"), QStringLiteral("RH"),
                                                         QStringLiteral("T1")};
    return names[std::clamp(channel, 0, graphstats::kChannels - 1)] + QStringLiteral(" > ") +
           formatLimit(value, locale);
}

PointRange pointsInView(std::span<const double> x, double lo, double hi) {
    const auto inView = [lo, hi](double v) { return v >= lo && v <= hi; };
    const auto first = std::find_if(x.begin(), x.end(), inView);
    if (first == x.end())
        return {};
    const auto last = std::find_if(x.rbegin(), x.rend(), inView);
    return {int(first - x.begin()), int(x.rend() - last)};
}

std::vector<LimitLine> channelLimits(const ChartModel& m) {
    std::vector<LimitLine> lines;
    for (const LimitLine& l : m.limitLines) {
        if (l.subset >= 0 && l.subset < graphstats::kChannels && l.subset < m.subsets())
            lines.push_back(l);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const LimitLine& a, const LimitLine& b) {
        return a.subset != b.subset ? a.subset < b.subset : a.value < b.value;
    });
    return lines;
}

RecordingFigures computeRecording(const ChartModel& m) {
    RecordingFigures r;
    // Only channels with limits need their sampling interval.
    const std::vector<LimitLine> lines = channelLimits(m);
    for (const LimitLine& l : lines) {
        double& longest = r.longestInterval[size_t(l.subset)];
        if (longest == 0.0)
            longest = kGapFactor * samplingInterval(seriesOf(m, l.subset), m.look.nullDataValueY);
    }
    r.limits = figuresOf(m, r, PointRange{0, m.points()});
    return r;
}

RangeFigures computeRange(const ChartModel& m, double xMin, double xMax, const RecordingFigures& recording,
                          const QLocale& locale, graphstats::TemperatureUnit unit) {
    RangeFigures r;
    r.xMin = std::min(xMin, xMax);
    r.xMax = std::max(xMin, xMax);
    if (m.subsets() > 0)
        r.points = pointsInView(m.xRow(0), r.xMin, r.xMax);
    std::array<graphstats::Series, graphstats::kChannels> channels;
    for (int c = 0; c < graphstats::kChannels; ++c)
        channels[size_t(c)] = part(seriesOf(m, c), r.points);
    r.stats = graphstats::compute(channels, m.subsets() >= graphstats::kChannels ? r.points.count() : 0,
                                  locale, unit);
    r.limits = figuresOf(m, recording, r.points);
    return r;
}

} // namespace limitstats
