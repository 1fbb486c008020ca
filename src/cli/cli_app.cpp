#include "cli_app.h"

#include "cli_common.h"
#include "platform/version_info.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

const QString Program = QStringLiteral("qz407-cli");

QCommandLineOption demoOption() {
    return QCommandLineOption(QStringLiteral("demo"),
                              QStringLiteral("Use the built-in simulated meter instead of a meter on USB."));
}
QCommandLineOption localeOption() {
    return QCommandLineOption(QStringLiteral("locale"),
                              QStringLiteral("Dates, times and numbers of txt and csv output and of\n"
                                             "reports in this locale (C, en_US, de_DE, ...);\n"
                                             "default: the environment's."),
                              QStringLiteral("NAME"));
}
// Test and demo aids, for the simulated meter only: a fault plan, and virtual time in which waits
// cost nothing. Left out of the help.
QCommandLineOption demoFaultOption() {
    QCommandLineOption o(QStringLiteral("demo-fault"), QStringLiteral("Faults of the simulated meter."),
                         QStringLiteral("PLAN"));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    return o;
}
QCommandLineOption virtualTimeOption() {
    QCommandLineOption o(QStringLiteral("demo-virtual-time"),
                         QStringLiteral("Run the simulated meter in virtual time."));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    return o;
}
QCommandLineOption helpOption() {
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Show this help."));
}
QCommandLineOption versionOption() {
    return QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("Show the program's version."));
}

QList<QCommandLineOption> globalOptions() {
    return {demoOption(), localeOption(), demoFaultOption(), virtualTimeOption()};
}

const QList<CommandEntry>& commands() {
    static const QList<CommandEntry> all = {infoCommand(),     downloadCommand(),   exportCommand(),
                                            reportCommand(),   liveCommand(),       logCommand(),
                                            setClockCommand(), setIntervalCommand()};
    return all;
}

const CommandEntry* findCommand(const QString& name) {
    for (const CommandEntry& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

QString optionList(const QList<QCommandLineOption>& options) {
    QString text;
    for (const QCommandLineOption& o : options) {
        if (o.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString& n : o.names())
            names << (n.size() == 1 ? u'-' + n : QStringLiteral("--") + n);
        QString head = QStringLiteral("    ") + names.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            head += u' ' + o.valueName();
        const QStringList lines = o.description().split(u'\n');
        if (head.size() > 25)
            text += head + u'\n' + QString(26, u' ') + lines.first() + u'\n';
        else
            text += head.leftJustified(26) + lines.first() + u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            text += QString(26, u' ') + lines[i] + u'\n';
    }
    return text;
}

QString mainUsage() {
    QStringList names;
    for (const CommandEntry& c : commands())
        names << c.name;
    return QStringLiteral("Usage: %1 [--demo] [--locale NAME] COMMAND [options]\n"
                          "Commands: %2\n"
                          "Try '%1 --help' or '%1 COMMAND --help' for more.\n")
        .arg(Program, names.join(QStringLiteral(", ")));
}

int mainUsageError(const QString& message) {
    console::error(message);
    console::errRaw(mainUsage().toStdString());
    return ExitUsage;
}

bool printOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return console::out(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// A locale named on the command line must exist: an unknown name would quietly give the C locale.
bool applyLocale(const QString& name) {
    if (name.isEmpty())
        return true;
    const QLocale locale(name);
    const bool isC = name == QLatin1String("C") || name == QLatin1String("POSIX");
    if (locale.language() == QLocale::C && !isC)
        return false;
    QLocale::setDefault(isC ? QLocale::c() : locale);
    return true;
}

} // namespace

QString usageLine(const CommandEntry& entry) {
    return QStringLiteral("Usage: %1 [--demo] [--locale NAME] %2").arg(Program, entry.synopsis);
}

int CommandContext::usageError(const QString& message) const {
    console::error(entry.name + QStringLiteral(": ") + message);
    console::errRaw(
        (usageLine(entry) + QStringLiteral("\nTry '%1 %2 --help' for more.\n").arg(Program, entry.name))
            .toStdString());
    return ExitUsage;
}

QString programHelp() {
    QString text;
    text += QStringLiteral("NAME\n    %1 - command-line companion of the QZ407 CO2, humidity and temperature "
                           "meter\n\n")
                .arg(Program);
    text += QStringLiteral(
                "SYNOPSIS\n    %1 [--demo] [--locale NAME] COMMAND [options]\n    %1 COMMAND --help\n\n")
                .arg(Program);
    text += QStringLiteral(
        "DESCRIPTION\n"
        "    Reads the meter's information, downloads its logging memory into a collection file (.407),\n"
        "    exports collection files as text, makes PDF reports of data sets and graph files, shows\n"
        "    live readings, logs them into a file a day and publishes them to an MQTT broker (with Home\n"
        "    Assistant discovery), and sets the meter's clock and recording interval, on the same\n"
        "    libraries as the desktop program: the same exchanges, retries, decoding, text formats\n"
        "    and reports.\n\n");
    text += QStringLiteral("COMMANDS\n");
    for (const CommandEntry& c : commands())
        text += (QStringLiteral("    ") + c.name).leftJustified(18) + c.summary + u'\n';
    text += QStringLiteral("\nGLOBAL OPTIONS\n");
    text += optionList(globalOptions());
    text += optionList({helpOption(), versionOption()});
    text += QStringLiteral(
        "\nOUTPUT\n"
        "    txt    the program's text file: date TAB time TAB ppm TAB %RH TAB temperature, CR LF,\n"
        "           dates, times and numbers in the locale, \" OL\" / \" -OL\" outside the range\n"
        "    csv    the same with commas (semicolons where the decimal separator is a comma)\n"
        "    jsonl  one JSON object a line, ISO 8601 times, values as numbers, null and a flag\n"
        "           (\"ppm_flag\": \"OL\") outside the range; the same in every locale\n"
        "    influx InfluxDB line protocol: qz407,serial=SN co2=..,humidity=..,temperature=..,\n"
        "           unit=\"C\" and the time in UTC nanoseconds; a value outside the range is left\n"
        "           out and named (co2_flag=\"OL\")\n");
    text += QStringLiteral("\nEXIT STATUS\n"
                           "    0  success\n"
                           "    1  bad usage\n"
                           "    2  no meter found, or the connection was lost\n"
                           "    3  the meter or a file reported an error (message on standard error)\n"
                           "    4  the MQTT broker could not be reached or refused the connection\n");
    text += QStringLiteral(
        "\nFILES\n"
        "    The desktop program's settings (RealTimeRate: the default interval of live) and its data\n"
        "    folder (QZ407 in the documents folder: where download writes without -o).\n");
    return text;
}

QString commandHelp(const QString& command) {
    const CommandEntry* entry = findCommand(command);
    if (!entry)
        return {};
    QString text = usageLine(*entry) + QStringLiteral("\n\n") + entry->description + QStringLiteral("\n\n");
    QList<QCommandLineOption> options = entry->options;
    options << helpOption();
    text += QStringLiteral("Options:\n") + optionList(options);
    text += QStringLiteral("\nGlobal options: --demo, --locale NAME (see '%1 --help').\n").arg(Program);
    return text;
}

QString commandNameOf(const QStringList& arguments) {
    QCommandLineParser top;
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    top.addOptions(globalOptions());
    top.addOption(helpOption());
    top.addOption(versionOption());
    if (!top.parse(arguments))
        return {};
    return top.positionalArguments().value(0);
}

bool commandNeedsDrawing(const QStringList& arguments) {
    return commandNameOf(arguments) == QLatin1String("report");
}

int runCli(const QStringList& arguments) {
    const QString program = arguments.value(0, Program);
    QCommandLineParser top;
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    top.addOptions(globalOptions());
    top.addOption(helpOption());
    top.addOption(versionOption());
    top.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));
    if (!top.parse(arguments))
        return mainUsageError(top.errorText());

    QStringList rest = top.positionalArguments();
    if (top.isSet(versionOption())) {
        printOut(QStringLiteral("%1 %2\n").arg(Program, readFileVersion(VersionBlock::program())));
        return ExitOk;
    }
    if (rest.isEmpty()) {
        if (top.isSet(helpOption())) {
            printOut(programHelp());
            return ExitOk;
        }
        return mainUsageError(QStringLiteral("no command given"));
    }
    const QString name = rest.takeFirst();
    if (name == QLatin1String("help")) {
        if (rest.isEmpty()) {
            printOut(programHelp());
            return ExitOk;
        }
        if (!findCommand(rest.first()))
            return mainUsageError(QStringLiteral("unknown command '%1'").arg(rest.first()));
        printOut(commandHelp(rest.first()));
        return ExitOk;
    }
    const CommandEntry* entry = findCommand(name);
    if (!entry)
        return mainUsageError(QStringLiteral("unknown command '%1'").arg(name));
    if (top.isSet(helpOption())) {
        printOut(commandHelp(name));
        return ExitOk;
    }

    QCommandLineParser parser;
    parser.addOptions(entry->options);
    parser.addOptions(globalOptions());
    parser.addOption(helpOption());
    CommandContext context{*entry, parser, {}};
    if (!parser.parse(QStringList{program} + rest))
        return context.usageError(parser.errorText());
    if (parser.isSet(helpOption())) {
        printOut(commandHelp(name));
        return ExitOk;
    }

    // Global options may come before or after the command's name; the later one counts.
    GlobalOptions& g = context.global;
    for (const QCommandLineParser* p : std::initializer_list<const QCommandLineParser*>{&top, &parser}) {
        g.demo = g.demo || p->isSet(demoOption());
        g.virtualTime = g.virtualTime || p->isSet(virtualTimeOption());
        if (p->isSet(localeOption()))
            g.locale = p->value(localeOption());
        if (p->isSet(demoFaultOption()))
            g.demoFaults = p->value(demoFaultOption());
    }
    if ((g.virtualTime || !g.demoFaults.isEmpty()) && !g.demo)
        return context.usageError(QStringLiteral("--demo-fault and --demo-virtual-time need --demo"));
    if (!applyLocale(g.locale))
        return context.usageError(QStringLiteral("unknown locale '%1'").arg(g.locale));

    const qsizetype count = context.arguments().size();
    if (count < entry->minArguments)
        return context.usageError(QStringLiteral("missing argument"));
    if (count > entry->maxArguments)
        return context.usageError(
            QStringLiteral("unexpected argument '%1'").arg(context.arguments().value(entry->maxArguments)));
    return entry->run(context);
}
