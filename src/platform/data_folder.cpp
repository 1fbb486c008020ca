#include "data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {
QString withSeparator(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}
} // namespace

QString settleDataFolder(const QString& documents) {
    if (documents.isEmpty())
        return {};
    const QString folder = withSeparator(documents) + "QZ407";
    if (QDir().mkpath(folder))
        return withSeparator(folder);
    return withSeparator(documents);
}

QString documentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString dataFolderOrProgramFolder(const QString& dataFolder) {
    return dataFolder.isEmpty() ? withSeparator(QCoreApplication::applicationDirPath()) : dataFolder;
}
