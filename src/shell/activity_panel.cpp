#include "activity_panel.h"

#include "platform/clock.h"

#include <QLocale>

ActivityPanel::ActivityPanel(Clock& clock, QWidget* parent) : QLabel(parent), m_clock(clock) {
    setObjectName(QStringLiteral("activityPanel"));
    setMinimumWidth(120);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

QString ActivityPanel::recordingText(int samples, int64_t elapsedMs, const QString& journalProblem) {
    const int64_t seconds = std::max<int64_t>(0, elapsedMs / 1000);
    const QString elapsed = QStringLiteral("%1:%2:%3")
                                .arg(seconds / 3600)
                                .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const QString journal = journalProblem.isEmpty() ? QStringLiteral("journal on")
                                                     : QStringLiteral("no journal: ") + journalProblem;
    return QStringLiteral("Recording: %1 %2, %3, %4")
        .arg(QLocale().toString(samples), samples == 1 ? QStringLiteral("sample") : QStringLiteral("samples"),
             elapsed, journal);
}

QString ActivityPanel::downloadText(uint32_t received, uint32_t total) {
    const int percent = total ? int(uint64_t(received) * 100 / total) : 0;
    const QLocale locale;
    return QStringLiteral("Downloading: %1 of %2 bytes (%3 %)")
        .arg(locale.toString(qulonglong(received)), locale.toString(qulonglong(total)))
        .arg(percent);
}

bool ActivityPanel::messageFresh() const {
    return m_messageTick >= 0 && m_clock.tickCount() - m_messageTick < kMessageMs;
}

void ActivityPanel::showMessage(const QString& text) {
    m_messageTick = m_clock.tickCount();
    setText(text);
}

void ActivityPanel::showRecording(int samples, int64_t elapsedMs, const QString& journalProblem) {
    if (!messageFresh())
        setText(recordingText(samples, elapsedMs, journalProblem));
}

void ActivityPanel::showDownload(uint32_t received, uint32_t total) {
    // A download is the one thing going on: its progress shows at once.
    m_messageTick = -1;
    setText(downloadText(received, total));
}

void ActivityPanel::showIdle() {
    if (!messageFresh())
        clear();
}
