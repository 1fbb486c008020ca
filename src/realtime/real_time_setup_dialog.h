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

class RealTimeSetupDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RealTimeSetupDialog(QWidget* parent = nullptr);

    // Sets the boxes by item index (0-60 each) from program code; the period is left as it is.
    void setRate(int minutesIndex, int secondsIndex);
    int minutesIndex() const;
    int secondsIndex() const;
    // The count as typed, blanks included (" 2000"); realtime::parseRealTimeCount reads it.
    QString countText() const;
    void setPeriodText(const QString& text);
    QString periodText() const;

    // Runs when the user changes either box: snaps 00:00 to 00:02 and recomputes the period.
    void onSamplingRateChanged();

    QLineEdit* sampleCountEdit = nullptr;
    QComboBox* minutesBox = nullptr; // minutes
    QComboBox* secondsBox = nullptr; // seconds
    QLineEdit* periodField = nullptr;
    QPushButton* startButton = nullptr;  // "Start"
    QPushButton* cancelButton = nullptr; // "Cancel"

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool m_placed = false;
};
