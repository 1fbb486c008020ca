#include "download_progress.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

DownloadProgressDialog::DownloadProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmScope"));
    setWindowTitle(QStringLiteral("Data Retriving Progress"));
    setModal(false);

    Progress1 = new QProgressBar(this);
    Progress1->setTextVisible(false);
    Progress1->setMinimumWidth(280);
    SText1 = new QLabel(QStringLiteral("bytes received"), this);
    lblBytesReceived = new QLabel(QStringLiteral("0"), this);
    SText2 = new QLabel(QStringLiteral("total bytes"), this);
    lblTotalBytes = new QLabel(QStringLiteral("0"), this);
    Progress1->setObjectName(QStringLiteral("Progress1"));
    SText1->setObjectName(QStringLiteral("SText1"));
    lblBytesReceived->setObjectName(QStringLiteral("lblBytesReceived"));
    SText2->setObjectName(QStringLiteral("SText2"));
    lblTotalBytes->setObjectName(QStringLiteral("lblTotalBytes"));
    for (QLabel* count : {lblBytesReceived, lblTotalBytes})
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Progress1, 0, 0, 1, 2);
    layout->addWidget(lblBytesReceived, 1, 0);
    layout->addWidget(SText1, 1, 1);
    layout->addWidget(lblTotalBytes, 2, 0);
    layout->addWidget(SText2, 2, 1);
    layout->setColumnStretch(0, 1);
}

void DownloadProgressDialog::downloadStarted(uint32_t totalBytes) {
    Progress1->setRange(0, int(totalBytes)); // at most 256 KiB
    Progress1->setValue(0);
    lblTotalBytes->setText(QString::number(totalBytes));
    lblBytesReceived->setText(QStringLiteral("0"));
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
}

void DownloadProgressDialog::bytesReceived(uint32_t bytes) {
    lblBytesReceived->setText(QString::number(bytes));
    Progress1->setValue(int(std::min<uint32_t>(bytes, uint32_t(Progress1->maximum()))));
}

void DownloadProgressDialog::downloadEnded() {
    hide();
}
