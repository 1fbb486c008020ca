// Writing a file whole or not at all: on a full disk, or when the last flush fails, the old file
// stays byte for byte and the reason is the operating system's.
#include "platform/checked_save_file.h"
#include "support/small_file_system.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_checked_save_file {

QByteArray pattern(int size) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char('a' + (i * 7) % 26);
    return b;
}

TEST(CheckedSaveFile, WritesTheWholeFileAndReplacesTheOldOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("data.txt");
    writeAll(path, "old contents");
    CheckedSaveFile file(path);
    ASSERT_TRUE(file.open());
    EXPECT_TRUE(file.write(pattern(70000)));
    EXPECT_TRUE(file.write(std::string_view("tail")));
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(readAll(path), pattern(70000) + "tail");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.txt"}); // no temporary left
}

TEST(CheckedSaveFile, AFailedFlushKeepsTheOldFileAndGivesTheReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath("data.ghf");
    writeAll(path, "old contents");
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    CheckedSaveFile file(path);
    ASSERT_TRUE(file.open());
    EXPECT_TRUE(file.write(pattern(10000)));
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(file.failed());
    EXPECT_EQ(file.errorString(), "No space left on device");
    EXPECT_EQ(readAll(path), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.ghf"});
    // The failure was for that one commit only.
    QString error;
    EXPECT_TRUE(saveFileWhole(path, QByteArray("new"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), "new");
}

TEST(CheckedSaveFile, AFolderThatCannotBeWrittenIsTold) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(saveFileWhole(dir.filePath("missing/folder/data.txt"), QByteArray("x"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The real thing: a disk with 4 KiB free and a 10,000-byte file, where QSaveFile alone reports
// success and leaves a cut-short file.
TEST(CheckedSaveFile, AFullDiskKeepsTheOldFileByteForByte) {
    SmallFileSystem disk(64);
    if (!disk.available())
        GTEST_SKIP() << SmallFileSystem::skipReason();
    const QString path = disk.filePath("old.txt");
    const QByteArray old = pattern(3000);
    writeAll(path, old);
    disk.fill(4096);
    QString error;
    EXPECT_FALSE(saveFileWhole(path, pattern(10000), &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(readAll(path), old);
    disk.empty();
    EXPECT_TRUE(saveFileWhole(path, pattern(10000), &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), pattern(10000));
}

} // namespace test_checked_save_file
