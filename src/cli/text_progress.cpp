#include "text_progress.h"

#include "cli_common.h"

#include <algorithm>
#include <string>

TextProgress::TextProgress(bool terminal) : m_terminal(terminal) {}

void TextProgress::downloadStarted(uint32_t totalBytes) {
    m_total = totalBytes;
    m_shown = m_terminal ? -1 : 0;
    if (m_terminal)
        drawBar(0);
}

void TextProgress::bytesReceived(uint32_t bytes) {
    if (m_total == 0)
        return;
    bytes = std::min(bytes, m_total);
    if (m_terminal) {
        drawBar(bytes);
        return;
    }
    const int tenths = int(uint64_t(bytes) * 10 / m_total);
    while (m_shown < tenths) {
        ++m_shown;
        console::errRaw("download: " + std::to_string(m_shown * 10) + "% (" + std::to_string(bytes) + " of " +
                        std::to_string(m_total) + " bytes)\n");
    }
}

void TextProgress::downloadEnded() {
    if (m_terminal && m_shown >= 0)
        console::errRaw("\n");
}

void TextProgress::drawBar(uint32_t bytes) {
    constexpr int Width = 40;
    const int percent = m_total ? int(uint64_t(bytes) * 100 / m_total) : 0;
    if (percent == m_shown)
        return;
    m_shown = percent;
    const int filled = percent * Width / 100;
    std::string line = "\r[";
    line.append(std::size_t(filled), '#');
    line.append(std::size_t(Width - filled), '.');
    line += "] " + std::to_string(percent) + "%  " + std::to_string(bytes) + " of " +
            std::to_string(m_total) + " bytes";
    console::errRaw(line);
}
