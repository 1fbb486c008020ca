#pragma once
#include "platform/clock.h"

#include <QDateTime>

// Another clock's ticks and waits, but a wall clock that reads `start` at the moment it is made and
// runs on from there. The clock command takes the time for its block from its clock when the block
// goes out, so with this clock it sends the chosen time.
class ChosenTimeClock : public Clock {
  public:
    ChosenTimeClock(Clock& base, QDateTime start)
        : m_base(base), m_start(std::move(start)), m_tick(base.tickCount()) {}
    QDateTime nowDateTime() const override { return m_start.addMSecs(m_base.tickCount() - m_tick); }
    int64_t tickCount() const override { return m_base.tickCount(); }
    void pumpWait(int ms) override { m_base.pumpWait(ms); }

  private:
    Clock& m_base;
    QDateTime m_start;
    int64_t m_tick;
};
