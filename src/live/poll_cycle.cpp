#include "poll_cycle.h"

#include "link/meter_link.h"
#include "live_reading.h"
#include "meter_poll.h"
#include "panel_window.h"
#include "platform/clock.h"

PollCycle::PollCycle(MeterLink& link, Clock& clock, LiveReading& reading, QObject* parent)
    : QObject(parent), m_link(link), m_clock(clock), m_reading(reading) {
    pollTimer.setInterval(500);
    flashTimer.setInterval(500);
    connect(&pollTimer, &QTimer::timeout, this, &PollCycle::onPollTimer);
    connect(&flashTimer, &QTimer::timeout, this, &PollCycle::onFlashTimer);
    flashTimer.start();
    m_link.setPollTimer(&pollTimer);
}

void PollCycle::onPollTimer() {
    // A timer tick delivered inside this tick's own wait, or during another exchange, is skipped.
    if (m_link.PollBusy || m_link.exclusiveActive())
        return;
    m_link.PollBusy = true;
    const int second = m_clock.nowDateTime().time().second();
    if (second != LastSecond) {
        LastSecond = second;
        emit secondCounted();
    }
    const double sampleTime = m_clock.now();

    switch (pollMeter(m_link, m_clock, m_reading, Connected, FailCount)) {
    case PollStep::Found:
        if (m_panel)
            m_panel->noConnectionLabel->hide();
        emit connectionMade();
        break;
    case PollStep::Reading:
        // Decoded also while the panel is closed, so the recorder and the download always see the
        // latest reading; only the drawing needs the panel.
        if (m_panel)
            m_panel->refreshPanel();
        emit liveReadingValid(sampleTime);
        break;
    case PollStep::Lost:
        if (m_panel)
            m_panel->noConnectionLabel->show();
        emit connectionLost();
        break;
    default:
        break;
    }
    m_link.PollBusy = false;
}

void PollCycle::lose() {
    forgetMeter(m_reading, Connected, FailCount);
    if (m_panel)
        m_panel->noConnectionLabel->show();
}

void PollCycle::onFlashTimer() {
    FlashPhase = !FlashPhase;
    if (!m_panel)
        return;
    if (m_reading.statsFlashMode && m_reading.statsFlashAll) {
        for (QWidget* w :
             {static_cast<QWidget*>(m_panel->maxLabel), static_cast<QWidget*>(m_panel->minLabel),
              static_cast<QWidget*>(m_panel->avgLabel), static_cast<QWidget*>(m_panel->stelImage),
              static_cast<QWidget*>(m_panel->twaImage)})
            w->setVisible(FlashPhase);
    }
    if (m_reading.memoryFull) {
        m_panel->recImage->setVisible(FlashPhase);
        m_panel->fullImage->setVisible(FlashPhase);
    }
}
