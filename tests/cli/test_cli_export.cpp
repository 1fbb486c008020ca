// qz407-cli export, run as a process, against the graph window's own export of the same file.
#include "cli_process.h"
#include "files/collection_file.h"
#include "files/file_commands.h"
#include "files/range_progress_dialog.h"
#include "files/text_files.h"
#include "graph/graph_window.h"
#include "link/demo_memory.h"
#include "logger/data_set_pane.h"
#include "platform/clock.h"
#include "support/memory_images.h"
#include "support/scripted_prompter.h"
#include "support/small_file_system.h"
#include "support/test_helpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_cli_export {

class CliExportTest : public ::testing::Test {
  protected:
    QTemporaryDir home;
    QString path(const QString& name) const { return home.filePath(name); }
    CliResult run(const QStringList& args) const { return runCliProcess(args, home.path()); }

    QString demoCollection() {
        const QString file = path("demo.407");
        const CliResult r = run({"--demo", "--demo-virtual-time", "download", "-o", file});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        return file;
    }

    // What the desktop program writes for set k of the collection: opened as its Open command
    // opens a collection, the set shown in the data-logger window, that window saved as text.
    QByteArray windowExport(const QString& collection, int k, const char* extension) {
        ScriptedPrompter prompter;
        prompter.files = {collection};
        DataSetStore store;
        const QString dataFolder = path("data");
        const OpenCollectionResult opened =
            openCollection(prompter, store, dataFolder, QDateTime::currentDateTime());
        EXPECT_EQ(opened.outcome, OpenCollectionResult::Decoded);
        GraphShared shared;
        GraphWindow window(prompter, shared);
        prepareDataLoggerWindow(window, store, toDateTimeValue(QDateTime::currentDateTime()));
        EXPECT_TRUE(showDataSet(window, store, k));
        prompter.dialogHandler = [](QDialog& d) {
            auto& scope = dynamic_cast<RangeProgressDialog&>(d);
            scope.okButton->click(); // "All" is chosen at the start
            return scope.result();
        };
        const QString out = path(QStringLiteral("window%1.%2").arg(k).arg(extension));
        const char sep = QByteArray(extension) == "csv" ? ',' : '\t';
        EXPECT_EQ(exportGraphText(prompter, graphSeriesOf(*window.chart), out, sep, &window),
                  TextExportResult::Written);
        return readAll(out);
    }
};

TEST_F(CliExportTest, TxtOfEachSetEqualsTheWindowsExportByteForByte) {
    const QString collection = demoCollection();
    QByteArray all;
    for (int k = 0; k < 4; ++k) {
        const QString out = path(QStringLiteral("set%1.txt").arg(k + 1));
        const CliResult r = run({"--locale", "en_US", "export", collection, "--set", QString::number(k + 1),
                                 "--format", "txt", "-o", out});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QByteArray window = windowExport(collection, k, "txt");
        EXPECT_GT(window.size(), 1000);
        EXPECT_EQ(readAll(out), window) << "set " << k + 1;
        all += window;
    }
    // Without --set every set follows the one before it, on standard output.
    const CliResult r = run({"--locale", "en_US", "export", collection});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, all);
}

TEST_F(CliExportTest, CsvFollowsTheLocaleAsTheWindowDoes) {
    const QString collection = demoCollection();
    const LocaleGuard german("de_DE");
    const QString out = path("set3.csv");
    const CliResult r = run({"--locale", "de_DE", "export", collection, "--set", "3", "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QByteArray window = windowExport(collection, 2, "csv");
    EXPECT_EQ(readAll(out), window);
    // A comma is the decimal separator here, so fields are separated by semicolons.
    EXPECT_TRUE(window.startsWith("29.07.26;07:30:00;")) << window.left(40).constData();
}

TEST_F(CliExportTest, JsonlCarriesIsoTimesNumbersAndOverRangeFlags) {
    // Two sets of three records; the first record's CO2 is negative and its humidity 100.1 %:
    // both are over range, as the decoder and the text file see them.
    MemoryImage image = collectionImage(2, 3);
    const std::size_t record = FirstSetOffset + 18;
    image[record] = 0xBF;
    image[record + 1] = 0x80;
    image[record + 2] = 0x00;
    image[record + 3] = 0x00;
    image[record + 6] = 0x03;
    image[record + 7] = 0xE9;
    const QString file = path("flags.407");
    writeAll(file, bytesOf(image));

    const CliResult r = run({"--locale", "de_DE", "export", file, "--format", "jsonl"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.lines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], R"({"set":1,"time":"2024-03-01T12:00:00","ppm":null,"ppm_flag":"OL","rh":null,)"
                        R"("rh_flag":"OL","temp":21.5,"unit":"C"})");
    EXPECT_EQ(lines[1],
              R"({"set":1,"time":"2024-03-01T12:00:10","ppm":401.0,"rh":45.6,"temp":21.5,"unit":"C"})");
    EXPECT_EQ(lines[5],
              R"({"set":2,"time":"2024-03-01T12:00:20","ppm":402.0,"rh":45.6,"temp":21.5,"unit":"C"})");
    for (const QByteArray& line : lines)
        EXPECT_TRUE(QJsonDocument::fromJson(line).isObject());

    // The text file writes the same values as the window does: " OL" markers.
    const CliResult txt = run({"--locale", "en_US", "export", file, "--set", "1"});
    EXPECT_TRUE(txt.lines().value(0).endsWith("\t OL\t OL\t21.5")) << txt.out.constData();
}

// 19 KB of text onto a disk with 12 KiB free: exit 3 with the system's reason, the old file whole.
TEST_F(CliExportTest, AFullDiskExitsThreeAndKeepsTheOldFile) {
    SmallFileSystem disk(96);
    if (!disk.available())
        GTEST_SKIP() << SmallFileSystem::skipReason();
    const QString collection = demoCollection();
    const QString out = disk.filePath("old.txt");
    writeAll(out, QByteArray(3000, 'o'));
    disk.fill(12 * 1024);
    const CliResult r = run({"export", collection, "--set", "2", "--format", "txt", "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("old.txt: No space left on device")) << r.err.constData();
    EXPECT_EQ(readAll(out), QByteArray(3000, 'o'));
    disk.empty();
    const CliResult again = run({"export", collection, "--set", "2", "--format", "txt", "-o", out});
    EXPECT_EQ(again.exitCode, 0) << again.err.constData();
    EXPECT_GT(readAll(out).size(), 12 * 1024);
}

// "-o -" is standard output, for the text of export and the bytes of download alike: no file
// named "-" appears.
TEST_F(CliExportTest, DashForTheOutputIsStandardOutput) {
    const QString collection = demoCollection();
    const QString dash = QDir::current().filePath("-");
    QFile::remove(dash);
    const CliResult text = run({"--locale", "en_US", "export", collection, "--set", "1", "-o", "-"});
    EXPECT_EQ(text.exitCode, 0) << text.err.constData();
    EXPECT_EQ(text.out, run({"--locale", "en_US", "export", collection, "--set", "1"}).out);
    EXPECT_FALSE(text.out.isEmpty());
    const CliResult bytes = run({"--demo", "--demo-virtual-time", "download", "-o", "-"});
    EXPECT_EQ(bytes.exitCode, 0) << bytes.err.constData();
    EXPECT_EQ(bytes.out, readAll(collection));
    EXPECT_FALSE(QFile::exists(dash));
}

TEST_F(CliExportTest, FilesThatCannotBeExportedExitThreeAndWriteNothing) {
    const QString out = path("out.txt");
    CliResult r = run({"export", path("missing.407"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("missing.407: ")) << r.err.constData();

    writeAll(path("empty.407"), bytesOf(collectionImage(0, 0)));
    r = run({"export", path("empty.407"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("holds no data set")) << r.err.constData();

    writeAll(path("two.407"), bytesOf(collectionImage(2, 3)));
    r = run({"export", path("two.407"), "--set", "3", "-o", out});
    EXPECT_EQ(r.exitCode, 3); // the file holds fewer sets: a file error, not bad usage
    EXPECT_TRUE(r.err.contains("there is no data set 3: ")) << r.err.constData();
    // Writing over its own input is refused before anything is read or written.
    const QByteArray two = readAll(path("two.407"));
    r = run({"export", path("two.407"), "-o", path("two.407")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("-o names the input file")) << r.err.constData();
    EXPECT_EQ(readAll(path("two.407")), two);
    r = run({"export", path("two.407"), "--set", "1", "--all"});
    EXPECT_EQ(r.exitCode, 1);
    r = run({"export", path("two.407"), "--format", "xml"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFile::exists(out));

    // A file far larger than any meter's memory (sparse, so it costs no disk) is refused before a
    // byte of it is read.
    {
        QFile huge(path("huge.407"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(64) << 30));
    }
    r = run({"export", path("huge.407"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("huge.407: it holds 68719476736 bytes")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(out));

    // A file that cannot be made (its folder is a file): the message names it.
    r = run({"export", path("two.407"), "-o", path("two.407") + "/out.txt"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("two.407/out.txt: ")) << r.err.constData();
}

} // namespace test_cli_export
