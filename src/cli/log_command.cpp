// log: the long-running logger. Polls the meter, appends each reading to the day's file in a
// folder and, with --mqtt, publishes it; waits for a meter that is away, and ends cleanly on
// SIGTERM (as systemd stops it) or Ctrl-C.
#include "cli/chosen_time_clock.h"
#include "cli/cli_common.h"
#include "cli/day_log_file.h"
#include "cli/meter_session.h"
#include "cli/mqtt_options.h"
#include "cli/mqtt_publisher.h"
#include "cli/reading_schedule.h"
#include "cli/record_writer.h"
#include "files/text_lines.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace log_command {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestLogStop(int) {
    stopRequested = 1;
}

QCommandLineOption dirOption() {
    return QCommandLineOption(QStringLiteral("dir"),
                              QStringLiteral("The folder of the day files (made if missing)."),
                              QStringLiteral("DIR"));
}
QCommandLineOption intervalOption() {
    return QCommandLineOption(QStringLiteral("interval"),
                              QStringLiteral("Seconds between readings (0.5 to 86400; decimals allowed);\n"
                                             "default: the real-time rate of the desktop program."),
                              QStringLiteral("S"));
}
QCommandLineOption formatOption() {
    return QCommandLineOption(QStringLiteral("format"), QStringLiteral("csv or jsonl (default csv)."),
                              QStringLiteral("FORMAT"));
}
QCommandLineOption countOption() {
    return QCommandLineOption(QStringLiteral("count"),
                              QStringLiteral("Stop after N readings; default: until stopped."),
                              QStringLiteral("N"));
}
// Test aid: the wall clock of the readings starts at this local time (simulated meter only).
QCommandLineOption demoStartOption() {
    QCommandLineOption o(QStringLiteral("demo-start"), QStringLiteral("Start time of the readings."),
                         QStringLiteral("ISO"));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    return o;
}

// The first line of a new CSV day file, in the separator its lines use.
std::string csvHeader() {
    const char sep = effectiveSeparator(',', LocaleFormats(QLocale()));
    std::string header = "Date,Time,ppm,%RH,Temp.\r\n";
    std::replace(header.begin(), header.end(), ',', sep);
    return header;
}

int runLog(CommandContext& context) {
    const QCommandLineParser& p = context.parser;
    if (!p.isSet(dirOption()))
        return context.usageError(QStringLiteral("--dir is needed"));
    TextFormat format = TextFormat::Csv;
    if (p.isSet(formatOption())) {
        const auto named = textFormatNamed(p.value(formatOption()));
        if (!named || (*named != TextFormat::Csv && *named != TextFormat::Jsonl))
            return context.usageError(QStringLiteral("unknown format '%1'").arg(p.value(formatOption())));
        format = *named;
    }
    ReadingLimits limits;
    if (QString error; !readingLimitsFrom(p, intervalOption(), countOption(), limits, error))
        return context.usageError(error);
    const double seconds = limits.seconds;
    const qint64 count = limits.count;
    QDateTime demoStart;
    if (p.isSet(demoStartOption())) {
        demoStart = QDateTime::fromString(p.value(demoStartOption()), Qt::ISODate);
        if (!context.global.demo || !demoStart.isValid())
            return context.usageError(QStringLiteral("--demo-start needs --demo and an ISO 8601 time"));
    }
    QString mqttError;
    const std::optional<MqttOptions> mqtt = mqttOptionsFrom(p, &mqttError);
    if (!mqttError.isEmpty())
        return context.usageError(mqttError);

    const QString dir = p.value(dirOption());
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir()) {
        console::error(QDir::toNativeSeparators(dir) + QStringLiteral(": cannot make the folder"));
        return ExitFailed;
    }
    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;

    stopRequested = 0;
    std::signal(SIGINT, requestLogStop);
    std::signal(SIGTERM, requestLogStop);

    Clock& clock = session->clock();
    std::optional<ChosenTimeClock> chosen;
    if (demoStart.isValid())
        chosen.emplace(clock, demoStart);
    const Clock& wallClock = chosen ? static_cast<const Clock&>(*chosen) : clock;
    const RecordWriter writer(format);
    DayLogFile files(dir, textFormatName(format), format == TextFormat::Csv ? csvHeader() : std::string());
    std::unique_ptr<MqttPublisher> publisher;

    const auto intervalMs = int64_t(std::llround(seconds * 1000.0));
    ReadingSchedule schedule(intervalMs, clock.tickCount());
    qint64 readings = 0;
    bool waitingSaid = false;
    int result = ExitOk;
    std::string line;
    while (!stopRequested && (count == 0 || readings < count)) {
        const int64_t tick = clock.tickCount();
        const QDateTime taken = wallClock.nowDateTime();
        switch (session->poll()) {
        case PollStep::NotFound:
            if (!waitingSaid)
                console::error(QStringLiteral("No Connection: waiting for the meter"));
            waitingSaid = true;
            break;
        case PollStep::Found:
            if (waitingSaid)
                console::error(QStringLiteral("On Connection"));
            waitingSaid = false;
            schedule.restartAt(clock.tickCount()); // the interval counts from the first reading of the meter
            if (mqtt && !publisher) {
                const std::optional<MeterIdentity> meter = session->identify();
                if (!meter)
                    break; // asked again when the meter is found again
                publisher = std::make_unique<MqttPublisher>(*mqtt, *meter);
                QString error;
                const MqttPublisher::Start start = publisher->start(&error);
                if (start == MqttPublisher::Start::Refused) {
                    console::error(error);
                    result = ExitBroker;
                    stopRequested = 1;
                } else if (start == MqttPublisher::Start::Unreachable) {
                    // The files go on; the readings wait for the broker.
                    console::error(error + QStringLiteral("; trying again, readings are queued"));
                }
            }
            break;
        case PollStep::Lost:
            console::error(QStringLiteral("No Connection: waiting for the meter to come back"));
            waitingSaid = true;
            break;
        case PollStep::Reading:
            if (!schedule.due(tick))
                break;
            line.clear();
            writer.appendReading(line, taken, session->reading());
            if (!files.append(taken.date(), line)) {
                console::error(files.errorString());
                result = ExitFailed;
                stopRequested = 1;
                break;
            }
            if (publisher)
                publisher->publishReading(taken, session->reading());
            ++readings;
            schedule.taken(tick);
            break;
        default:
            break;
        }
        printPublisherNews(publisher.get());
        if (count != 0 && readings >= count)
            break;
        schedule.waitForNextPoll(*session, tick, stopRequested);
    }
    finishPublishing(publisher.get());
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return result;
}

} // namespace log_command

CommandEntry logCommand() {
    namespace l = log_command;
    CommandEntry entry;
    entry.name = QStringLiteral("log");
    entry.synopsis =
        QStringLiteral("log --dir DIR [--interval S] [--format csv|jsonl] [--count N] [--mqtt URL ...]");
    entry.summary = QStringLiteral("a long-running logger: one file a day, and MQTT");
    entry.description = QStringLiteral(
        "Polls the meter as live does and appends each reading to DIR/qz407-YYYY-MM-DD.csv (or .jsonl),\n"
        "the file of the reading's local date: a new file at local midnight, the csv with a header line.\n"
        "Each line is flushed as it is written; a restart appends to the day's file. While no meter is\n"
        "plugged in, or after it was unplugged, it waits for one. SIGTERM or Ctrl-C ends it cleanly.\n"
        "With --mqtt the readings are also published as live --mqtt publishes them; a broker that\n"
        "cannot be reached at the start is tried again while the files go on. The package installs\n"
        "it as the systemd user service qz407-log (settings in ~/.config/qz407/log.env).");
    entry.options = {l::dirOption(), l::intervalOption(), l::formatOption(), l::countOption(),
                     l::demoStartOption()};
    entry.options << mqttCommandOptions();
    entry.run = l::runLog;
    return entry;
}
