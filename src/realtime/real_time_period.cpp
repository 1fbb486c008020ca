#include "realtime/real_time_period.h"

namespace realtime {

namespace {

struct Hms {
    qint64 hours;
    qint64 minutes;
    qint64 seconds;
};

Hms split(qint64 seconds) {
    if (seconds < 0)
        seconds = 0;
    return {seconds / 3600, (seconds % 3600) / 60, seconds % 60};
}

} // namespace

QString formatRecordingPeriod(qint64 seconds) {
    const Hms t = split(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(t.hours)
        .arg(t.minutes, 2, 10, QLatin1Char('0'))
        .arg(t.seconds, 2, 10, QLatin1Char('0'));
}

QString formatRunPeriod(qint64 seconds) {
    const Hms t = split(seconds);
    return QStringLiteral("%1:%2:%3").arg(t.hours).arg(t.minutes).arg(t.seconds);
}

std::optional<int> parseRealTimeCount(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QString alignRealTimeCount(const QString& text) {
    if (!parseRealTimeCount(text))
        return text;
    return text.trimmed().rightJustified(5, QLatin1Char(' '));
}

} // namespace realtime
