#include "tfrm_open_save.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmOpenSave::TfrmOpenSave(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmOpenSave"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(16, 16, 16, 16);

    btnOpenSets = new QPushButton(this);
    btnOpenSets->setObjectName(QStringLiteral("btnOpenSets"));
    btnOpenSingleSet = new QPushButton(this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    for (QPushButton* b : {btnOpenSets, btnOpenSingleSet, Button1}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(32);
        layout->addWidget(b);
    }
    btnOpenSets->setDefault(true);
    setMinimumWidth(380);

    connect(btnOpenSets, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(btnOpenSingleSet, &QPushButton::clicked, this, [this] { done(ResultNo); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(ResultCancel); });
}

void TfrmOpenSave::setupForSave() {
    setWindowTitle(QStringLiteral("Save File"));
    btnOpenSets->setText(QStringLiteral("Save all data sets to a data set collection file(*.407)"));
    btnOpenSingleSet->setText(QStringLiteral("Save single selected  data set to a  file"));
    Button1->setText(QStringLiteral("Cancel"));
}

void TfrmOpenSave::setupForOpen(bool decimalIsComma) {
    setWindowTitle(QStringLiteral("Open File"));
    btnOpenSets->setText(QStringLiteral("Open a data set collection file(*.407)"));
    btnOpenSingleSet->setText(decimalIsComma ? QStringLiteral("Open single data flle(*.TXT,*.GHF)")
                                             : QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
    Button1->setText(QStringLiteral("Cancel"));
}

void TfrmOpenSave::reject() {
    done(ResultCancel);
}

void TfrmOpenSave::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
