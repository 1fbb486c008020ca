#pragma once
#include <QObject>
#include <QPointer>
#include <QTimer>

class Clock;
class MeterLink;
#include "meter_poll.h"
#include "panel_window.h"
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
    QTimer pollTimer;
    QTimer flashTimer;

    void setPanel(PanelWindow* panel) { m_panel = panel; }
    PanelWindow* panel() const { return m_panel; }

    void onPollTimer();
    void onFlashTimer();
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
    QPointer<PanelWindow> m_panel;
};
