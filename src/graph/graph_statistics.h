#pragma once
// Graph statistics: the figures a graph window shows about its chart, computed over every point
// whatever part of the chart is zoomed, and the number and date formats those fields use. The
// real-time recorder fills the same fields sample by sample with the same formatters.
#include <QLocale>
#include <QString>
#include <array>
#include <span>

class ChartWidget;

namespace graphstats {

enum Channel : int { Ppm = 0, Humidity = 1, Temperature = 2 };
// The unit a chart's temperatures were recorded in.
enum class TemperatureUnit { Celsius, Fahrenheit };

// The temperature range outside which an extreme reads "OL" (above) or "-OL" (below): 70 and -40
// degrees Celsius, the same temperatures in the unit the values are in (158 and -40 F).
struct TemperatureLimits {
    float low;
    float high;
};
constexpr TemperatureLimits temperatureLimits(TemperatureUnit unit) {
    return unit == TemperatureUnit::Fahrenheit ? TemperatureLimits{-40.0f, 158.0f}
                                               : TemperatureLimits{-40.0f, 70.0f};
}

inline constexpr int kChannels = 3;
// Shown for a channel without any value to average (or any extreme to show).
inline const QString kNoValue = QStringLiteral("****");
// What the AVG fields show until the statistics are first filled.
inline const QString kAvgPlaceholder = QStringLiteral("***.* ");
inline const QString kOverRange = QStringLiteral("OL");
inline const QString kUnderRange = QStringLiteral("-OL");

// Fixed-point text with `decimals` decimals after rounding to at most 7 significant digits, the
// locale's decimal separator and no group separators.
QString formatFixed(double value, int decimals, const QLocale& locale = QLocale());
// The locale's long time format without any time-zone field.
QString longTimeFormat(const QLocale& locale = QLocale());
// A date-time value (days since 30 Dec 1899) as short date plus long time; empty for a value that
// is not a date (see isDateTimeValue).
QString formatDateTime(double days, const QLocale& locale = QLocale());
// The time of day of a date-time value in the long time format.
QString formatTimeOfDay(double days, const QLocale& locale = QLocale());
// A maximum or minimum field: value "@" date-time, or "OL" / "-OL" outside the channel's range
// (ppm above 40000 / below 0; humidity above 100 or below 0 is "OL"; temperature outside
// temperatureLimits in the unit of the values). ppm has no decimals, the other channels one.
QString extremeText(int channel, float value, double days, const QLocale& locale = QLocale(),
                    TemperatureUnit unit = TemperatureUnit::Celsius);
// An AVG field: the mean with one decimal.
QString meanText(float mean, const QLocale& locale = QLocale());
// Whether a value counts towards the mean: strictly between -390 and 5000.
constexpr bool countsForMean(float y) {
    return y > -390.0f && y < 5000.0f;
}

// One channel's points: X (date-times) and Y, of equal length.
struct Series {
    std::span<const double> x;
    std::span<const double> y;
};

struct Result {
    QString startTime; // date-time of point 0 of the ppm channel; empty without points
    int intervalSeconds = 0;
    int minutesIndex = 0; // item of the minutes box ("00".."60"), -1 when none fits
    int secondsIndex = 0; // item of the seconds box
    QString dataNo;
    std::array<QString, kChannels> max;
    std::array<QString, kChannels> min;
    std::array<QString, kChannels> avg;
};

// The pure computation over the three channels' arrays of `points` points each.
Result compute(const std::array<Series, kChannels>& channels, int points, const QLocale& locale = QLocale(),
               TemperatureUnit unit = TemperatureUnit::Celsius);
// The same over a chart's subsets 0, 1 and 2 (missing subsets count as empty).
Result compute(const ChartWidget& chart, const QLocale& locale = QLocale(),
               TemperatureUnit unit = TemperatureUnit::Celsius);

} // namespace graphstats
