#pragma once
#include <QString>

// Where the program finds the files that come with it. Two layouts are served by the same lookup:
// - the build folder (and a portable copy): the help file and the template folder lie beside the
//   program, as they did on the desktop the program comes from;
// - an installed program (`cmake --install`, the Debian package): the program lies in <prefix>/bin
//   and its files in <prefix>/share/qz407, found relative to the program so any prefix works.

// The program's own folder (QCoreApplication::applicationDirPath), or the test override.
QString programFolder();
// Makes programFolder() return `folder` (tests); an empty text restores the real folder.
void setProgramFolderOverride(const QString& folder);

// <program folder>/../share/qz407 for an installed program; the folder need not exist.
QString installedDataFolder();

// The first of <program folder>/<name> and <installed data folder>/<name> that exists, or an empty
// text when neither does.
QString findProgramFile(const QString& name);

// True when the program runs from an installed layout (its installed data folder exists).
bool runsInstalled();

// Where files the program writes for itself, such as the graph template, go: the program's folder in
// the build folder or a portable copy; the user's own data folder for the program
// (~/.local/share/QZ407/QZ407 and the like) once installed, since <prefix>/bin is not the user's.
QString programWriteFolder();
