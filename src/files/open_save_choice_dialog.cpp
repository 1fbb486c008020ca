#include "open_save_choice_dialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

OpenSaveChoiceDialog::OpenSaveChoiceDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("OpenSaveChoiceDialog"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(16, 16, 16, 16);

    collectionButton = new QPushButton(this);
    collectionButton->setObjectName(QStringLiteral("collectionButton"));
    singleFileButton = new QPushButton(this);
    singleFileButton->setObjectName(QStringLiteral("singleFileButton"));
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {collectionButton, singleFileButton, cancelButton}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(32);
        layout->addWidget(b);
    }
    collectionButton->setDefault(true);
    setMinimumWidth(380);

    connect(collectionButton, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(singleFileButton, &QPushButton::clicked, this, [this] { done(ResultNo); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { done(ResultCancel); });
}

void OpenSaveChoiceDialog::setupForSave() {
    setWindowTitle(QStringLiteral("Save File"));
    collectionButton->setText(QStringLiteral("Save all data sets to a data set collection file(*.407)"));
    singleFileButton->setText(QStringLiteral("Save single selected  data set to a  file"));
    cancelButton->setText(QStringLiteral("Cancel"));
}

void OpenSaveChoiceDialog::setupForOpen(bool decimalIsComma) {
    setWindowTitle(QStringLiteral("Open File"));
    collectionButton->setText(QStringLiteral("Open a data set collection file(*.407)"));
    singleFileButton->setText(decimalIsComma ? QStringLiteral("Open single data flle(*.TXT,*.GHF)")
                                             : QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
    cancelButton->setText(QStringLiteral("Cancel"));
}

void OpenSaveChoiceDialog::reject() {
    done(ResultCancel);
}

void OpenSaveChoiceDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
