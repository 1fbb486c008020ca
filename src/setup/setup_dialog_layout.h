#pragma once
#include <QDialog>
#include <QList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The setup dialog's widgets and their places: the settings on the left, each with its button and
// the result label beside it, the meter's information on the right. What the buttons do is
// SetupDialog's; this class only builds and shows.
class SetupDialogLayout : public QDialog {
    Q_OBJECT
  protected:
    explicit SetupDialogLayout(QWidget* parent);

    // Result labels: cleared and hidden, "OK" in green, or a failure in red.
    static void clearResult(QLabel* label);
    static void showOk(QLabel* label);
    static void showFail(QLabel* label, const QString& text);
    void showUnit(bool fahrenheit);
    void setButtonsEnabled(bool enabled);

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

    // Buttons
    QPushButton* setIntervalButton = nullptr;
    QPushButton* humidityOffsetButton = nullptr;
    QPushButton* temperatureOffsetButton = nullptr;
    QPushButton* co2OffsetButton = nullptr;
    QPushButton* altitudeButton = nullptr;
    QPushButton* alarmButton = nullptr;
    QPushButton* powerOffButton = nullptr;
    QPushButton* setClockButton = nullptr;
    QPushButton* eraseMemoryButton = nullptr;
    QPushButton* readButton = nullptr;
    QPushButton* setupAllButton = nullptr;
    QList<QPushButton*> m_buttons;

  private:
    QWidget* buildLeftColumn();
    QWidget* buildRightColumn();
    QGroupBox* group(const QString& title);
    QLabel* caption(const QString& text, const QString& name = QString());
    QLabel* readOut(const QString& name);
    QLabel* resultLabel(const QString& name);
    QLabel* unitPicture(const QString& text, const QString& name);
    QPushButton* button(const QString& text, const QString& name);
};
