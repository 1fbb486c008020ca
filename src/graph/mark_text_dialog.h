#pragma once
// The text of a Text mark: a small dialog without caption, on top, centred on the screen, with
// one edit box and OK / Cancel. Created for each Text click and destroyed afterwards.
#include <QDialog>

class QLineEdit;

class MarkTextDialog : public QDialog {
    Q_OBJECT
  public:
    explicit MarkTextDialog(QWidget* parent = nullptr);

    QLineEdit* textField = nullptr;
};
