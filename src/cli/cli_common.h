#pragma once
// What every command of qz407-cli shares: the exit codes, the console, the global options and the
// table entry by which a command is described, parsed and run.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <string_view>

enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,   // bad usage: unknown command or option, a value that cannot be right
    ExitNoMeter = 2, // no meter found, or the connection was lost
    ExitFailed = 3,  // the meter or a file reported an error
    ExitBroker = 4,  // the MQTT broker could not be reached or refused the connection
};

// Standard output carries the command's result, standard error messages and progress.
namespace console {
// Writes bytes as they are (no line-end translation); false when the write failed.
bool out(std::string_view bytes);
bool outLine(const QString& line);
bool flushOut();
// "qz407-cli: " and the message on standard error.
void error(const QString& message);
// Text on standard error as it is (progress).
void errRaw(std::string_view text);
bool stderrIsTerminal();
} // namespace console

// Options that every command takes, before or after its name.
struct GlobalOptions {
    bool demo = false;
    QString locale;           // empty: the environment's
    QString demoFaults;       // test and demo aid: what the simulated meter gets wrong
    bool virtualTime = false; // test and demo aid: waits cost no real time (simulated meter only)
};

struct CommandEntry;

// One run of a command: its parsed options and positional arguments.
struct CommandContext {
    const CommandEntry& entry;
    const QCommandLineParser& parser;
    GlobalOptions global;

    QStringList arguments() const { return parser.positionalArguments(); }
    // Writes the message and the command's usage line on standard error; returns ExitUsage.
    int usageError(const QString& message) const;
};

struct CommandEntry {
    QString name;
    QString synopsis;    // after "qz407-cli [global options] "
    QString summary;     // one line, for the command list
    QString description; // a paragraph, for the command's --help
    QList<QCommandLineOption> options;
    int minArguments = 0;
    int maxArguments = 0;
    int (*run)(CommandContext&) = nullptr;
};

// The commands, in the order the help lists them.
CommandEntry infoCommand();
CommandEntry downloadCommand();
CommandEntry exportCommand();
CommandEntry liveCommand();
CommandEntry logCommand();
CommandEntry setClockCommand();
CommandEntry setIntervalCommand();
CommandEntry reportCommand();

// "Usage: qz407-cli [--demo] [--locale NAME] <synopsis>"
QString usageLine(const CommandEntry& entry);
