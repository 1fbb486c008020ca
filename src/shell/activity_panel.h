#pragma once
// The status bar's activity panel, beside the connection panels: what the program is doing or has
// just done - the recording's progress, the download's progress, and a short word after each save,
// export and print ("Saved graph.ghf").
#include <QLabel>
#include <cstdint>

class Clock;

class ActivityPanel : public QLabel {
    Q_OBJECT
  public:
    // How long a word about a finished command stays before the recording's progress takes over.
    static constexpr int64_t kMessageMs = 5000;

    ActivityPanel(Clock& clock, QWidget* parent = nullptr);

    // "Recording: 12 samples, 0:00:24, journal on", or "..., no journal: <why>".
    static QString recordingText(int samples, int64_t elapsedMs, const QString& journalProblem);
    // "Downloading: 4,096 of 262,144 bytes (1 %)".
    static QString downloadText(uint32_t received, uint32_t total);

    // A finished command's word; it stays for kMessageMs, or until the next one.
    void showMessage(const QString& text);
    // The recording's progress; held back while a message is fresh.
    void showRecording(int samples, int64_t elapsedMs, const QString& journalProblem);
    void showDownload(uint32_t received, uint32_t total);
    // Nothing running: the panel empties unless a message is fresh.
    void showIdle();

  private:
    bool messageFresh() const;

    Clock& m_clock;
    int64_t m_messageTick = -1;
};
