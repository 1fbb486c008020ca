#pragma once
// The Real-Time Setup dialog Run shows before a recording: the number of samples, the sampling rate
// and the recording period that follows from them. Run fills it, runs it modally and reads the
// result, the count text and the two boxes back; the dialog itself checks nothing.
#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;
class QShowEvent;

class TfrmSetupRealTime : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSetupRealTime(QWidget* parent = nullptr);

    // Sets the boxes by item index (0-60 each) from program code; the period is left as it is.
    void setRate(int minutesIndex, int secondsIndex);
    int minutesIndex() const;
    int secondsIndex() const;
    // The count as typed, blanks included (" 2000"); realtime::parseRealTimeCount reads it.
    QString countText() const;
    void setPeriodText(const QString& text);
    QString periodText() const;

    // Runs when the user changes either box: snaps 00:00 to 00:02 and recomputes the period.
    void ComboBox1Change();

    QLineEdit* edtRealTimeNo = nullptr;
    QComboBox* ComboBox1 = nullptr; // minutes
    QComboBox* ComboBox2 = nullptr; // seconds
    QLineEdit* edtPeriod = nullptr;
    QPushButton* btnOpenSingleSet = nullptr; // "Start"
    QPushButton* Button1 = nullptr;          // "Cancel"

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool m_placed = false;
};
