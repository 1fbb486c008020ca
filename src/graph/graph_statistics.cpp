#include "graph_statistics.h"

#include "chart/chart_widget.h"
#include "graph/graph_tools.h"
#include "graph/graph_window.h"
#include "platform/clock.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <limits>

namespace graphstats {

namespace {

constexpr int kSignificantDigits = 7;
constexpr float kMaxStart = -9999.0f;
constexpr float kMinStart = 9999.0f;

} // namespace

QString formatFixed(double value, int decimals, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    if (!std::isfinite(value))
        return l.toString(value, 'f', decimals);
    if (value != 0.0) {
        const int digits = int(std::floor(std::log10(std::abs(value)))) + 1;
        if (digits > kSignificantDigits)
            return l.toString(value, 'e', kSignificantDigits - 1);
        const int keep = kSignificantDigits - digits; // decimals that are still significant
        if (keep < decimals) {
            const double scale = std::pow(10.0, keep);
            value = std::round(value * scale) / scale;
        }
    }
    return l.toString(value, 'f', decimals);
}

QString longTimeFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue; // time-zone field
        out += c;
    }
    return out.simplified();
}

QString formatDateTime(double days, const QLocale& locale) {
    if (!isDateTimeValue(days))
        return {};
    const QDateTime dt = fromDateTimeValue(days);
    return locale.toString(dt.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(dt.time(), longTimeFormat(locale));
}

QString formatTimeOfDay(double days, const QLocale& locale) {
    return locale.toString(fromDateTimeValue(days).time(), longTimeFormat(locale));
}

QString extremeText(int channel, float value, double days, const QLocale& locale, TemperatureUnit unit) {
    const auto shown = [&](int decimals) {
        return formatFixed(value, decimals, locale) + u'@' + formatDateTime(days, locale);
    };
    switch (channel) {
    case Ppm:
        if (value > 40000.0f)
            return kOverRange;
        return value >= 0.0f ? shown(0) : kUnderRange;
    case Humidity:
        if (value > 100.0f || value < 0.0f)
            return kOverRange;
        return shown(1);
    default: {
        const TemperatureLimits limits = temperatureLimits(unit);
        if (value > limits.high)
            return kOverRange;
        return value >= limits.low ? shown(1) : kUnderRange;
    }
    }
}

QString meanText(float mean, const QLocale& locale) {
    return formatFixed(mean, 1, locale);
}

Result compute(const std::array<Series, kChannels>& channels, int points, const QLocale& locale,
               TemperatureUnit unit) {
    Result r;
    points = std::max(0, points);
    for (const Series& s : channels)
        points = std::min<int>(points, int(std::min(s.x.size(), s.y.size())));
    r.dataNo = QString::number(points);
    if (points > 0) {
        const double first = channels[0].x[0];
        const double last = channels[0].x[size_t(points) - 1];
        r.startTime = formatDateTime(first, locale);
        if (points > 1) {
            const double seconds = (last - first) / (points - 1) * 86400.0 + 0.5;
            // Keep absurd time spans (a chart whose X was never set) inside int.
            r.intervalSeconds =
                std::isfinite(seconds) ? int(std::clamp(std::trunc(seconds), -2.0e9, 2.0e9)) : 0;
        }
    }
    const int minutes = r.intervalSeconds / 60;
    const int seconds = r.intervalSeconds % 60;
    r.minutesIndex = minutes >= 0 && minutes <= 60 ? minutes : -1;
    r.secondsIndex = seconds >= 0 ? seconds : -1;

    for (int c = 0; c < kChannels; ++c) {
        float maximum = kMaxStart;
        float minimum = kMinStart;
        double maxAt = 0.0;
        double minAt = 0.0;
        bool hasMax = false;
        bool hasMin = false;
        float sum = 0.0f; // single precision, as the real-time averages are kept
        int count = 0;
        const Series& s = channels[size_t(c)];
        for (int i = 0; i < points; ++i) {
            const float y = float(s.y[size_t(i)]);
            const double x = s.x[size_t(i)];
            if (y > maximum) {
                maximum = y;
                maxAt = x;
                hasMax = true;
            }
            if (y < minimum) {
                minimum = y;
                minAt = x;
                hasMin = true;
            }
            if (countsForMean(y)) {
                sum += y;
                ++count;
            }
        }
        r.max[size_t(c)] = hasMax ? extremeText(c, maximum, maxAt, locale, unit) : kNoValue;
        r.min[size_t(c)] = hasMin ? extremeText(c, minimum, minAt, locale, unit) : kNoValue;
        r.avg[size_t(c)] = count > 0 ? meanText(sum / float(count), locale) : kNoValue;
    }
    return r;
}

Result compute(const ChartWidget& chart, const QLocale& locale, TemperatureUnit unit) {
    const ChartModel& m = chart.model();
    std::array<Series, kChannels> channels;
    for (int c = 0; c < kChannels; ++c) {
        if (c < m.subsets())
            channels[size_t(c)] = Series{m.xRow(c), m.yRow(c)};
    }
    return compute(channels, m.subsets() >= kChannels ? m.points() : 0, locale, unit);
}

} // namespace graphstats

// ---------------------------------------------------------------------------------------------
// The graph window's statistic fields, read-out, marker and table.

void GraphWindow::computeGraphStatistics() {
    const graphstats::Result r = graphstats::compute(*chart, QLocale(),
                                                     m_fahrenheit ? graphstats::TemperatureUnit::Fahrenheit
                                                                  : graphstats::TemperatureUnit::Celsius);
    startTimeField->setText(r.startTime);
    minutesBox->setCurrentIndex(r.minutesIndex);
    secondsBox->setCurrentIndex(r.secondsIndex);
    sampleCountField->setText(r.dataNo);
    for (int c = 0; c < graphstats::kChannels; ++c) {
        maxField(c)->setText(r.max[size_t(c)]);
        minField(c)->setText(r.min[size_t(c)]);
        avgField(c)->setText(r.avg[size_t(c)]);
    }
}

void GraphWindow::onChartMouseMove() {
    const QPoint pos = chart->lastMousePosition();
    if (!chart->plottingRect().contains(pos))
        return; // the last read-out stays
    // The value on the scale of the axis under the pointer: over the humidity/temperature axis the
    // ppm scale would read nonsense such as -9688.6.
    const QPointF value = chart->pixelToDataOnAxis(pos, chart->axisAt(pos));
    readOutLabel->setText(graphstats::formatFixed(value.y(), 1) + u'@' +
                          graphstats::formatTimeOfDay(value.x()));
    readOutLabel->adjustSize();
    readOutLabel->show();
}

void GraphWindow::onChartDataHotSpot(int subset, int point) {
    const double x = chart->XDataII(subset, point);
    const float y = chart->YData(subset, point);
    constexpr int marker = AnnotationCounter::kDataPointMarker;
    chart->setGraphAnnotationType(marker, pe::sgCrossMark);
    chart->setGraphAnnotationColor(marker, peRgb(0, 0, 0));
    chart->setGraphAnnotationX(marker, x);
    chart->setGraphAnnotationY(marker, y);
    chart->setGraphAnnotationText(marker,
                                  graphstats::formatTimeOfDay(x) + u'\r' + graphstats::formatFixed(y, 1));
    redraw();
}

void GraphWindow::onShowMaxMinClicked() {
    const QString rows[12][2] = {
        {QStringLiteral("Start Time:"), startTimeField->text()},
        {QStringLiteral("Sampling:"), minutesBox->currentText() + u':' + secondsBox->currentText()},
        {QStringLiteral("Data No:"), sampleCountField->text()},
        {QStringLiteral("ppm MAX:"), ppmMaxField->text()},
        {QStringLiteral("ppm MIN:"), ppmMinField->text()},
        {QStringLiteral("ppm AVG:"), ppmAvgField->text()},
        {QStringLiteral("RH MAX:"), humidityMaxField->text()},
        {QStringLiteral("RH MIN:"), humidityMinField->text()},
        {QStringLiteral("RH AVG:"), humidityAvgField->text()},
        {QStringLiteral("T1 MAX:"), temperatureMaxField->text()},
        {QStringLiteral("T1 MIN:"), temperatureMinField->text()},
        {QStringLiteral("T1 AVG:"), temperatureAvgField->text()},
    };
    // Then the time above each limit line, in the rows left free and as many more as it takes.
    updateLimitFigures();
    const std::vector<limitstats::LimitFigure>& limits = recordingFigures().limits;
    const int kRows = std::max(15, 12 + int(limits.size()));
    chart->setTARows(kRows);
    chart->setTAColumns(2);
    for (int r = 0; r < kRows; ++r) {
        QString caption;
        QString value;
        if (r < 12) {
            caption = rows[r][0];
            value = rows[r][1];
        } else if (size_t(r - 12) < limits.size()) {
            const limitstats::LimitFigure& f = limits[size_t(r - 12)];
            caption = limitstats::limitName(f.channel, f.limit) + u':';
            value = limitstats::timeAboveText(f.time);
        }
        chart->setTAText(r, 0, caption);
        chart->setTAText(r, 1, value);
        chart->setTAColor(r, 1, peRgb(255, 0, 0) | 0xFF000000u);
    }
    chart->setTALocation(16);
    chart->setTAX(550);
    chart->setTAY(50);
    chart->setTAMoveable(pe::sgTAMoveableNoHotSpots);
    chart->setTABackColor(peRgb(255, 255, 255) | (129u << 24));
    chart->setTAHeaderRows(0);
    chart->setTAHeaderColumn(false);
    chart->setTABorder(pe::sgInset);
    chart->setTATextSize(80);
    chart->setShowTableAnnotation(!chart->ShowTableAnnotation());
    redraw();
}

void GraphWindow::onGraphStatisticClicked() {
    statisticStrip->setVisible(graphStatisticButton->isChecked());
    placeReadOut();
}

void GraphWindow::onLineCursorStatisticClicked() {
    statisticPanel->setVisible(lineCursorStatisticButton->isChecked());
    chart->setShowVertLineAnnotations(lineCursorStatisticButton->isChecked());
    redraw();
}
