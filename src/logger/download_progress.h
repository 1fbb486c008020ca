#pragma once
#include "logger/memory_download.h"

#include <QDialog>

class QLabel;
class QProgressBar;

// "Data Retriving Progress": the small stay-on-top window that shows how many bytes of the meter's
// memory are in. It appears, without blocking, once the download knows the size and closes when
// the download ends; there is nothing to press.
class DownloadProgressDialog : public QDialog, public DownloadProgress {
    Q_OBJECT
  public:
    explicit DownloadProgressDialog(QWidget* parent = nullptr);

    void downloadStarted(uint32_t totalBytes) override;
    void bytesReceived(uint32_t bytesReceived) override;
    void downloadEnded() override;

    QProgressBar* progressBar;
    QLabel* bytesReceivedCaption;
    QLabel* bytesReceivedLabel;
    QLabel* totalBytesCaption;
    QLabel* totalBytesLabel;

  protected:
    // The user cannot close it half-way: Escape and the close box do nothing.
    void reject() override {}
};
