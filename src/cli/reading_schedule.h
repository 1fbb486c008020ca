#pragma once
// What the long-running commands (live, log) share around their poll loops: when the next reading
// is due and when to poll next, and the MQTT publisher's messages and last deliveries.
#include <QtGlobal>
#include <csignal>
#include <cstdint>

class MeterSession;
class QCommandLineOption;
class QCommandLineParser;
class QString;
class MqttPublisher;

// Readings every intervalMs from the first one; polls at least every PollMs (so a lost meter is
// noticed as the window notices it) and soon after a missed read.
class ReadingSchedule {
  public:
    ReadingSchedule(int64_t intervalMs, int64_t firstDue) : m_intervalMs(intervalMs), m_due(firstDue) {}
    void restartAt(int64_t tick) { m_due = tick; }
    bool due(int64_t tick) const { return tick >= m_due; }
    // A reading was taken at `tick`: the next is due one interval later, never in the past.
    void taken(int64_t tick) {
        while (m_due <= tick)
            m_due += m_intervalMs;
    }
    // Waits until the next poll, `tick` being the last one: while connected when the next reading
    // is due, at most half a second on and at least a tenth after a missed read; a stop request
    // ends the wait early.
    void waitForNextPoll(MeterSession& session, int64_t tick, const volatile std::sig_atomic_t& stop) const;

  private:
    int64_t m_intervalMs;
    int64_t m_due;
};

// The --interval (seconds, 0.5 to 86400, default the desktop program's real-time rate) and --count
// (from 1, 0 when not given) of a long-running command. False, with the usage message in `error`,
// when either is out of range.
struct ReadingLimits {
    double seconds = 0;
    qint64 count = 0;
};
bool readingLimitsFrom(const QCommandLineParser& parser, const QCommandLineOption& interval,
                       const QCommandLineOption& count, ReadingLimits& limits, QString& error);

// Prints what the publisher has to say (connection lost, queue overflow ...) on standard error.
void printPublisherNews(MqttPublisher* publisher);
// Gives the readings still queued a few seconds to reach the broker and says how many did not;
// returns that number (0 without a publisher).
qsizetype finishPublishing(MqttPublisher* publisher);
