#pragma once
#include <QObject>
#include <QPointer>
#include <QTimer>

class Clock;
class MeterLink;
#include "meter_poll.h"
#include "tfrm_panel.h"
struct LiveReading;

// The half-second poll: probes for a meter while none is connected, reads its live state while one
// is, decides when it counts as connected or lost, and drives the flashing annunciators.
class PollCycle : public QObject {
    Q_OBJECT
  public:
    static constexpr int FailLimit = kPollFailLimit;

    PollCycle(MeterLink& link, Clock& clock, LiveReading& reading, QObject* parent = nullptr);

    bool Connected = false;
    int FailCount = 0;
    int LastSecond = 0;
    bool FlashPhase = false;
    QTimer MainTimer;
    QTimer MaxMinTimer;

    void setPanel(TfrmPanel* panel) { m_panel = panel; }
    TfrmPanel* panel() const { return m_panel; }

    void MainTimerTimer();
    void MaxMinTimerTimer();
    // Forget the connection without the loss actions, so the next tick probes afresh.
    void dropConnection() { Connected = false; }
    // The loss actions' own part: stop flashing, reset the count, show the label, disconnect.
    void lose();

  signals:
    // A change of the clock second was counted.
    void secondCounted();
    // A live reply passed its frame test and was decoded; `sampleTime` is the tick's date-time.
    void liveReadingValid(double sampleTime);
    void connectionMade();
    void connectionLost();

  private:
    MeterLink& m_link;
    Clock& m_clock;
    LiveReading& m_reading;
    QPointer<TfrmPanel> m_panel;
};
