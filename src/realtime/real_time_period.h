#pragma once
// Pure helpers of the real-time setup: the recording period and the sample count typed by the user.
#include <QString>
#include <QtGlobal>
#include <optional>

namespace realtime {

// The largest count the count editor can hold (five digits).
inline constexpr int MaxRealTimeCount = 99999;
// The count the setup dialog opens with, and the one Run's opening period is computed from.
inline constexpr int InitialRealTimeCount = 2000;

// Sampling rate in seconds from the two boxes' item indices (minutes "00"-"60", seconds "00"-"60").
constexpr int rateSeconds(int minutes, int seconds) {
    return minutes * 60 + seconds;
}

// count x rate in seconds; 64-bit so that no count and rate can overflow.
constexpr qint64 recordingPeriodSeconds(qint64 count, qint64 rate) {
    return count * rate;
}

// The dialog's own period text: hours without leading zeros, minutes and seconds two digits
// (2000 samples at 2 s: "1:06:40").
QString formatRecordingPeriod(qint64 seconds);

// The period text Run writes when it opens the dialog: every part without leading zeros
// (2000 samples at 2 s: "1:6:40").
QString formatRunPeriod(qint64 seconds);

// The count text as a number of samples: blanks around it trimmed, then one to five decimal
// digits. Anything else (empty, a sign, inner blanks, letters, six or more digits) is refused, so a
// typed count can never ask for more than MaxRealTimeCount points.
std::optional<int> parseRealTimeCount(const QString& text);

// The count text right-aligned in the editor's five positions (" 2000"); text that is not a count
// is returned unchanged.
QString alignRealTimeCount(const QString& text);

} // namespace realtime
