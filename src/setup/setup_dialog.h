#pragma once
#include "setup/setup_dialog_layout.h"

#include <functional>

class Clock;
class MeterLink;
class Prompter;
class SetupExchange;
class SetupSession;

// The setup dialog: reads the meter's information and changes its settings. Each operation runs
// as the link's one exclusive exchange (poll timer stopped, hourglass cursor), with the dialog's
// buttons disabled until it ends, and reports on the result label beside its button.
class SetupDialog : public SetupDialogLayout {
    Q_OBJECT
  public:
    SetupDialog(MeterLink& link, Prompter& prompter, Clock& clock, std::function<bool()> connected,
                QWidget* parent = nullptr);
    ~SetupDialog() override;

    void onShown();
    void onAlarmSwitchChanged();
    void onClosed();

    void onReadClicked();              // "Read  "
    void onSetClockClicked();          // clock
    void onSetIntervalClicked();       // recording interval
    void onEraseMemoryClicked();       // erase
    void onHumidityOffsetClicked();    // humidity offset
    void onTemperatureOffsetClicked(); // temperature offset
    void onCo2OffsetClicked();         // CO2 offset
    void onAltitudeClicked();          // altitude
    void onAlarmClicked();             // CO2 alarm
    void onPowerOffClicked();          // automatic power-off
    void onSetupAllClicked();          // "Setup All"

    bool operationRunning() const { return m_busy || m_setupAllRunning; }

  signals:
    // The dialog is closing and will be deleted: the owner forgets its pointer.
    void setupClosed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    bool checkConnected();
    // Runs `work` as the link's exclusive exchange with the buttons disabled. Refused while Setup
    // All runs, unless it is one of its own steps.
    void runOperation(const std::function<void()>& work, bool setupAllStep = false);
    SetupExchange exchange();

    // The operations themselves, run inside the exclusive exchange.
    void readInformation();
    void setClock();
    void setInterval();
    void eraseMemory();
    void setHumidityOffset();
    void setTemperatureOffset();
    void setCo2Offset();
    void setAltitude();
    void setAlarm();
    void setPowerOff();
    void setupAll();

    MeterLink& m_link;
    Prompter& m_prompter;
    Clock& m_clock;
    std::function<bool()> m_connected;
    SetupSession& m_session;
    bool m_busy = false;
    bool m_setupAllRunning = false; // also between its steps, when the link is free
};
