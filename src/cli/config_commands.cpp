// set-clock and set-interval: the setup dialog's clock and interval commands with their checks.
#include "cli/chosen_time_clock.h"
#include "cli/cli_common.h"
#include "cli/meter_session.h"
#include "platform/clock.h"
#include "setup/meter_config.h"
#include "setup/setup_exchange.h"

#include <QDateTime>

namespace {

QCommandLineOption timeOption() {
    return QCommandLineOption(
        QStringLiteral("time"),
        QStringLiteral("The time to set, ISO 8601 (2026-07-31T14:05:09; with a zone it\n"
                       "is turned into local time); default: the computer's clock."),
        QStringLiteral("ISO"));
}

int reportResult(MeterSession& session, int code, const QString& failText) {
    if (code != 0) {
        console::error(failText);
        return session.failureExit();
    }
    console::outLine(QStringLiteral("OK"));
    console::flushOut();
    return ExitOk;
}

int runSetClock(CommandContext& context) {
    std::optional<QDateTime> chosen;
    if (context.parser.isSet(timeOption())) {
        const QString text = context.parser.value(timeOption());
        QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!t.isValid())
            return context.usageError(
                QStringLiteral("'%1' is not an ISO 8601 date and time, e.g. 2026-07-31T14:05:09").arg(text));
        if (t.timeSpec() != Qt::LocalTime)
            t = t.toLocalTime();
        // The meter keeps the year as two digits after 2000.
        if (t.date().year() < 2000 || t.date().year() > 2099)
            return context.usageError(QStringLiteral("the meter's clock takes the years 2000 to 2099"));
        chosen = t;
    }

    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;
    if (!session->connect())
        return MeterSession::noMeter();
    CommandFrame frame;
    SetupExchange::Reply reply{};
    std::optional<ChosenTimeClock> chosenClock;
    if (chosen)
        chosenClock.emplace(session->clock(), *chosen);
    Clock& clock = chosenClock ? static_cast<Clock&>(*chosenClock) : session->clock();
    const int code = SetupExchange(session->transport(), clock, frame, reply).setClock();
    return reportResult(*session, code, QStringLiteral("Fail code=%1").arg(code));
}

int runSetInterval(CommandContext& context) {
    const QString text = context.arguments().first();
    const QStringList fields = text.split(u':');
    if (fields.size() != 2)
        return context.usageError(QStringLiteral("the interval is MM:SS, e.g. 00:30"));
    const auto interval = meter_config::parseInterval(fields[0], fields[1]);
    if (!interval) {
        console::error(meter_config::kInvalidInterval);
        return ExitUsage;
    }

    const auto session = MeterSession::open(context.global);
    if (!session)
        return ExitUsage;
    if (!session->connect())
        return MeterSession::noMeter();
    CommandFrame frame;
    SetupExchange::Reply reply{};
    const int code = SetupExchange(session->transport(), session->clock(), frame, reply)
                         .setInterval(interval->minutesBcd, interval->secondsBcd);
    return reportResult(*session, code, QStringLiteral("Fail"));
}

} // namespace

CommandEntry setClockCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("set-clock");
    entry.synopsis = QStringLiteral("set-clock [--time ISO]");
    entry.summary = QStringLiteral("set the meter's clock to the computer's time or a given one");
    entry.description = QStringLiteral(
        "Sets the meter's clock as the setup window's \"Adjust Meter Time To Computer Time\" does (up to\n"
        "three tries), to the computer's time or to the time given with --time. Prints OK, or the\n"
        "failure (\"Fail code=\" and the code) on standard error.");
    entry.options = {timeOption()};
    entry.run = runSetClock;
    return entry;
}

CommandEntry setIntervalCommand() {
    CommandEntry entry;
    entry.name = QStringLiteral("set-interval");
    entry.synopsis = QStringLiteral("set-interval MM:SS");
    entry.summary = QStringLiteral("set the meter's recording interval");
    entry.description = QStringLiteral(
        "Sets the meter's recording interval as the setup window's \"Adjust Meter Recording Interval \"\n"
        "does (up to three tries). MM and SS are one or two digits each, at most 60 each and not both\n"
        "0; anything else is refused with \"Invalid Input\" and nothing is sent.");
    entry.minArguments = 1;
    entry.maxArguments = 1;
    entry.run = runSetInterval;
    return entry;
}
