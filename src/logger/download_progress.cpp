#include "download_progress.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

DownloadProgressDialog::DownloadProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("RangeProgressDialog"));
    setWindowTitle(QStringLiteral("Data Retriving Progress"));
    setModal(false);

    progressBar = new QProgressBar(this);
    progressBar->setTextVisible(false);
    progressBar->setMinimumWidth(280);
    bytesReceivedCaption = new QLabel(QStringLiteral("bytes received"), this);
    bytesReceivedLabel = new QLabel(QStringLiteral("0"), this);
    totalBytesCaption = new QLabel(QStringLiteral("total bytes"), this);
    totalBytesLabel = new QLabel(QStringLiteral("0"), this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    bytesReceivedCaption->setObjectName(QStringLiteral("bytesReceivedCaption"));
    bytesReceivedLabel->setObjectName(QStringLiteral("bytesReceivedLabel"));
    totalBytesCaption->setObjectName(QStringLiteral("totalBytesCaption"));
    totalBytesLabel->setObjectName(QStringLiteral("totalBytesLabel"));
    for (QLabel* count : {bytesReceivedLabel, totalBytesLabel})
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QGridLayout(this);
    layout->addWidget(progressBar, 0, 0, 1, 2);
    layout->addWidget(bytesReceivedLabel, 1, 0);
    layout->addWidget(bytesReceivedCaption, 1, 1);
    layout->addWidget(totalBytesLabel, 2, 0);
    layout->addWidget(totalBytesCaption, 2, 1);
    layout->setColumnStretch(0, 1);
}

void DownloadProgressDialog::downloadStarted(uint32_t totalBytes) {
    progressBar->setRange(0, int(totalBytes)); // at most 256 KiB
    progressBar->setValue(0);
    totalBytesLabel->setText(QString::number(totalBytes));
    bytesReceivedLabel->setText(QStringLiteral("0"));
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
}

void DownloadProgressDialog::bytesReceived(uint32_t bytes) {
    bytesReceivedLabel->setText(QString::number(bytes));
    progressBar->setValue(int(std::min<uint32_t>(bytes, uint32_t(progressBar->maximum()))));
}

void DownloadProgressDialog::downloadEnded() {
    hide();
}
