#include "collection_file.h"

#include "logger/data_set_decoder.h"
#include "platform/checked_save_file.h"
#include "platform/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <new>

namespace {

constexpr char TempFolderName[] = "temp";
constexpr char TempImageName[] = "DataSetsTemp.tmp";

// Writes `bytes` as `path` through a checked save file, so a failure leaves any older file untouched.
bool saveWhole(const QString& path, std::span<const uint8_t> bytes, QString* error = nullptr) {
    return saveFileWhole(path, bytes, error);
}

// Reads a whole file; false when it cannot be opened, is larger than a collection may be, or fewer
// bytes come than its size promised.
bool readWhole(const QString& path, MemoryImage& into, QString* error = nullptr) {
    QFile file(path);
    auto fail = [&] {
        if (error)
            *error = file.errorString();
        into.clear();
        return false;
    };
    if (!file.open(QIODevice::ReadOnly))
        return fail();
    const qint64 size = file.size();
    if (size < 0)
        return fail();
    if (size > CollectionFileMaxBytes) {
        if (error)
            *error =
                QStringLiteral("it holds %1 bytes, more than a meter's memory could ever fill").arg(size);
        into.clear();
        return false;
    }
    into.resize(static_cast<std::size_t>(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(reinterpret_cast<char*>(into.data()) + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done != size)
        return fail();
    return true;
}

} // namespace

bool readCollectionFile(const QString& path, MemoryImage& image, QString* error) {
    return readWhole(path, image, error);
}

QString effectiveDataFolder(const QString& dataFolder) {
    return dataFolder.isEmpty() ? QCoreApplication::applicationDirPath() : dataFolder;
}

QString temporaryImageFolder(const QString& dataFolder) {
    return QDir(effectiveDataFolder(dataFolder)).filePath(TempFolderName);
}

QString temporaryImagePath(const QString& dataFolder) {
    return QDir(temporaryImageFolder(dataFolder)).filePath(TempImageName);
}

TempImageWrite writeTemporaryImage(const QString& dataFolder, std::span<const uint8_t> image) {
    const QString folder = temporaryImageFolder(dataFolder);
    if (!QDir().mkpath(folder))
        return TempImageWrite::FolderFailed;
    return saveWhole(temporaryImagePath(dataFolder), image) ? TempImageWrite::Written
                                                            : TempImageWrite::FileFailed;
}

SaveCollectionResult saveCollection(Prompter& prompter, const QString& dataFolder,
                                    std::span<const uint8_t> unwritten, const QString& startFolder,
                                    QString* savedName) {
    Prompter::FileRequest request;
    request.filter = QString::fromLatin1(CollectionSaveFilter);
    request.defaultExt = QString::fromLatin1(CollectionDefaultExt);
    request.initialDir = startFolder.isEmpty() ? effectiveDataFolder(dataFolder) : startFolder;
    if (!prompter.saveFile(request))
        return SaveCollectionResult::Cancelled;

    MemoryImage image;
    QString readError;
    if (unwritten.empty() && !readWhole(temporaryImagePath(dataFolder), image, &readError)) {
        // Saying nothing would let the user believe the download saved.
        prompter.message(
            QStringLiteral("Nothing was saved: the downloaded data could not be read from %1: %2")
                .arg(QDir::toNativeSeparators(temporaryImagePath(dataFolder)), readError));
        return SaveCollectionResult::NoTemporaryImage;
    }
    QString error;
    if (!saveWhole(request.fileName, unwritten.empty() ? std::span<const uint8_t>(image) : unwritten,
                   &error)) {
        prompter.message(QDir::toNativeSeparators(request.fileName) + QStringLiteral(": ") + error);
        return SaveCollectionResult::WriteFailed;
    }
    if (savedName)
        *savedName = request.fileName;
    return SaveCollectionResult::Saved;
}

OpenCollectionResult openCollection(Prompter& prompter, DataSetStore& store, const QString& dataFolder,
                                    const QDateTime& now, const QString& startFolder) {
    OpenCollectionResult result;
    Prompter::FileRequest request;
    request.filter = QString::fromLatin1(CollectionOpenFilter);
    request.defaultExt = QString::fromLatin1(CollectionDefaultExt);
    request.initialDir = startFolder.isEmpty() ? effectiveDataFolder(dataFolder) : startFolder;
    if (!prompter.openFile(request))
        return result;
    return openCollectionFile(prompter, store, dataFolder, now, request.fileName);
}

OpenCollectionResult openCollectionFile(Prompter& prompter, DataSetStore& store, const QString& dataFolder,
                                        const QDateTime& now, const QString& fileName) {
    OpenCollectionResult result;
    result.path = fileName;

    const QString shown = QDir::toNativeSeparators(fileName);
    const qint64 size = QFileInfo(fileName).size();
    if (size > CollectionFileMaxBytes) {
        prompter.message(QStringLiteral("%1 is not a data set collection file: it holds %2 bytes, more "
                                        "than a meter's memory could ever fill.")
                             .arg(shown)
                             .arg(size));
        result.outcome = OpenCollectionResult::TooLarge;
        return result;
    }

    // The file is read and decoded beside the store, which changes only once the decode succeeded.
    DataSetStore read;
    try {
        if (!readCollectionFile(fileName, read.image)) {
            result.outcome = OpenCollectionResult::Unreadable;
            return result;
        }
        if (read.image.empty()) {
            result.outcome = OpenCollectionResult::Empty;
            return result;
        }
        result.decodeCode = decodeDataSets(read, now, &result.truncated);
    } catch (const std::bad_alloc&) {
        prompter.message(QStringLiteral("There is not enough memory to open %1.").arg(shown));
        result.outcome = OpenCollectionResult::OutOfMemory;
        return result;
    }
    switch (result.decodeCode) {
    case DecodeOk:
        store.sets = std::move(read.sets);
        store.sampleValues = std::move(read.sampleValues);
        store.sampleTimes = std::move(read.sampleTimes);
        switch (writeTemporaryImage(dataFolder, read.image)) {
        case TempImageWrite::FolderFailed:
            prompter.message(QDir::toNativeSeparators(temporaryImageFolder(dataFolder)));
            result.outcome = OpenCollectionResult::TempFolderFailed;
            result.unwrittenImage = std::move(read.image);
            break;
        case TempImageWrite::FileFailed:
            // The older temporary file no longer matches the sets on show: "save all data sets"
            // must save this image, kept in memory, instead.
            result.outcome = OpenCollectionResult::Decoded;
            result.unwrittenImage = std::move(read.image);
            break;
        case TempImageWrite::Written:
            result.outcome = OpenCollectionResult::Decoded;
            break;
        }
        break;
    case DecodeTooManySets:
        result.outcome = OpenCollectionResult::TooManySets;
        break;
    default:
        result.outcome = OpenCollectionResult::NoDataSets;
        break;
    }
    store.image = MemoryImage();
    return result;
}
