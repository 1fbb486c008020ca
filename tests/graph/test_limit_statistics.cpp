// Time above limit lines and statistics of the points in view: the pure computations.
#include "graph/graph_statistics.h"
#include "graph/limit_statistics.h"
#include "support/test_helpers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_limit_statistics {

constexpr double kStart = 46234.5; // 2026-07-30 12:00
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kNull = 99999.0;

// One channel sampled every 60 s, with a missing value at 300 s and a pause from 420 s to 1020 s.
// Each interval counts with the value at its start; 1000 itself is not above 1000.
//   t (s)  0    60    120   180   240   300   360   420   | 1020  1080
//   ppm    900  1000  1500  2500  1200  null  2100  1800  | 950   3000
// Recorded: 0-240, 360-420, 1020-1080 = 360 s. Above 1000: 120-240, 360-420 = 180 s. Above 2000:
// 180-240, 360-420 = 120 s. Counting ">=" gives 240 s above 1000; taking the value at the end of
// each interval gives 300 s; counting the pause adds 600 s to both.
struct KnownSeries {
    std::vector<double> x;
    std::vector<double> y;
    KnownSeries(std::vector<double> seconds, std::vector<double> values) : y(std::move(values)) {
        for (double s : seconds)
            x.push_back(kStart + s * kSecond);
    }
    graphstats::Series series() const { return {x, y}; }
};

KnownSeries ppmSeries() {
    return {{0, 60, 120, 180, 240, 300, 360, 420, 1020, 1080},
            {900, 1000, 1500, 2500, 1200, kNull, 2100, 1800, 950, 3000}};
}

// A chart of three subsets with the same times; humidity and temperature as given.
ChartModel chartOf(const KnownSeries& ppm, const std::vector<double>& rh, const std::vector<double>& t) {
    ChartModel m;
    m.look.nullDataValueY = kNull;
    m.setSubsets(3);
    m.setPoints(int(ppm.x.size()));
    for (int p = 0; p < m.points(); ++p) {
        const double ys[3] = {ppm.y[size_t(p)], rh[size_t(p)], t[size_t(p)]};
        for (int s = 0; s < 3; ++s) {
            m.setX(s, p, ppm.x[size_t(p)]);
            m.setY(s, p, ys[s]);
        }
    }
    return m;
}

TEST(TimeAbove, CountsIntervalsByTheirFirstSampleAndSkipsGapsAndMissingValues) {
    const KnownSeries s = ppmSeries();
    const double interval = limitstats::samplingInterval(s.series(), kNull);
    EXPECT_NEAR(interval * 86400.0, 60.0, 1e-3);
    const double limits[] = {1000.0, 2000.0, 3000.0, 500.0};
    const std::vector<limitstats::TimeAbove> t =
        limitstats::timeAbove(s.series(), limits, limitstats::kGapFactor * interval, kNull);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_NEAR(t[0].aboveSeconds, 180.0, 1e-6);
    EXPECT_NEAR(t[0].recordedSeconds, 360.0, 1e-6);
    EXPECT_NEAR(t[1].aboveSeconds, 120.0, 1e-6);
    EXPECT_NEAR(t[2].aboveSeconds, 0.0, 1e-6); // 3000 is the last sample: no time after it
    EXPECT_NEAR(t[3].aboveSeconds, 360.0, 1e-6);
    EXPECT_EQ(limitstats::timeAboveText(t[0]), "0:03:00 (50.0%)");
    EXPECT_EQ(limitstats::timeAboveText(t[1]), "0:02:00 (33.3%)");
    EXPECT_EQ(limitstats::timeAboveText(t[3]), "0:06:00 (100.0%)");
    {
        LocaleGuard german("de_DE");
        EXPECT_EQ(limitstats::timeAboveText(t[1]), "0:02:00 (33,3%)");
    }

    // Nothing recorded: no share to show.
    const KnownSeries lone({0}, {2500});
    const auto none = limitstats::timeAbove(lone.series(), limits, 1.0, kNull);
    EXPECT_EQ(none[0], (limitstats::TimeAbove{0.0, 0.0}));
    EXPECT_EQ(limitstats::timeAboveText(none[0]), "****");
}

TEST(TimeAbove, SamplesOutOfOrderOrRepeatedAddNoTime) {
    // 60-60 repeats a time and 120-90 runs backwards; neither adds time, the rest does.
    const KnownSeries s({0, 60, 60, 120, 90, 150}, {1500, 1500, 1500, 1500, 1500, 1500});
    const double limit[] = {1000.0};
    const auto t = limitstats::timeAbove(s.series(), limit, 100 * kSecond, kNull);
    EXPECT_NEAR(t[0].aboveSeconds, 180.0, 1e-6);
    EXPECT_NEAR(t[0].recordedSeconds, 180.0, 1e-6);
}

TEST(TimeAbove, FormatsDurationsAndNames) {
    EXPECT_EQ(limitstats::formatDuration(0), "0:00:00");
    EXPECT_EQ(limitstats::formatDuration(59.6), "0:01:00");
    EXPECT_EQ(limitstats::formatDuration(93785), "26:03:05");
    EXPECT_EQ(limitstats::limitName(0, 1000), "ppm > 1000");
    EXPECT_EQ(limitstats::limitName(1, 60), "RH > 60");
    {
        LocaleGuard german("de_DE");
        EXPECT_EQ(limitstats::limitName(2, 26.5), "T1 > 26,5");
        EXPECT_EQ(limitstats::formatLimit(12000), "12000");
    }
}

// The same recording in degrees Celsius with a limit of 26 and in degrees Fahrenheit with 78.8:
// the same time above, each in its own unit. The chart holds single-precision values, and 78.8 as a
// float lies just above 78.8: a reading equal to the limit must still not count as above it.
TEST(TimeAbove, TemperatureLimitsInTheUnitOfTheValues) {
    const KnownSeries ppm = ppmSeries();
    const std::vector<double> rh = {55, 58, 61, 65, 70, kNull, 62, 59, 40, 80};
    const std::vector<double> celsius = {25, 26, 27, 28, 25.5, kNull, 26.5, 30, 20, 31};
    std::vector<double> fahrenheit;
    for (double c : celsius)
        fahrenheit.push_back(c == kNull ? kNull : double(float(c * 9.0 / 5.0 + 32.0)));

    ChartModel inC = chartOf(ppm, rh, celsius);
    inC.limitLines = {{2, 26.0}, {0, 2000.0}, {1, 60.0}, {0, 1000.0}};
    ChartModel inF = chartOf(ppm, rh, fahrenheit);
    inF.limitLines = {{2, 78.8}, {0, 2000.0}, {1, 60.0}, {0, 1000.0}};

    const limitstats::RecordingFigures c = limitstats::computeRecording(inC);
    const limitstats::RecordingFigures f = limitstats::computeRecording(inF);
    // Ordered by channel, then limit. Temperature above 26: 120-240 and 360-420 (26 itself and
    // 25.5 are not above) = 180 s of 360.
    const std::vector<limitstats::LimitFigure> expected = {
        {0, 1000.0, {180.0, 360.0}}, {0, 2000.0, {120.0, 360.0}}, {1, 60.0, {180.0, 360.0}}};
    ASSERT_EQ(c.limits.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c.limits[i].channel, expected[i].channel) << i;
        EXPECT_EQ(c.limits[i].limit, expected[i].limit) << i;
        EXPECT_NEAR(c.limits[i].time.aboveSeconds, expected[i].time.aboveSeconds, 1e-6) << i;
        EXPECT_NEAR(c.limits[i].time.recordedSeconds, 360.0, 1e-6) << i;
    }
    EXPECT_EQ(c.limits[3].channel, 2);
    EXPECT_NEAR(c.limits[3].time.aboveSeconds, 180.0, 1e-6);
    ASSERT_EQ(f.limits.size(), 4u);
    EXPECT_EQ(f.limits[3].limit, 78.8);
    EXPECT_NEAR(f.limits[3].time.aboveSeconds, 180.0, 1e-6);
    EXPECT_EQ(limitstats::timeAboveText(f.limits[3].time), "0:03:00 (50.0%)");
}

// The points in view are those whose time lies in the view; their statistics equal those of the
// same points computed directly, and the time above counts only intervals starting in view.
TEST(RangeStatistics, EqualTheStatisticsOfThePointsInView) {
    const KnownSeries ppm = ppmSeries();
    const std::vector<double> rh = {55, 58, 61, 65, 70, kNull, 62, 59, 40, 80};
    const std::vector<double> t = {25, 26, 27, 28, 25.5, kNull, 26.5, 30, 20, 31};
    ChartModel m = chartOf(ppm, rh, t);
    m.limitLines = {{0, 1000.0}};
    const limitstats::RecordingFigures whole = limitstats::computeRecording(m);

    // From just after 60 s to just before 300 s: points 2 to 4.
    const limitstats::RangeFigures r =
        limitstats::computeRange(m, kStart + 61 * kSecond, kStart + 299 * kSecond, whole);
    EXPECT_EQ(r.points, (limitstats::PointRange{2, 5}));
    std::array<graphstats::Series, 3> direct;
    const std::vector<double> ys[3] = {ppm.y, rh, t};
    for (int c = 0; c < 3; ++c)
        direct[size_t(c)] = {std::span(ppm.x).subspan(2, 3), std::span(ys[c]).subspan(2, 3)};
    const graphstats::Result expected = graphstats::compute(direct, 3);
    EXPECT_EQ(r.stats.max, expected.max);
    EXPECT_EQ(r.stats.min, expected.min);
    EXPECT_EQ(r.stats.avg, expected.avg);
    EXPECT_TRUE(r.stats.max[0].startsWith("2500@")) << r.stats.max[0].toStdString();
    EXPECT_TRUE(r.stats.min[0].startsWith("1200@")) << r.stats.min[0].toStdString();
    EXPECT_EQ(r.stats.avg[0].trimmed(), "1733.3");
    EXPECT_EQ(r.stats.avg[2].trimmed(), "26.8");
    // 120-180 and 180-240 above 1000; the interval from 240 s ends outside the view.
    ASSERT_EQ(r.limits.size(), 1u);
    EXPECT_NEAR(r.limits[0].time.aboveSeconds, 120.0, 1e-6);
    EXPECT_NEAR(r.limits[0].time.recordedSeconds, 120.0, 1e-6);

    // A view over the pause keeps the whole recording's sampling interval: the pause (600 s, the
    // median of the two intervals in view) is still a gap, and 1800 before it adds nothing.
    const limitstats::RangeFigures pause =
        limitstats::computeRange(m, kStart + 400 * kSecond, kStart + 1080 * kSecond, whole);
    EXPECT_EQ(pause.points, (limitstats::PointRange{7, 10}));
    ASSERT_EQ(pause.limits.size(), 1u);
    EXPECT_NEAR(pause.limits[0].time.aboveSeconds, 0.0, 1e-6);
    EXPECT_NEAR(pause.limits[0].time.recordedSeconds, 60.0, 1e-6);

    // The view's sides count; a view between two samples holds none.
    EXPECT_EQ(limitstats::pointsInView(ppm.x, kStart + 60 * kSecond, kStart + 420 * kSecond),
              (limitstats::PointRange{1, 8}));
    EXPECT_EQ(limitstats::pointsInView(ppm.x, kStart + 500 * kSecond, kStart + 900 * kSecond).count(), 0);
    const limitstats::RangeFigures empty =
        limitstats::computeRange(m, kStart + 500 * kSecond, kStart + 900 * kSecond, whole);
    EXPECT_EQ(empty.stats.avg[0], graphstats::kNoValue);
    EXPECT_EQ(limitstats::timeAboveText(empty.limits[0].time), "****");
}

// The sampling interval is the median interval between samples with values, whichever interval
// comes first and whether or not one of them makes most of the recording.
TEST(TimeAbove, SamplingIntervalIsTheMedianInterval) {
    const auto interval = [](std::vector<double> seconds, std::vector<double> values = {}) {
        if (values.empty())
            values.assign(seconds.size(), 500.0);
        const KnownSeries s(std::move(seconds), std::move(values));
        return limitstats::samplingInterval(s.series(), kNull) * 86400.0;
    };
    EXPECT_NEAR(interval({0, 30, 90, 150, 210, 270}), 60.0, 1e-3); // the first is no majority
    EXPECT_NEAR(interval({0, 10, 30, 60, 100, 150}), 30.0, 1e-3);  // no majority: the median
    EXPECT_NEAR(interval({0, 40, 50, 80, 100}), 30.0, 1e-3);       // 10 20 30 40 -> the upper middle
    EXPECT_NEAR(interval({0, 5, 10, 15, 20, 80, 140}), 5.0, 1e-3); // 5 5 5 5 60 60
    EXPECT_NEAR(interval({0, 60, 120, 180}, {1, kNull, 1, 1}), 60.0, 1e-3);
    EXPECT_NEAR(interval({0, 90, 120, 180}, {1, kNull, 1, std::nan("")}), 0.0, 1e-9); // none left
    EXPECT_EQ(interval({0}), 0.0);
}

} // namespace test_limit_statistics
