#pragma once
#include <QDateTime>
#include <QElapsedTimer>
#include <cstdint>

// Date-time values are days since 30 December 1899 00:00 local time, the time of day as the fraction.
// The program's dates run from 1 January of year 1 to 31 December 9999; other values (and NaN or
// the infinities) are not dates, and every conversion treats them as "no date".
inline constexpr double kFirstDateTimeValue = -693593.0; // 0001-01-01 00:00
inline constexpr double kEndDateTimeValue = 2958466.0;   // 10000-01-01 00:00, not included
constexpr bool isDateTimeValue(double value) {
    return value >= kFirstDateTimeValue && value < kEndDateTimeValue; // false for NaN
}

// An invalid date-time gives 0.
double toDateTimeValue(const QDateTime& dt);
// A value that is not a date gives an invalid QDateTime (its texts are empty).
QDateTime fromDateTimeValue(double value);

// The program's view of time: wall clock, a millisecond tick count and a wait that keeps window
// messages flowing. Tests substitute ManualClock so waits cost no real time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime nowDateTime() const = 0;
    double now() const { return toDateTimeValue(nowDateTime()); }
    virtual int64_t tickCount() const = 0;
    // Handles pending window messages until more than `ms` milliseconds have passed.
    virtual void pumpWait(int ms) = 0;
};

// Wall-clock time. pumpWait sleeps in a local event loop up to its deadline, waking for every event,
// so timers, clicks and repaints are served during the wait at no processor cost in between.
class RealClock : public Clock {
  public:
    RealClock();
    QDateTime nowDateTime() const override;
    int64_t tickCount() const override;
    void pumpWait(int ms) override;

  private:
    QElapsedTimer m_elapsed;
};

// Virtual time: starts at a fixed moment and moves only when told, or by pumpWait, which still
// handles pending events once so re-entrant handlers run as they would in real time.
class ManualClock : public Clock {
  public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));
    QDateTime nowDateTime() const override;
    int64_t tickCount() const override { return m_ticks; }
    void pumpWait(int ms) override;
    void advance(int64_t ms) { m_ticks += ms; }
    void setNow(const QDateTime& dt);
    // Total virtual milliseconds spent inside pumpWait.
    int64_t waitedMs() const { return m_waited; }
    void setProcessEvents(bool on) { m_processEvents = on; }

  private:
    QDateTime m_start;
    int64_t m_ticks = 0;
    int64_t m_waited = 0;
    bool m_processEvents = true;
};
