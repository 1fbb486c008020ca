#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class VersionInfo;

// The about box: title, version, OK. Also the start-up splash, then without its OK button.
class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    QLabel* versionCaption;
    QLabel* versionLabel;
    QLabel* titleLabel;
    QPushButton* okButton;
    VersionInfo* versionInfo;
    void onOkClicked() { accept(); }
};
