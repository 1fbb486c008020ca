#pragma once
#include <QDialog>
#include <functional>

class Clock;
class MeterLink;
class Prompter;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SetupExchange;
class SetupSession;

// The setup dialog: reads the meter's information and changes its settings. Each operation runs
// as the link's one exclusive exchange (poll timer stopped, hourglass cursor), with the dialog's
// buttons disabled until it ends, and reports on the result label beside its button.
class SetupDialog : public QDialog {
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

    bool operationRunning() const { return m_busy; }

  signals:
    // The dialog is closing and will be deleted: the owner forgets its pointer.
    void setupClosed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void buildLayout();
    QWidget* buildLeftColumn();
    QWidget* buildRightColumn();
    QGroupBox* group(const QString& title);
    QLabel* caption(const QString& text, const QString& name = QString());
    QLabel* readOut(const QString& name);
    QLabel* resultLabel(const QString& name);
    QLabel* unitPicture(const QString& text, const QString& name);
    QPushButton* button(const QString& text, const QString& name, void (SetupDialog::*handler)());

    bool checkConnected();
    // Runs `work` as the link's exclusive exchange with the buttons disabled.
    void runOperation(const std::function<void()>& work);
    SetupExchange exchange();

    static void clearResult(QLabel* label);
    static void showOk(QLabel* label);
    static void showFail(QLabel* label, const QString& text);
    void showUnit(bool fahrenheit);
    void setButtonsEnabled(bool enabled);

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

    // Editors
    QLineEdit* intervalMinutesField = nullptr;
    QLineEdit* intervalSecondsField = nullptr;
    QLineEdit* humidityOffsetField = nullptr;
    QLineEdit* temperatureOffsetField = nullptr;
    QLineEdit* co2OffsetField = nullptr;
    QLineEdit* altitudeField = nullptr;
    QComboBox* alarmSwitchBox = nullptr;
    QLineEdit* alarmHighField = nullptr;
    QLineEdit* alarmLowField = nullptr;
    QLabel* alarmHighCaption = nullptr;
    QLabel* alarmLowCaption = nullptr;
    QComboBox* powerOffBox = nullptr;
    QWidget* celsiusHint = nullptr; // Celsius picture with its hint
    QWidget* fahrenheitHint = nullptr;

    // Read-outs
    QLabel* memoryAvailableValue = nullptr;
    QLabel* meterTimeValue = nullptr;
    QLabel* intervalValue = nullptr;
    QLabel* dataSetsValue = nullptr;
    QLabel* firmwareVersionValue = nullptr;
    QLabel* serialNumberValue = nullptr;
    QLabel* alarmValue = nullptr;
    QLabel* alarmHighValue = nullptr;
    QLabel* alarmLowValue = nullptr;
    QLabel* powerOffTimeValue = nullptr;
    QLabel* unitValue = nullptr;
    QLabel* celsiusPicture = nullptr;
    QLabel* fahrenheitPicture = nullptr;
    QLabel* humidityOffsetValue = nullptr;
    QLabel* temperatureOffsetValue = nullptr;
    QLabel* co2OffsetValue = nullptr;
    QLabel* altitudeValue = nullptr;
    QLabel* col2000Value = nullptr;
    QLabel* col400Value = nullptr;
    QLabel* col0Value = nullptr;

    // Result labels
    QLabel* clockResult = nullptr;
    QLabel* intervalResult = nullptr;
    QLabel* eraseResult = nullptr;
    QLabel* readResult = nullptr;
    QLabel* humidityOffsetResult = nullptr;
    QLabel* temperatureOffsetResult = nullptr;
    QLabel* co2OffsetResult = nullptr;
    QLabel* altitudeResult = nullptr;
    QLabel* alarmResult = nullptr;
    QLabel* powerOffResult = nullptr;

    QList<QPushButton*> m_buttons;
};
