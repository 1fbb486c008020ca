#include "install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QZ407_RELATIVE_DATADIR
#define QZ407_RELATIVE_DATADIR "../share/qz407"
#endif

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
} // namespace

QString programFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolderOverride(const QString& folder) {
    folderOverride() = folder;
}

QString installedDataFolder() {
    return QDir::cleanPath(QDir(programFolder()).filePath(QStringLiteral(QZ407_RELATIVE_DATADIR)));
}

QString findProgramFile(const QString& name) {
    for (const QString& folder : {programFolder(), installedDataFolder()}) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

bool runsInstalled() {
    return QFileInfo(installedDataFolder()).isDir();
}

QString programWriteFolder() {
    if (!runsInstalled())
        return programFolder();
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
