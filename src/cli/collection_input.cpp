#include "collection_input.h"

#include "cli/cli_common.h"
#include "files/collection_file.h"
#include "logger/data_set_decoder.h"

#include <QDateTime>
#include <QDir>

int readCollectionSets(const QString& path, DataSetStore& store) {
    const QString shown = QDir::toNativeSeparators(path);
    QString error;
    if (!readCollectionFile(path, store.image, &error)) {
        console::error(shown + QStringLiteral(": ") + error);
        return ExitFailed;
    }
    if (store.image.empty()) {
        console::error(shown + QStringLiteral(": the file is empty"));
        return ExitFailed;
    }
    bool truncated = false;
    const int code = decodeDataSets(store, QDateTime::currentDateTime(), &truncated);
    store.image = MemoryImage();
    if (code == DecodeNoDataSets) {
        console::error(shown + QStringLiteral(": holds no data set"));
        return ExitFailed;
    }
    if (code == DecodeTooManySets) {
        console::error(shown + QStringLiteral(": claims more than %1 data sets").arg(MaxDataSets));
        return ExitFailed;
    }
    if (truncated)
        console::error(shown + QStringLiteral(": the file ends before all the data sets it claims; %1 read")
                                   .arg(store.sets.size()));
    return ExitOk;
}

int checkSetNumber(const QString& path, const DataSetStore& store, int setNumber) {
    // The command line was right; the file holds fewer sets than asked for.
    if (setNumber > int(store.sets.size())) {
        console::error(QStringLiteral("there is no data set %1: %2 holds %3")
                           .arg(setNumber)
                           .arg(QDir::toNativeSeparators(path))
                           .arg(store.sets.size()));
        return ExitFailed;
    }
    return ExitOk;
}
