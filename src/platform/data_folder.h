#pragma once
#include <QString>

// The program's data folder: "QZ407" inside the documents folder, created when missing, ending with
// a separator; the documents folder itself when it cannot be created; empty when there is no
// documents folder (users then take the program's own folder).
QString settleDataFolder(const QString& documentsFolder);
// The documents folder the platform reports, or empty.
QString documentsFolder();
// `dataFolder`, or the program's own folder with a separator when it is empty.
QString dataFolderOrProgramFolder(const QString& dataFolder);
