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
class TfrmSetup : public QDialog {
    Q_OBJECT
  public:
    TfrmSetup(MeterLink& link, Prompter& prompter, Clock& clock, std::function<bool()> connected,
              QWidget* parent = nullptr);
    ~TfrmSetup() override;

    void FormShow();
    void ComboBox1Change();
    void FormClose();

    void Button4Click();  // "Read  "
    void Button1Click();  // clock
    void Button2Click();  // recording interval
    void Button3Click();  // erase
    void Button7Click();  // humidity offset
    void Button12Click(); // temperature offset
    void Button13Click(); // CO2 offset
    void Button14Click(); // altitude
    void Button11Click(); // CO2 alarm
    void Button16Click(); // automatic power-off
    void Button6Click();  // "Setup All"

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
    QPushButton* button(const QString& text, const QString& name, void (TfrmSetup::*handler)());

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
    QLineEdit* edtInt1 = nullptr;
    QLineEdit* edtInt2 = nullptr;
    QLineEdit* edtRH_offset = nullptr;
    QLineEdit* edtT1_offset = nullptr;
    QLineEdit* edtppm_offset = nullptr;
    QLineEdit* edtalt_offset = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* lblHi = nullptr;
    QLabel* lblLo = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QWidget* imgC = nullptr; // Celsius picture with its hint
    QWidget* imgF = nullptr;

    // Read-outs
    QLabel* txtMemoryAvailable = nullptr;
    QLabel* txtMeterTime = nullptr;
    QLabel* txtInt = nullptr;
    QLabel* txtDataSets = nullptr;
    QLabel* txtVer = nullptr;
    QLabel* txtSN = nullptr;
    QLabel* txtAlarm = nullptr;
    QLabel* txtHi = nullptr;
    QLabel* txtLo = nullptr;
    QLabel* txtSleepTime = nullptr;
    QLabel* txtUnit = nullptr;
    QLabel* unitC = nullptr;
    QLabel* unitF = nullptr;
    QLabel* txtRHoffset = nullptr;
    QLabel* txtT1offset = nullptr;
    QLabel* txtppmoffset = nullptr;
    QLabel* txtaltoffset = nullptr;
    QLabel* txtCol2000 = nullptr;
    QLabel* txtCol400 = nullptr;
    QLabel* txtCol0 = nullptr;

    // Result labels
    QLabel* lblOK1 = nullptr;
    QLabel* lblOK2 = nullptr;
    QLabel* lblOK3 = nullptr;
    QLabel* lblOK5 = nullptr;
    QLabel* lblOK6 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label28 = nullptr;
    QLabel* Label29 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label38 = nullptr;

    QList<QPushButton*> m_buttons;
};
