#include "files/locale_formats.h"
#include "files/range_progress_dialog.h"
#include "files/text_files.h"
#include "logger/table_model.h"
#include "logger/table_window.h"
#include "platform/checked_save_file.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_text_files {

const double T0 = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));

GraphSeries makeGraph(int points, float ppm = 450.0f, float rh = 45.2f, float temp = 23.4f) {
    GraphSeries g;
    g.pointCount = points;
    g.y.assign(3, {});
    for (int i = 0; i < points; ++i) {
        g.x.push_back(T0 + i / 86400.0);
        g.y[0].push_back(ppm);
        g.y[1].push_back(rh);
        g.y[2].push_back(temp);
    }
    return g;
}

QList<QByteArray> linesOf(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines)
        l.chop(l.endsWith('\r') ? 1 : 0);
    return lines;
}

// Answers the range dialog: the whole range, or from..to with "Select".
std::function<int(QDialog&)> rangeAnswer(const char* from = nullptr, const char* to = nullptr) {
    return [=](QDialog& d) {
        auto& scope = dynamic_cast<RangeProgressDialog&>(d);
        if (from) {
            scope.selectButton->setChecked(true);
            scope.fromField->setText(QString::fromLatin1(from));
            scope.toField->setText(QString::fromLatin1(to));
        }
        scope.okButton->click();
        return scope.result();
    };
}

// Presses Cancel on the progress dialog with this caption as soon as it handles window messages.
// Cancels the progress dialog with this caption once it shows; `status` gets the text it showed.
void cancelProgressSoon(const QString& caption, QString* status = nullptr) {
    QTimer::singleShot(0, [caption, status] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<RangeProgressDialog*>(w);
                s && s->isVisible() && s->windowTitle() == caption) {
                if (status)
                    *status = s->bytesReceivedCaption->text();
                s->cancelButton->click();
            }
    });
}

std::unique_ptr<TableWindow> import(ScriptedPrompter& prompter, const QString& path) {
    return std::unique_ptr<TableWindow>(importTableText(prompter, path));
}

class TextFiles : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(TextFiles, GraphLinesInUsAndGermanLocales) {
    prompter.dialogHandler = rangeAnswer();
    {
        LocaleGuard guard("en_US");
        ASSERT_EQ(exportGraphText(prompter, makeGraph(3), path("us.txt"), '\t'), TextExportResult::Written);
        EXPECT_EQ(readAll(path("us.txt")), "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\r\n"
                                           "7/31/26\t2:05:10 PM\t450.0\t45.2\t23.4\r\n"
                                           "7/31/26\t2:05:11 PM\t450.0\t45.2\t23.4\r\n");
        ASSERT_EQ(exportGraphText(prompter, makeGraph(1), path("us.csv"), ','), TextExportResult::Written);
        EXPECT_EQ(readAll(path("us.csv")), "7/31/26,2:05:09 PM,450.0,45.2,23.4\r\n");
    }
    {
        LocaleGuard guard("de_DE");
        ASSERT_EQ(exportGraphText(prompter, makeGraph(1), path("de.txt"), '\t'), TextExportResult::Written);
        EXPECT_EQ(readAll(path("de.txt")), "31.07.26\t14:05:09\t450,0\t45,2\t23,4\r\n");
        // A comma between fields would split every number; CSV uses the semicolon here.
        ASSERT_EQ(exportGraphText(prompter, makeGraph(1), path("de.csv"), ','), TextExportResult::Written);
        EXPECT_EQ(readAll(path("de.csv")), "31.07.26;14:05:09;450,0;45,2;23,4\r\n");
    }
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(TextFiles, OverloadMarkersFollowEachSubsetsRange) {
    LocaleGuard guard("en_US");
    prompter.dialogHandler = rangeAnswer();
    GraphSeries g = makeGraph(6);
    g.y[0] = {90000.0f, 40000.0f, -1.0f, 0.0f, 40000.1f, std::numeric_limits<float>::quiet_NaN()};
    g.y[1] = {-99999.0f, 100.0f, 100.1f, 0.0f, -0.1f, 50.0f};
    g.y[2] = {-99999.0f, 200.0f, 200.1f, -40.0f, -40.1f, 99999.0f};
    ASSERT_EQ(exportGraphText(prompter, g, path("m.txt"), '\t'), TextExportResult::Written);
    const auto lines = linesOf(readAll(path("m.txt")));
    ASSERT_EQ(lines.size(), 6);
    auto values = [&](int i) { return lines[i].split('\t').mid(2); };
    EXPECT_EQ(values(0), (QList<QByteArray>{" OL", " -OL", " OL"}));
    EXPECT_EQ(values(1), (QList<QByteArray>{"40000.0", "100.0", "200.0"}));
    EXPECT_EQ(values(2), (QList<QByteArray>{" OL", " OL", " OL"}));
    EXPECT_EQ(values(3), (QList<QByteArray>{"0.0", "0.0", "-40.0"}));
    EXPECT_EQ(values(4), (QList<QByteArray>{" OL", " -OL", " OL"}));
    EXPECT_EQ(values(5), (QList<QByteArray>{" OL", "50.0", " OL"}));
}

TEST_F(TextFiles, RangeRulesPickThePoints) {
    LocaleGuard guard("de_DE");
    const GraphSeries g = makeGraph(100);
    auto firstAndCount = [&](const char* from, const char* to) {
        prompter.dialogHandler = rangeAnswer(from, to);
        EXPECT_EQ(exportGraphText(prompter, g, path("r.txt"), '\t'), TextExportResult::Written);
        const auto lines = linesOf(readAll(path("r.txt")));
        const QByteArray first = lines.isEmpty() ? QByteArray() : lines.front().split('\t').value(1);
        return std::pair(first, lines.size());
    };
    EXPECT_EQ(firstAndCount("5", "2"), std::pair(QByteArray("14:05:10"), qsizetype(4)));     // points 2..5
    EXPECT_EQ(firstAndCount("-3", "7"), std::pair(QByteArray("14:05:11"), qsizetype(5)));    // points 3..7
    EXPECT_EQ(firstAndCount("1", "999"), std::pair(QByteArray("14:05:09"), qsizetype(100))); // stops at 100
    EXPECT_EQ(firstAndCount("0", "0"), std::pair(QByteArray(), qsizetype(0)));
    EXPECT_TRUE(QFile::exists(path("r.txt")));
    EXPECT_EQ(readAll(path("r.txt")).size(), 0);

    // A point never filled (time 0) ends the file.
    GraphSeries partial = makeGraph(10);
    partial.x[4] = 0.0;
    prompter.dialogHandler = rangeAnswer();
    ASSERT_EQ(exportGraphText(prompter, partial, path("p.txt"), '\t'), TextExportResult::Written);
    EXPECT_EQ(linesOf(readAll(path("p.txt"))).size(), 4);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(TextFiles, InvalidIntegerAndCancelKeepAnOlderFile) {
    LocaleGuard guard("en_US");
    writeAll(path("old.txt"), "older contents\r\n");

    prompter.dialogHandler = rangeAnswer("1", "ten");
    EXPECT_EQ(exportGraphText(prompter, makeGraph(20), path("old.txt"), '\t'),
              TextExportResult::InvalidRange);
    EXPECT_EQ(prompter.shown, QStringList{"invalid integer"});
    prompter.dialogHandler = rangeAnswer("x", "3");
    EXPECT_EQ(exportGraphText(prompter, makeGraph(20), path("new.txt"), '\t'),
              TextExportResult::InvalidRange);
    EXPECT_FALSE(QFile::exists(path("new.txt")));

    prompter.dialogHandler = {}; // Cancel in the range dialog
    EXPECT_EQ(exportGraphText(prompter, makeGraph(20), path("old.txt"), '\t'), TextExportResult::Cancelled);

    // Cancel while writing: the older file stays as it was, and no temporary file is left.
    prompter.dialogHandler = rangeAnswer();
    QString status;
    cancelProgressSoon(QStringLiteral("Saving Progress"), &status);
    EXPECT_EQ(exportGraphText(prompter, makeGraph(2000), path("old.txt"), '\t'), TextExportResult::Cancelled);
    EXPECT_EQ(status, "saving.....");
    EXPECT_EQ(readAll(path("old.txt")), "older contents\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.txt"});
    EXPECT_EQ(prompter.shown.size(), 2);
}

TEST_F(TextFiles, UnwritableFileIsReportedAndNothingChanges) {
    LocaleGuard guard("en_US");
    prompter.dialogHandler = rangeAnswer();
    const QString target = dir.filePath("missing/folder/x.txt");
    EXPECT_EQ(exportGraphText(prompter, makeGraph(3), target, '\t'), TextExportResult::FileError);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith(QDir::toNativeSeparators(target)));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(TextFiles, AFullDiskKeepsTheOlderFileAndSaysWhy) {
    LocaleGuard guard("en_US");
    prompter.dialogHandler = rangeAnswer();
    const QString target = path("old.txt");
    writeAll(target, "the text saved before");
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    EXPECT_EQ(exportGraphText(prompter, makeGraph(300), target, '\t'), TextExportResult::FileError);
    EXPECT_EQ(readAll(target), "the text saved before");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0], QDir::toNativeSeparators(target) + ": No space left on device");
}

TEST_F(TextFiles, TableSaveOffersCsvOnlyWithoutADecimalComma) {
    TableModel table;
    table.appendRow(QStringList{"7/31/26", "2:05:09 PM", "450.0", "45.2", "23.4"});
    table.appendRow(QStringList{"7/31/26", "2:05:10 PM", " OL", "", "x"});
    prompter.dialogHandler = rangeAnswer();
    {
        LocaleGuard guard("en_US");
        prompter.files = {path("DATA.CSV")};
        ASSERT_EQ(exportTableText(prompter, table, dir.path() + '/'), TextExportResult::Written);
        const Prompter::FileRequest& r = prompter.fileRequests.back();
        EXPECT_EQ(r.filter, TableSaveFilter);
        EXPECT_EQ(r.filter.split('|').size(), 4);
        EXPECT_EQ(r.defaultExt, "TXT");
        EXPECT_EQ(r.initialDir, dir.path() + '/');
        EXPECT_EQ(readAll(path("DATA.CSV")), "7/31/26,2:05:09 PM,450.0,45.2,23.4,,,\r\n"
                                             "7/31/26,2:05:10 PM, OL,,x,,,\r\n");
        prompter.files = {path("data.dat")};
        ASSERT_EQ(exportTableText(prompter, table, QString()), TextExportResult::Written);
        EXPECT_EQ(linesOf(readAll(path("data.dat"))).front(), "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\t\t\t");
    }
    {
        LocaleGuard guard("de_DE");
        prompter.files = {path("data.txt")};
        ASSERT_EQ(exportTableText(prompter, table, QString()), TextExportResult::Written);
        EXPECT_EQ(prompter.fileRequests.back().filter, TableSaveFilterNoCsv);
        EXPECT_FALSE(prompter.fileRequests.back().filter.contains("CSV"));

        LocaleFormats f;
        EXPECT_EQ(separatorForFileName("x.txt", f), '\t');
        EXPECT_EQ(separatorForFileName("x.Csv", f), ';');
    }
    LocaleFormats us;
    EXPECT_EQ(separatorForFileName("data.Csv", us), ',');
    EXPECT_EQ(separatorForFileName("data.txt", us), '\t');

    prompter.files = {QString()}; // the user cancels the file dialog
    EXPECT_EQ(exportTableText(prompter, table, QString()), TextExportResult::Cancelled);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(TextFiles, LinesEndWithCrLf) {
    LocaleGuard guard("en_US");
    prompter.dialogHandler = rangeAnswer();
    ASSERT_EQ(exportGraphText(prompter, makeGraph(50), path("c.txt"), '\t'), TextExportResult::Written);
    const QByteArray bytes = readAll(path("c.txt"));
    EXPECT_EQ(bytes.count('\n'), 50);
    EXPECT_EQ(bytes.count("\r\n"), 50);
    EXPECT_FALSE(bytes.contains("\t\r"));
}

TEST_F(TextFiles, ImportKeepsFieldsAsText) {
    writeAll(path("in.txt"), "a\tb\tc\r\n"
                             "1\t2\t3\t4\t5\t6\t7\t8\t9\r\n"
                             "\t\tx\t\n"
                             " OL\t -OL\tlast");
    auto list = import(prompter, path("in.txt"));
    ASSERT_TRUE(list);
    const TableModel& m = list->model();
    EXPECT_EQ(list->windowTitle(), path("in.txt"));
    ASSERT_EQ(m.filledRows(), 4);
    EXPECT_EQ(m.cellText(0, 0), "No");
    EXPECT_EQ(m.cellText(0, 4), "4");
    EXPECT_EQ(m.cellText(3, 1), "c");
    EXPECT_EQ(m.cellText(4, 1), "");
    EXPECT_EQ(m.cellText(7, 2), "7"); // nine fields show the first seven
    EXPECT_EQ(m.cellText(3, 3), "x");
    EXPECT_EQ(m.cellText(4, 3), "");
    EXPECT_EQ(m.cellText(1, 4), " OL");
    EXPECT_EQ(m.cellText(2, 4), " -OL");
    EXPECT_EQ(m.cellText(3, 4), "last");
    EXPECT_TRUE(prompter.shown.isEmpty());

    // CSV fields keep their quotes; a comma inside quotes still splits.
    writeAll(path("in.csv"), "\"a,b\",c\r\n");
    LocaleGuard guard("en_US");
    auto csv = import(prompter, path("in.csv"));
    EXPECT_EQ(csv->model().cellText(1, 1), "\"a");
    EXPECT_EQ(csv->model().cellText(2, 1), "b\"");
    EXPECT_EQ(csv->model().cellText(3, 1), "c");
}

// Where the comma is the decimal separator, the program's own CSV files use semicolons, but a CSV
// from elsewhere may still use commas: the first line tells which, and both read into the same cells.
TEST_F(TextFiles, CsvReadInADecimalCommaLocaleTakesTheSeparatorItHas) {
    LocaleGuard guard("de_DE");
    writeAll(path("ours.csv"), "31.07.26;14:05:09;450,0;45,2;23,4\r\n");
    writeAll(path("theirs.csv"), "7/31/26,2:05:09 PM,450.0,45.2,23.4\r\n");
    auto ours = import(prompter, path("ours.csv"));
    auto theirs = import(prompter, path("theirs.csv"));
    ASSERT_TRUE(ours && theirs);
    const QStringList oursCells{"31.07.26", "14:05:09", "450,0", "45,2", "23,4"};
    const QStringList theirCells{"7/31/26", "2:05:09 PM", "450.0", "45.2", "23.4"};
    for (int c = 1; c <= 5; ++c) {
        EXPECT_EQ(ours->model().cellText(c, 1), oursCells[c - 1]);
        EXPECT_EQ(theirs->model().cellText(c, 1), theirCells[c - 1]);
    }
}

TEST_F(TextFiles, ImportOfEmptyOrUnreadableFiles) {
    writeAll(path("empty.txt"), "");
    auto empty = import(prompter, path("empty.txt"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->model().gridRowCount(), 2);
    EXPECT_EQ(empty->model().filledRows(), 0);

    writeAll(path("nosep.txt"), "no separator here\r\n");
    auto nosep = import(prompter, path("nosep.txt"));
    ASSERT_TRUE(nosep);
    EXPECT_EQ(nosep->model().gridRowCount(), 2);
    EXPECT_EQ(nosep->model().cellText(1, 1), "");

    prompter.shown.clear();
    EXPECT_EQ(importTableText(prompter, path("does-not-exist.txt")), nullptr);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(TextFiles, LongLinesAreReadWhole) {
    const QByteArray longField(5000, 'z');
    writeAll(path("long.txt"), "a\t" + longField + "\t" + longField + "\r\nb\tc\r\n");
    auto list = import(prompter, path("long.txt"));
    ASSERT_EQ(list->model().filledRows(), 2);
    EXPECT_EQ(list->model().cellText(2, 1).size(), 5000);
    EXPECT_EQ(list->model().cellText(3, 1).size(), 5000);
    EXPECT_EQ(list->model().cellText(1, 2), "b");
}

TEST_F(TextFiles, MalformedFileIsReportedAndNothingIsLost) {
    // Bytes that are not UTF-8 (a Latin-1 degree sign) survive an import and a table save.
    const QByteArray good = "31.07.26\t14:05:09\t450,0\t45,2\t23,4 \xB0"
                            "C\t\t\t\r\n";
    const QByteArray file = good + good + "garbage without separator\r\n" + good;
    writeAll(path("bad.txt"), file);
    auto list = import(prompter, path("bad.txt"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->model().filledRows(), 2);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("line 3")) << prompter.shown[0].toStdString();
    EXPECT_EQ(readAll(path("bad.txt")), file);

    prompter.files = {path("copy.txt")};
    prompter.dialogHandler = rangeAnswer();
    ASSERT_EQ(exportTableText(prompter, list->model(), QString()), TextExportResult::Written);
    EXPECT_EQ(readAll(path("copy.txt")), good + good);

    // Blank lines at the end are no malformation.
    prompter.shown.clear();
    writeAll(path("tail.txt"), good + "\r\n\r\n");
    auto tail = import(prompter, path("tail.txt"));
    EXPECT_EQ(tail->model().filledRows(), 1);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

// Cancel pressed while the progress shows row 1: the import ends before row 2 and keeps row 1,
// exactly as read; without Cancel every row comes in.
TEST_F(TextFiles, CancelDuringImportKeepsTheRowsRead) {
    QByteArray bytes;
    for (int i = 1; i <= 1000; ++i)
        bytes += QByteArray::number(i) + "\tb" + QByteArray::number(i) + "\r\n";
    writeAll(path("many.txt"), bytes);
    QTimer watcher; // zero interval: runs whenever the import lets events through
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<RangeProgressDialog*>(w); s && s->isVisible() &&
                                                                 s->windowTitle() == "Open Progress" &&
                                                                 s->bytesReceivedCaption->text() == "1") {
                s->cancelButton->click();
                watcher.stop();
            }
    });
    watcher.start(0);
    auto list = import(prompter, path("many.txt"));
    watcher.stop();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->model().filledRows(), 1);
    EXPECT_EQ(list->model().fields(1), (std::array<std::string_view, 7>{"1", "b1"}));
    EXPECT_TRUE(prompter.shown.isEmpty());
    auto all = import(prompter, path("many.txt"));
    EXPECT_EQ(all->model().filledRows(), 1000);
    EXPECT_EQ(all->model().fields(1000), (std::array<std::string_view, 7>{"1000", "b1000"}));
}

TEST_F(TextFiles, OverloadsSurviveExportImportAndTableToGraph) {
    for (const char* locale : {"en_US", "de_DE"}) {
        for (const char* name : {"rt.txt", "rt.csv"}) {
            LocaleGuard guard(locale);
            const LocaleFormats formats;
            GraphSeries g = makeGraph(4);
            g.x[3] += 400.0; // another day
            g.y[0] = {412.0f, 90000.0f, 0.0f, 1234.5f};
            g.y[1] = {45.2f, -99999.0f, 100.0f, 0.04f};
            g.y[2] = {23.4f, -99999.0f, -40.0f, 199.96f};
            prompter.dialogHandler = rangeAnswer();
            const QString file = path(name);
            ASSERT_EQ(exportGraphText(prompter, g, file, separatorForFileName(file, formats)),
                      TextExportResult::Written);
            auto list = import(prompter, file);
            ASSERT_EQ(list->model().filledRows(), 4) << locale << name;

            const TableGraphData data = tableToGraph(list->model(), localeTableParsers(formats));
            ASSERT_EQ(data.outcome, TableGraphData::Converted) << data.message.toStdString();
            EXPECT_TRUE(data.skippedRows.empty());
            EXPECT_EQ(data.firstTime, g.x[0]);
            EXPECT_EQ(fromDateTimeValue(data.lastTime), fromDateTimeValue(g.x[3]));
            for (int p = 0; p < 4; ++p)
                EXPECT_EQ(fromDateTimeValue(data.x[p]), fromDateTimeValue(g.x[p]));
            EXPECT_EQ(data.y[0], (std::vector<float>{412.0f, TableNullValue, 0.0f, 1234.5f}));
            EXPECT_EQ(data.y[1], (std::vector<float>{45.2f, UnderRangeValue, 100.0f, 0.0f}));
            EXPECT_EQ(data.y[2], (std::vector<float>{23.4f, TableNullValue, -40.0f, 200.0f}));
        }
    }
    EXPECT_TRUE(prompter.shown.isEmpty());
}

// A 64 GB file of zeros with no line end (made sparse, so it costs no disk): the import reads as
// it goes, stops at the first line too long to be a table line, and says so.
TEST_F(TextFiles, HugeSparseFileEndsWithAMessageNotAnAbort) {
    QFile huge(path("huge.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64(64) << 30));
    huge.close();
    auto list = import(prompter, path("huge.txt"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->model().filledRows(), 0);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("line 1 is longer than 65536 characters"))
        << prompter.shown[0].toStdString();
    EXPECT_LT(list->model().memoryUsed(), std::size_t(1) << 20);

    // Rows before an endless tail are kept.
    writeAll(path("tail.txt"), "a\tb\r\nc\td\r\n" + QByteArray(200000, 'x'));
    prompter.shown.clear();
    auto tail = import(prompter, path("tail.txt"));
    EXPECT_EQ(tail->model().filledRows(), 2);
    EXPECT_EQ(tail->model().cellText(2, 2), "d");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("line 3 is longer")) << prompter.shown[0].toStdString();
}

} // namespace test_text_files
