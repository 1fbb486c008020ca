#include "poll_cycle.h"

#include "link/meter_link.h"
#include "live_reading.h"
#include "meter_poll.h"
#include "platform/clock.h"
#include "tfrm_panel.h"

PollCycle::PollCycle(MeterLink& link, Clock& clock, LiveReading& reading, QObject* parent)
    : QObject(parent), m_link(link), m_clock(clock), m_reading(reading) {
    MainTimer.setInterval(500);
    MaxMinTimer.setInterval(500);
    connect(&MainTimer, &QTimer::timeout, this, &PollCycle::MainTimerTimer);
    connect(&MaxMinTimer, &QTimer::timeout, this, &PollCycle::MaxMinTimerTimer);
    MaxMinTimer.start();
    m_link.setMainTimer(&MainTimer);
}

void PollCycle::MainTimerTimer() {
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
            m_panel->lblNoConnection->hide();
        emit connectionMade();
        break;
    case PollStep::Reading:
        // Decoded also while the panel is closed, so the recorder and the download always see the
        // latest reading; only the drawing needs the panel.
        if (m_panel)
            m_panel->RefreshPanel();
        emit liveReadingValid(sampleTime);
        break;
    case PollStep::Lost:
        if (m_panel)
            m_panel->lblNoConnection->show();
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
        m_panel->lblNoConnection->show();
}

void PollCycle::MaxMinTimerTimer() {
    FlashPhase = !FlashPhase;
    if (!m_panel)
        return;
    if (m_reading.statsFlashMode && m_reading.statsFlashAll) {
        for (QWidget* w : {static_cast<QWidget*>(m_panel->lblMAX), static_cast<QWidget*>(m_panel->lblMIN),
                           static_cast<QWidget*>(m_panel->lblAVG), static_cast<QWidget*>(m_panel->imgSTEL),
                           static_cast<QWidget*>(m_panel->imgTWA)})
            w->setVisible(FlashPhase);
    }
    if (m_reading.memoryFull) {
        m_panel->imgREC->setVisible(FlashPhase);
        m_panel->imgFULL->setVisible(FlashPhase);
    }
}
