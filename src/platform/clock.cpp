#include "clock.h"

#include <QCoreApplication>
#include <cmath>

namespace {
const QDateTime& epoch() {
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}
} // namespace

double toDateTimeValue(const QDateTime& dt) {
    if (!dt.isValid())
        return 0.0;
    // Whole days by calendar, fraction by the wall-clock time of day, so daylight-saving changes
    // do not shift values as they would through a millisecond difference.
    const qint64 days = epoch().date().daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    return static_cast<double>(days) + frac;
}

QDateTime fromDateTimeValue(double value) {
    if (!isDateTimeValue(value))
        return {};
    double days = std::floor(value);
    double frac = value - days;
    qint64 ms = std::llround(frac * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1;
    }
    const QDate d = epoch().date().addDays(static_cast<qint64>(days));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

RealClock::RealClock() {
    m_elapsed.start();
}

QDateTime RealClock::nowDateTime() const {
    return QDateTime::currentDateTime();
}

int64_t RealClock::tickCount() const {
    return m_elapsed.elapsed();
}

void RealClock::pumpWait(int ms) {
    const int64_t start = tickCount();
    while (tickCount() - start <= ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const int64_t left = ms - (tickCount() - start);
        if (left > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents,
                                            static_cast<int>(std::min<int64_t>(left, 10)));
    }
}

ManualClock::ManualClock(QDateTime start) : m_start(std::move(start)) {}

QDateTime ManualClock::nowDateTime() const {
    return m_start.addMSecs(m_ticks);
}

void ManualClock::pumpWait(int ms) {
    if (m_processEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
    const int64_t step = std::max(ms, 0) + 1;
    m_ticks += step;
    m_waited += step;
}

void ManualClock::setNow(const QDateTime& dt) {
    m_start = dt;
    m_ticks = 0;
}
