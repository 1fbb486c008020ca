#include "files/collection_file.h"
#include "logger/data_set_decoder.h"
#include "platform/checked_save_file.h"
#include "support/memory_images.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_collection_file {

const QDateTime Now(QDate(2026, 7, 31), QTime(14, 5, 9));

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class CollectionFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString dataFolder = dir.path() + "/data/";
    ScriptedPrompter prompter;
    DataSetStore store;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dataFolder));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    OpenCollectionResult open(const QString& file) {
        prompter.files.push_back(file);
        return openCollection(prompter, store, dataFolder, Now);
    }
};

TEST(CollectionFilePaths, TemporaryImageUnderTheDataFolderOrTheProgramFolder) {
    EXPECT_EQ(temporaryImagePath("/home/u/Documents/QZ407/"),
              "/home/u/Documents/QZ407/temp/DataSetsTemp.tmp");
    EXPECT_EQ(temporaryImageFolder(""), QCoreApplication::applicationDirPath() + "/temp");
    EXPECT_EQ(temporaryImagePath(""), QCoreApplication::applicationDirPath() + "/temp/DataSetsTemp.tmp");
}

TEST_F(CollectionFileTest, TemporaryImageIsWrittenWholeWithItsExactSize) {
    const MemoryImage big = collectionImage(2, 3, 2);
    ASSERT_EQ(writeTemporaryImage(dataFolder, big), TempImageWrite::Written);
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(big));
    const MemoryImage small = collectionImage(1, 0, 1);
    ASSERT_EQ(writeTemporaryImage(dataFolder, small), TempImageWrite::Written);
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(small));
}

TEST_F(CollectionFileTest, SaveCopiesTheTemporaryImageByteForByte) {
    const MemoryImage image = collectionImage(2, 5, 2);
    ASSERT_EQ(writeTemporaryImage(dataFolder, image), TempImageWrite::Written);
    prompter.files = {path("walk"), path("kept.407")};
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::Saved);
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::Saved);

    ASSERT_EQ(prompter.fileRequests.size(), 2);
    const Prompter::FileRequest& r = prompter.fileRequests[0];
    EXPECT_EQ(r.filter, "Data Set Collection file(*.407,only for QZ407)|*.407");
    EXPECT_EQ(r.defaultExt, "REC");
    EXPECT_EQ(r.initialDir, dataFolder);
    // A name typed without extension takes the default extension, not 407.
    EXPECT_EQ(readAll(path("walk.REC")), bytesOf(image));
    EXPECT_EQ(readAll(path("kept.407")), bytesOf(image));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(CollectionFileTest, SaveCancelledOrWithoutTemporaryImageWritesNothing) {
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::Cancelled);
    prompter.files = {path("none.407")};
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::NoTemporaryImage);
    EXPECT_FALSE(QFile::exists(path("none.407")));
    // Not a word would let the user believe the download saved.
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(
        prompter.shown[0].startsWith("Nothing was saved: the downloaded data could not be read from " +
                                     QDir::toNativeSeparators(temporaryImagePath(dataFolder)) + ": "));
}

TEST_F(CollectionFileTest, AFullDiskKeepsTheOlderCollectionAndSaysWhy) {
    const MemoryImage image = collectionImage(2, 5, 2);
    ASSERT_EQ(writeTemporaryImage(dataFolder, image), TempImageWrite::Written);
    writeFile(path("old.407"), "the collection saved before");
    prompter.files = {path("old.407")};
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::WriteFailed);
    EXPECT_EQ(readAll(path("old.407")), "the collection saved before");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0], QDir::toNativeSeparators(path("old.407")) + ": No space left on device");
}

TEST_F(CollectionFileTest, ATemporaryImageThatCannotBeWrittenIsKeptForSaveAll) {
    // The image of an earlier decode is in the temporary file; the next one cannot replace it.
    const MemoryImage earlier = collectionImage(1, 1, 1);
    ASSERT_EQ(writeTemporaryImage(dataFolder, earlier), TempImageWrite::Written);
    const MemoryImage later = collectionImage(2, 5, 2);
    writeFile(path("later.407"), bytesOf(later));
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    OpenCollectionResult result = open(path("later.407"));
    EXPECT_EQ(result.outcome, OpenCollectionResult::Decoded);
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(earlier));
    ASSERT_EQ(result.unwrittenImage, later);
    // "Save all data sets" saves the sets on show, not the older file.
    prompter.files = {path("saved.407")};
    EXPECT_EQ(saveCollection(prompter, dataFolder, result.unwrittenImage), SaveCollectionResult::Saved);
    EXPECT_EQ(readAll(path("saved.407")), bytesOf(later));
}

TEST_F(CollectionFileTest, FailedSaveIsReportedAndLeavesNoFile) {
    ASSERT_EQ(writeTemporaryImage(dataFolder, collectionImage(1, 1, 1)), TempImageWrite::Written);
    const QString target = path("missing/x.407");
    prompter.files = {target};
    EXPECT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::WriteFailed);
    EXPECT_FALSE(QFile::exists(target));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith(QDir::toNativeSeparators(target) + ": "));
}

TEST_F(CollectionFileTest, OpenDecodesAsAfterADownloadAndSavesBackEqual) {
    const MemoryImage image = collectionImage(2, 3, 2);
    writeFile(path("in.407"), bytesOf(image));
    const OpenCollectionResult r = open(path("in.407"));

    EXPECT_EQ(prompter.fileRequests[0].filter, "Data Sets Collection (*.407)|*.407");
    EXPECT_EQ(prompter.fileRequests[0].defaultExt, "REC");
    EXPECT_EQ(prompter.fileRequests[0].initialDir, dataFolder);
    EXPECT_EQ(r.outcome, OpenCollectionResult::Decoded);
    EXPECT_EQ(r.decodeCode, DecodeOk);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.path, path("in.407"));
    EXPECT_EQ(store.sets, decodeDataSets(image, Now).sets);
    EXPECT_EQ(store.sampleValues.size(), 18u);
    EXPECT_TRUE(store.image.empty());
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(image));

    prompter.files = {path("out.407")};
    ASSERT_EQ(saveCollection(prompter, dataFolder), SaveCollectionResult::Saved);
    EXPECT_EQ(readAll(path("out.407")), bytesOf(image));
}

TEST_F(CollectionFileTest, OpenWithoutDataSetsKeepsTheStoreAndTemporaryImage) {
    const MemoryImage earlier = collectionImage(1, 2, 1);
    writeFile(path("earlier.407"), bytesOf(earlier));
    ASSERT_EQ(open(path("earlier.407")).outcome, OpenCollectionResult::Decoded);
    const auto sets = store.sets;

    writeFile(path("zero.407"), bytesOf(collectionImage(1, 4, 0)));
    writeFile(path("many.407"), bytesOf(collectionImage(1, 4, 4001)));
    writeFile(path("empty.407"), QByteArray());
    writeFile(path("short.407"), QByteArray(37, '\x01'));
    EXPECT_EQ(open(path("zero.407")).outcome, OpenCollectionResult::NoDataSets);
    EXPECT_EQ(open(path("many.407")).outcome, OpenCollectionResult::TooManySets);
    EXPECT_EQ(open(path("empty.407")).outcome, OpenCollectionResult::Empty);
    EXPECT_EQ(open(path("nowhere.407")).outcome, OpenCollectionResult::Unreadable);
    const OpenCollectionResult tooShort = open(path("short.407"));
    EXPECT_EQ(tooShort.outcome, OpenCollectionResult::NoDataSets);
    EXPECT_TRUE(tooShort.truncated);
    EXPECT_EQ(openCollection(prompter, store, dataFolder, Now).outcome, OpenCollectionResult::Cancelled);

    EXPECT_EQ(store.sets, sets);
    EXPECT_TRUE(store.image.empty());
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(earlier));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(CollectionFileTest, OpenOfALyingFileKeepsTheWholeSets) {
    MemoryImage image = collectionImage(2, 3, 5);
    image.resize(image.size() + 7, 0x00); // the start of a third set that does not fit
    writeFile(path("lying.407"), bytesOf(image));
    const OpenCollectionResult r = open(path("lying.407"));
    EXPECT_EQ(r.outcome, OpenCollectionResult::Decoded);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(store.sets.size(), 2u);
    // The file is kept as it is, so saving it again gives the same bytes.
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(image));
}

TEST_F(CollectionFileTest, OpenWhenTheTemporaryFolderCannotBeMade) {
    writeFile(path("plain"), "x");
    writeFile(path("in.407"), bytesOf(collectionImage(1, 2, 1)));
    prompter.files.push_back(path("in.407"));
    const OpenCollectionResult r = openCollection(prompter, store, path("plain") + "/", Now);
    EXPECT_EQ(r.outcome, OpenCollectionResult::TempFolderFailed);
    EXPECT_EQ(store.sets.size(), 1u);
    EXPECT_EQ(prompter.shown, QStringList{QDir::toNativeSeparators(path("plain") + "/temp")});
    EXPECT_EQ(writeTemporaryImage(path("plain") + "/", collectionImage(1, 1, 1)),
              TempImageWrite::FolderFailed);
}

TEST_F(CollectionFileTest, HugeFileIsRefusedWithAMessageAndTheStoreKept) {
    writeFile(path("two.407"), bytesOf(collectionImage(2, 3, 2)));
    ASSERT_EQ(open(path("two.407")).outcome, OpenCollectionResult::Decoded);
    const std::vector<float> values = store.sampleValues;

    // 64 GB of zeros, sparse; and one byte above the limit.
    QFile huge(path("huge.407"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64(64) << 30));
    huge.close();
    writeFile(path("over.407"), QByteArray(CollectionFileMaxBytes + 1, 0));
    for (const char* name : {"huge.407", "over.407"}) {
        prompter.shown.clear();
        const OpenCollectionResult r = open(path(name));
        EXPECT_EQ(r.outcome, OpenCollectionResult::TooLarge) << name;
        ASSERT_EQ(prompter.shown.size(), 1) << name;
        EXPECT_TRUE(prompter.shown[0].contains("is not a data set collection file"))
            << prompter.shown[0].toStdString();
        EXPECT_EQ(store.sets.size(), 2u);
        EXPECT_EQ(store.sampleValues, values);
        EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(collectionImage(2, 3, 2)));
    }
    // The limit itself is still a collection (of no sets here).
    writeFile(path("limit.407"), QByteArray(CollectionFileMaxBytes, 0));
    EXPECT_EQ(open(path("limit.407")).outcome, OpenCollectionResult::NoDataSets);
}

TEST_F(CollectionFileTest, SetsThatCouldNotBeWrittenAsTheTemporaryImageAreTheOnesSaved) {
    // An older temporary image exists; the new one cannot be written.
    ASSERT_EQ(writeTemporaryImage(dataFolder, collectionImage(1, 1, 1)), TempImageWrite::Written);
    const MemoryImage newer = collectionImage(3, 2, 3);
    prompter.files = {path("saved.407")};
    EXPECT_EQ(saveCollection(prompter, dataFolder, newer), SaveCollectionResult::Saved);
    EXPECT_EQ(readAll(path("saved.407")), bytesOf(newer));

    writeFile(path("plain"), "x");
    writeFile(path("in.407"), bytesOf(newer));
    prompter.files.push_back(path("in.407"));
    const OpenCollectionResult r = openCollection(prompter, store, path("plain") + "/", Now);
    ASSERT_EQ(r.outcome, OpenCollectionResult::TempFolderFailed);
    EXPECT_EQ(r.unwrittenImage, newer);
}

} // namespace test_collection_file
