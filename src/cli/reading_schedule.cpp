#include "reading_schedule.h"

#include "cli/cli_common.h"
#include "cli/meter_session.h"
#include "cli/mqtt_publisher.h"
#include "platform/clock.h"
#include "platform/settings.h"

#include <QCommandLineParser>
#include <QLocale>

#include <algorithm>

namespace {
// The poll's own period: the main window polls every half second.
constexpr int64_t PollMs = 500;
// A read that missed is tried again this soon.
constexpr int64_t RetryMs = 100;
// How long one wait may last before the stop request is looked at again.
constexpr int StopCheckMs = 50;
// How long an ending run waits for queued readings to reach the MQTT broker.
constexpr int MqttDrainMs = 5000;
} // namespace

void ReadingSchedule::waitForNextPoll(MeterSession& session, int64_t tick,
                                      const volatile std::sig_atomic_t& stop) const {
    const int64_t until =
        session.connected() ? std::min(tick + PollMs, std::max(m_due, tick + RetryMs)) : tick + PollMs;
    while (!stop) {
        const int64_t left = until - session.clock().tickCount();
        if (left <= 0)
            return;
        session.idle(int(std::min<int64_t>(left, StopCheckMs)));
    }
}

void printPublisherNews(MqttPublisher* publisher) {
    if (!publisher)
        return;
    for (const QString& news : publisher->takeNews())
        console::error(news);
}

qsizetype finishPublishing(MqttPublisher* publisher) {
    if (!publisher)
        return 0;
    const qsizetype undelivered = publisher->finish(MqttDrainMs);
    printPublisherNews(publisher);
    if (undelivered > 0)
        console::error(QStringLiteral("MQTT: %1 readings were not delivered").arg(undelivered));
    return undelivered;
}

bool readingLimitsFrom(const QCommandLineParser& p, const QCommandLineOption& interval,
                       const QCommandLineOption& count, ReadingLimits& limits, QString& error) {
    limits.seconds = Settings().realTimeRate();
    if (p.isSet(interval)) {
        bool ok = false;
        limits.seconds = QLocale::c().toDouble(p.value(interval), &ok);
        if (!ok || !(limits.seconds >= 0.5 && limits.seconds <= 86400.0)) {
            error = QStringLiteral("--interval needs seconds from 0.5 to 86400");
            return false;
        }
    }
    limits.count = 0;
    if (p.isSet(count)) {
        bool ok = false;
        limits.count = p.value(count).toLongLong(&ok);
        if (!ok || limits.count < 1) {
            error = QStringLiteral("--count needs a number from 1");
            return false;
        }
    }
    return true;
}
