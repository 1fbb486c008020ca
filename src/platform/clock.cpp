#include "clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

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
    auto left = [&] { return ms - (tickCount() - start) + 1; }; // until more than ms have passed
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max<int64_t>(left(), 0)));
        return;
    }
    // A local event loop sleeps until an event arrives or the deadline timer fires, so a waiting
    // program uses no processor time while clicks, repaints and timers are still served.
    while (left() > 0) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(static_cast<int>(std::min<int64_t>(left(), INT_MAX)));
        if (loop.exec() != 0) {
            // The application is quitting and no event loop runs any more: wait without one.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max<int64_t>(left(), 0)));
            return;
        }
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
