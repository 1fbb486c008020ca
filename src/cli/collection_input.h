#pragma once
// Reading a collection file (.407) for a command, as the desktop program opens one: read whole,
// decoded into data sets. What goes wrong is said on standard error.
#include "logger/data_set.h"

#include <QString>

// Fills `store` with the file's data sets (its image emptied again). ExitOk, or ExitFailed when
// the file cannot be read, is empty or holds no set that can be decoded. A file that ends before
// all the sets it claims is read as far as it goes, with a warning.
int readCollectionSets(const QString& path, DataSetStore& store);

// ExitOk when the store holds set number `setNumber` (1 is the first; 0 asks for none in
// particular), ExitFailed with a message otherwise.
int checkSetNumber(const QString& path, const DataSetStore& store, int setNumber);
