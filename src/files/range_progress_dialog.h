#pragma once
#include <QDialog>
#include <optional>

class Prompter;
class QGroupBox;
class QRadioButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QProgressBar;

// The small range and progress dialog: a range choice for the exports, a progress display for the
// exports, the import and the table-to-graph command. (The memory download, which the logger runs
// without this folder, shows its byte counts in its own DownloadProgressDialog.) Every part starts
// hidden; each use shows the parts it needs. A new dialog is made for each use.
//
// Modal use (range choice): okButton accepts, cancelButton rejects. Modeless use (progress): cancelButton
// only sets the Cancel result, which the running loop polls with cancelRequested().
class RangeProgressDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RangeProgressDialog(QWidget* parent = nullptr);

    // Prepares the range choice: caption "Save File", "1" .. count in the edits.
    void setupRange(const QString& caption, qint64 count);
    // Prepares a progress display with the bar from 0 to `maximum`, the status text in bytesReceivedCaption
    // and, when `cancellable`, the Cancel button. Clears the Cancel result.
    void setupProgress(const QString& caption, const QString& status, qint64 maximum, bool cancellable);

    // Progress, clamped to the bar's range (which is an int; larger ranges are scaled).
    void setProgress(qint64 value);
    void setStatus(const QString& text);

    bool cancelRequested() const { return m_cancelled; }
    bool isProgressUse() const { return m_progressUse; }

    QGroupBox* rangeGroup;
    QRadioButton* allButton;
    QRadioButton* selectButton;
    QLabel* fromCaption;
    QLineEdit* fromField;
    QLabel* toCaption;
    QLineEdit* toField;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QProgressBar* progressBar;
    QLabel* bytesReceivedCaption;
    QLabel* totalBytesCaption;
    QLabel* bytesReceivedLabel;
    QLabel* totalBytesLabel;

  protected:
    void reject() override;

  private:
    void onCancelClicked();
    void centreOnScreen();

    bool m_cancelled = false;
    bool m_progressUse = false;
    qint64 m_maximum = 0;
    int m_scale = 1;
};

// 1-based, inclusive item range chosen for an export. `from` > `to` means nothing to write.
struct ScopeRange {
    qint64 from = 1;
    qint64 to = 0;
};

// The range choice shared by the exports, over `count` items: the dialog through the prompter,
// then the checks. Returns nothing when the user cancels or a range edit is not a whole number
// (after showing "invalid integer"); `invalid`, when given, tells the two apart.
std::optional<ScopeRange> chooseScopeRange(Prompter& prompter, qint64 count, QWidget* parent = nullptr,
                                           bool* invalid = nullptr);

// The checks alone: absolute values, swapped when reversed, `to` at most `count`, `from` at least 1.
// Returns nothing when either text is not a whole number.
std::optional<ScopeRange> rangeFromTexts(const QString& fromText, const QString& toText, qint64 count);
