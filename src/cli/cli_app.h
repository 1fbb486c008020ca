#pragma once
#include <QStringList>

// Parses the command line of qz407-cli (the program name first), runs the command it names and
// returns the exit code. Help and usage texts go to standard output and standard error.
int runCli(const QStringList& arguments);

// The man-page style help of the whole program, and of one command.
QString programHelp();
QString commandHelp(const QString& command);

// The name of the command a command line runs (after the global options), or empty.
QString commandNameOf(const QStringList& arguments);
// Whether that command draws with the GUI libraries (report): main() then starts the offscreen
// platform; every other command runs on QtCore alone and needs no display.
bool commandNeedsDrawing(const QStringList& arguments);
