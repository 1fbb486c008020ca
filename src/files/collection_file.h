#pragma once
#include "logger/data_set.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <span>

class Prompter;

// Texts and dialog settings of the collection file dialogs.
inline constexpr char CollectionSaveFilter[] = "Data Set Collection file(*.407,only for QZ407)|*.407";
inline constexpr char CollectionOpenFilter[] = "Data Sets Collection (*.407)|*.407";
inline constexpr char CollectionDefaultExt[] = "REC";

// Reads a collection file whole into `image`. False, with the reason in `error` when given, when
// the file cannot be opened or read or is larger than CollectionFileMaxBytes; `image` is then empty.
bool readCollectionFile(const QString& path, MemoryImage& image, QString* error = nullptr);

// The data folder as used by the file commands: `dataFolder`, or the program's own folder when
// it is empty.
QString effectiveDataFolder(const QString& dataFolder);

// The folder "temp" inside the data folder, and the temporary image file in it, which holds the
// image of the last successful decode so that "save all data sets" can copy it later.
QString temporaryImageFolder(const QString& dataFolder);
QString temporaryImagePath(const QString& dataFolder);

enum class TempImageWrite {
    Written,
    FolderFailed, // the temp folder does not exist and cannot be created
    FileFailed,   // the file could not be written; an older one stays as it was
};

// Writes `image` whole as the temporary image file, replacing an older one only once all bytes
// are safely on disk. On FolderFailed the calling command reports the folder's path and ends.
TempImageWrite writeTemporaryImage(const QString& dataFolder, std::span<const uint8_t> image);

// The largest collection file the program opens. The meter holds at most 256 KiB, so anything much
// larger cannot be one of its images and is refused before a byte is read.
inline constexpr qint64 CollectionFileMaxBytes = 16 * 1024 * 1024;

enum class SaveCollectionResult {
    Cancelled,        // the user cancelled the dialog; nothing changed
    Saved,            // the temporary image file was copied to the chosen file
    NoTemporaryImage, // there was nothing to copy: said with the reason; nothing was written
    WriteFailed,      // the chosen file could not be written; an older one stays intact
};

// Asks for a collection file name and copies the temporary image file to it byte for byte. The
// caller clears its unsaved-data flag only when the result is Saved. A failed
// write is reported to the user with the file's path and the system's reason, so that data the
// user believes saved is not silently lost. `unwritten`, when not empty, is the image of the last
// decode that could not be written as the temporary image file (its folder could not be made);
// it is saved instead of the older file, which no longer matches the sets on show.
// `startFolder`, when not empty, is where the file dialog starts instead of the data folder.
SaveCollectionResult saveCollection(Prompter& prompter, const QString& dataFolder,
                                    std::span<const uint8_t> unwritten = {}, const QString& startFolder = {},
                                    QString* savedName = nullptr);

struct OpenCollectionResult {
    enum Outcome {
        Cancelled,        // the user cancelled the dialog
        Unreadable,       // the file could not be opened or read
        TooLarge,         // larger than CollectionFileMaxBytes: refused with a message, nothing read
        OutOfMemory,      // memory ran out while reading or decoding: reported, store unchanged
        Empty,            // the file holds no byte
        Decoded,          // sets decoded and saved as the temporary image: show set 0
        NoDataSets,       // decode result 6; the store is unchanged
        TooManySets,      // decode result 2; the store is unchanged
        TempFolderFailed, // sets decoded, but the temp folder could not be made (path shown)
    };
    Outcome outcome = Cancelled;
    int decodeCode = -1;    // the decoder's result, -1 when it did not run
    bool truncated = false; // the file ended before all the sets it claims
    QString path;           // the chosen file
    // The image that could not be written as the temporary image file (on TempFolderFailed, and on
    // Decoded when the file itself could not be written), for a later "save all data sets".
    MemoryImage unwrittenImage;
};

// Asks for a collection file, reads it whole into the store's image and decodes it exactly as
// after a download. On Decoded and TempFolderFailed the store holds the new sets, and the caller
// lists them; only on Decoded does it show the first set. The store's image is empty on return.
// A file above CollectionFileMaxBytes, and a read or decode that runs out of memory, end the open
// with a message and leave the store as it was.
OpenCollectionResult openCollection(Prompter& prompter, DataSetStore& store, const QString& dataFolder,
                                    const QDateTime& now, const QString& startFolder = {});
// The same for a file already chosen (the command line, a drop, the recent files).
OpenCollectionResult openCollectionFile(Prompter& prompter, DataSetStore& store, const QString& dataFolder,
                                        const QDateTime& now, const QString& fileName);
