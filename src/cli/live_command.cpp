// live: one line per live reading, polled as the main window's poll reads the meter.
#include "cli/cli_common.h"
#include "cli/meter_session.h"
#include "cli/mqtt_options.h"
#include "cli/mqtt_publisher.h"
#include "cli/reading_schedule.h"
#include "cli/record_writer.h"
#include "platform/clock.h"


#include <algorithm>
#include <cmath>
#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
    stopRequested = 1;
}

QCommandLineOption intervalOption() {
    return QCommandLineOption(QStringLiteral("interval"),
                              QStringLiteral("Seconds between lines (0.5 to 86400; decimals allowed);\n"
                                             "default: the real-time rate of the desktop program."),
                              QStringLiteral("S"));
}
QCommandLineOption countOption() {
    return QCommandLineOption(QStringLiteral("count"),
                              QStringLiteral("Stop after N lines; default: until stopped."),
                              QStringLiteral("N"));
}
QCommandLineOption liveFormatOption() {
    return QCommandLineOption(QStringLiteral("format"), QStringLiteral("csv, jsonl or influx (default csv)."),
                              QStringLiteral("FORMAT"));
}

int runLive(CommandContext& context) {
    const QCommandLineParser& p = context.parser;
    TextFormat format = TextFormat::Csv;
    if (p.isSet(liveFormatOption())) {
        const auto named = textFormatNamed(p.value(liveFormatOption()));
        if (!named || *named == TextFormat::Txt)
            return context.usageError(QStringLiteral("unknown format '%1'").arg(p.value(liveFormatOption())));
        format = *named;
    }
    ReadingLimits limits;
    if (QString error; !readingLimitsFrom(p, intervalOption(), countOption(), limits, error))
        return context.usageError(error);
    const double seconds = limits.seconds;
    const qint64 count = limits.count;

    QString mqttError;
    const std::optional<MqttOptions> mqtt = mqttOptionsFrom(p, &mqttError);
    if (!mqttError.isEmpty())
        return context.usageError(mqttError);

    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;
    if (!session->connect())
        return MeterSession::noMeter();

    RecordWriter writer(format);
    std::unique_ptr<MqttPublisher> publisher;
    if (format == TextFormat::Influx || mqtt) {
        int code = 0;
        const std::optional<MeterIdentity> meter = session->identify(&code);
        if (!meter) {
            console::error(QStringLiteral("Fail code=%1").arg(code));
            return session->failureExit();
        }
        writer.setSerial(meter->serialNumber);
        if (mqtt) {
            publisher = std::make_unique<MqttPublisher>(*mqtt, *meter);
            QString error;
            if (publisher->start(&error) != MqttPublisher::Start::Connected) {
                console::error(error);
                return ExitBroker;
            }
        }
    }

    // Ctrl-C (and a polite kill) end the loop after the line in hand; what was written stays.
    stopRequested = 0;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    Clock& clock = session->clock();
    const auto intervalMs = int64_t(std::llround(seconds * 1000.0));
    ReadingSchedule schedule(intervalMs, clock.tickCount());
    qint64 lines = 0;
    bool waiting = false;
    int result = ExitOk;
    std::string line;
    while (!stopRequested && (count == 0 || lines < count)) {
        const int64_t tick = clock.tickCount();
        const QDateTime sampleTime = clock.nowDateTime();
        switch (session->poll()) {
        case PollStep::Found:
            if (waiting)
                console::error(QStringLiteral("On Connection"));
            waiting = false;
            break;
        case PollStep::Lost:
            console::error(QStringLiteral("No Connection: waiting for the meter to come back"));
            waiting = true;
            break;
        case PollStep::Reading:
            if (!schedule.due(tick))
                break;
            line.clear();
            writer.appendReading(line, sampleTime, session->reading());
            if (!console::out(line) || !console::flushOut()) {
                console::error(QStringLiteral("standard output: write error"));
                result = ExitFailed;
                stopRequested = 1;
                break;
            }
            if (publisher)
                publisher->publishReading(sampleTime, session->reading());
            ++lines;
            schedule.taken(tick);
            break;
        default:
            break;
        }
        printPublisherNews(publisher.get());
        if (count != 0 && lines >= count)
            break;
        schedule.waitForNextPoll(*session, tick, stopRequested);
    }
    // The readings still queued get a few seconds to reach the broker.
    if (finishPublishing(publisher.get()) > 0 && result == ExitOk)
        result = ExitBroker;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    console::flushOut();
    return result;
}

} // namespace

CommandEntry liveCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("live");
    entry.synopsis =
        QStringLiteral("live [--interval S] [--count N] [--format csv|jsonl|influx] [--mqtt URL ...]");
    entry.summary = QStringLiteral("live readings, one line each, until stopped or N lines");
    entry.description = QStringLiteral(
        "Polls the meter as the desktop program's main window does and writes one line per reading\n"
        "every S seconds: csv as the real-time graph's export writes a point (date, time, ppm, %RH,\n"
        "temperature in the locale), jsonl, or influx (InfluxDB line protocol, UTC nanoseconds).\n"
        "Ctrl-C ends it cleanly, every line written whole. When the meter is unplugged a message goes\n"
        "to standard error and the command waits for it to come back.\n"
        "With --mqtt each reading is also published as its jsonl object to <prefix>/state (QoS 1),\n"
        "with <prefix>/availability \"online\" (retained; the last will says \"offline\") and Home\n"
        "Assistant discovery configs for the three sensors. A lost broker is tried again with a\n"
        "growing delay while the readings go on; they are queued and sent in order when it is back.");
    entry.options = {intervalOption(), countOption(), liveFormatOption()};
    entry.options << mqttCommandOptions();
    entry.run = runLive;
    return entry;
}
