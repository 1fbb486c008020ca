#pragma once
// OpenSaveChoiceDialog: the choice the Open and Save commands ask first, between the data set collection
// and a single file. A new dialog is made for each use and given its captions before it is shown.
#include <QDialog>

class QPushButton;

class OpenSaveChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    // The dialog's results, one per button. Closing the dialog any other way counts as Cancel.
    enum Result { ResultOk = 1, ResultCancel = 2, ResultNo = 7 };

    explicit OpenSaveChoiceDialog(QWidget* parent = nullptr);

    // Caption "Save File": the collection or the data set on show.
    void setupForSave();
    // Caption "Open File": a collection or one data file. Where the decimal separator is a comma
    // the single-file choice offers no CSV.
    void setupForOpen(bool decimalIsComma);

    QPushButton* collectionButton; // OK
    QPushButton* singleFileButton; // No
    QPushButton* cancelButton;     // Cancel

    // Escape and the close box count as Cancel.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
};
