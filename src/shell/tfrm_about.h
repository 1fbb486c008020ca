#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class TVersionInfo;

// The about box: title, version, OK. Also the start-up splash, then without its OK button.
class TfrmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* BitBtn1;
    TVersionInfo* VersionInfo1;
    void BitBtn1Click() { accept(); }
};
