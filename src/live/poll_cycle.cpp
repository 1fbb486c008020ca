#include "poll_cycle.h"

#include "link/meter_link.h"
#include "live_reading.h"
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

    if (!Connected) {
        const auto& reply = m_link.replyBlock();
        if (m_link.ProbeMeter('K') && reply[23] == '4' && reply[24] == '0' && reply[25] == '7') {
            Connected = true;
            m_clock.pumpWait(200);
        }
        if (Connected) {
            FailCount = 0;
            if (m_panel)
                m_panel->lblNoConnection->hide();
            emit connectionMade();
        }
    } else if (m_link.ReadLive()) {
        FailCount = 0;
        if (isLiveFrame(m_link.replyBlock())) {
            // Decoded also while the panel is closed, so the recorder and the download always
            // see the latest reading; only the drawing needs the panel.
            DecodeLiveReading(m_link.replyBlock(), m_reading);
            if (m_panel)
                m_panel->RefreshPanel();
            emit liveReadingValid(sampleTime);
        }
    } else if (++FailCount >= FailLimit) {
        lose();
        emit connectionLost();
    }
    m_link.PollBusy = false;
}

void PollCycle::lose() {
    m_reading.memoryFull = false;
    m_reading.statsFlashMode = false;
    FailCount = 0;
    if (m_panel)
        m_panel->lblNoConnection->show();
    Connected = false;
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
