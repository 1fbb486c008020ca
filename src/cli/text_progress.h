#pragma once
#include "logger/memory_download.h"

#include <cstdint>

// The download's progress on standard error: a bar redrawn in place when standard error is a
// terminal, otherwise one line at each tenth, so a log file gets ten lines and no control codes.
class TextProgress : public DownloadProgress {
  public:
    explicit TextProgress(bool terminal);

    void downloadStarted(uint32_t totalBytes) override;
    void bytesReceived(uint32_t bytesReceived) override;
    void downloadEnded() override;

  private:
    void drawBar(uint32_t bytes);

    bool m_terminal;
    uint32_t m_total = 0;
    int m_shown = -1; // percent drawn last, or tenths written
};
