// The Open and Save commands: the choice dialog, filters and type change, routing by window and by
// extension, graph files opened into new windows and collections into the data-logger window.
#include "chart/chart_picture.h"
#include "chart/chart_state.h"
#include "chart/chart_widget.h"
#include "files/collection_file.h"
#include "files/file_commands.h"
#include "files/locale_formats.h"
#include "files/open_save_choice_dialog.h"
#include "files/range_progress_dialog.h"
#include "files/text_files.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "logger/data_set_decoder.h"
#include "logger/data_set_pane.h"
#include "logger/table_window.h"
#include "platform/checked_save_file.h"
#include "platform/clock.h"
#include "support/memory_images.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <bit>
#include <gtest/gtest.h>
#include <limits>
#include <new>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_file_commands {

// ppm, %RH and temperature of point 0 of the test graphs; point p adds p.
constexpr int kBase[] = {400, 40, 20};

const double T0 = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));

enum Choice { Sets, Single, CancelChoice };

class FileCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dataFolder));
        setGraphProgramDirectory(dir.path());
        prompter.dialogHandler = [this](QDialog& d) { return answerDialog(d); };
    }
    void TearDown() override {
        for (const QPointer<QWidget>& w : windows)
            delete w.data();
        setGraphProgramDirectory(QString());
    }

    FileCommands::Windows callbacks() {
        FileCommands::Windows w;
        w.createGraphWindow = [this](const QString& caption) { return graphWindow(caption); };
        w.addTableWindow = [this](TableWindow* t) {
            windows << t;
            tables << t;
        };
        return w;
    }
    GraphWindow* graphWindow(const QString& caption) {
        auto* w = new GraphWindow(prompter, shared);
        w->setWindowTitle(caption);
        windows << w;
        created << caption;
        return w;
    }
    // A graph window holding three points of three subsets on two Y axes, or one when `oneAxis`.
    GraphWindow* filledGraph(const QString& caption, bool oneAxis = false) {
        GraphWindow* w = graphWindow(caption);
        w->configureGraph(3, 3, T0, T0 + 2 / 86400.0, 0, 10000, -50, 100);
        for (int p = 0; p < 3; ++p) {
            for (int s = 0; s < 3; ++s) {
                w->chart->setXDataII(s, p, T0 + p / 86400.0);
                w->chart->setYData(s, p, float(kBase[s] + p));
            }
        }
        if (oneAxis)
            w->splitAxesBox->setChecked(false);
        created.clear();
        return w;
    }
    // Answers our own dialogs: the choice with the planned button, the range dialog with "All".
    int answerDialog(QDialog& d) {
        if (auto* choice = qobject_cast<OpenSaveChoiceDialog*>(&d)) {
            choiceTexts << choice->windowTitle() << choice->collectionButton->text()
                        << choice->singleFileButton->text() << choice->cancelButton->text();
            (choose == Sets     ? choice->collectionButton
             : choose == Single ? choice->singleFileButton
                                : choice->cancelButton)
                ->click();
            return choice->result();
        }
        if (auto* scope = qobject_cast<RangeProgressDialog*>(&d)) {
            scope->okButton->click();
            return scope->result();
        }
        return QDialog::Rejected;
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString dataFolder = dir.path() + "/data/";
    ScriptedPrompter prompter;
    ManualClock clock;
    DataSetStore store;
    GraphShared shared;
    FileCommands commands{prompter, clock, dataFolder, store, shared, callbacks()};
    Choice choose = CancelChoice;
    QStringList choiceTexts;
    QStringList created;
    QList<TableWindow*> tables;
    QList<QPointer<QWidget>> windows;
};

TEST(FileTypes, FiltersAndTypeChange) {
    const QString graph = QString::fromLatin1(GraphFileFilter);
    EXPECT_EQ(filterExtensions(graph), (QStringList{".GHF", ".TXT", ".CSV"}));
    EXPECT_EQ(filterExtensions(QString::fromLatin1(GraphFileFilterNoCsv)), (QStringList{".GHF", ".TXT"}));
    EXPECT_EQ(filterExtensions(QString::fromLatin1(TableSaveFilter)), (QStringList{".TXT", ".CSV"}));
    EXPECT_EQ(filterExtensions(QString::fromLatin1(CollectionSaveFilter)), QStringList{".407"});
    EXPECT_EQ(filterExtensions("A(*.a)|*.AB"), QStringList{}); // fewer than four characters left
    EXPECT_EQ(
        filterExtensions("1(*.x)|*.AAA|2(*.x)|*.BBB|3(*.x)|*.CCC|4(*.x)|*.DDD|5(*.x)|*.EEE|6(*.x)|*.FFF")
            .size(),
        5);

    EXPECT_EQ(typeChangedFileName(graph, 2, "report"), "report.TXT");
    EXPECT_EQ(typeChangedFileName(graph, 3, "/home/u/QZ407/report.GHF"), "report.CSV");
    EXPECT_EQ(typeChangedFileName(graph, 1, "C:\\data\\a.b.txt"), "a.b.GHF");
    EXPECT_EQ(typeChangedFileName(graph, 4, "report.TXT"), "report.TXT");
    EXPECT_EQ(typeChangedFileName(graph, 0, "report.TXT"), "report.TXT");

    {
        LocaleGuard us("en_US");
        EXPECT_EQ(graphFileFilter(), graph);
    }
    LocaleGuard de("de_DE");
    EXPECT_EQ(graphFileFilter(), QString::fromLatin1(GraphFileFilterNoCsv));
}

// The save dialog itself: the type picked decides the extension of a name typed without one, whether
// the name was typed before the type was picked or after, and each type shows its patterns once.
struct SaveDialogRun {
    QString typed; // typed before the type is picked
    int type;      // 1-based; 0: no type picked
    QString typedAfter;
    QString defaultExt = QStringLiteral("GHF");
};
Prompter::FileRequest runSaveDialog(const QString& filter, const SaveDialogRun& run,
                                    QString* shownName = nullptr, QString* suffix = nullptr,
                                    QStringList* types = nullptr) {
    QTemporaryDir dir;
    QWidget main;
    WidgetPrompter prompter(&main);
    Prompter::FileRequest r;
    r.filter = filter;
    r.filterIndex = 1;
    r.initialDir = dir.path();
    r.defaultExt = run.defaultExt;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (types)
            *types = dialog->nameFilters();
        name->setText(run.typed);
        if (run.type > 0) {
            combo->setCurrentIndex(run.type - 1);
            emit combo->activated(run.type - 1); // as a pick in the list does
            emit combo->textActivated(combo->currentText());
        }
        if (!run.typedAfter.isEmpty())
            name->setText(run.typedAfter);
        if (shownName)
            *shownName = name->text();
        if (suffix)
            *suffix = dialog->defaultSuffix();
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
    });
    if (!prompter.saveFile(r))
        r.fileName.clear();
    else
        r.fileName = QFileInfo(r.fileName).fileName();
    return r;
}

TEST(FileTypes, TheTypePickedInTheSaveDialogGivesTheExtension) {
    const QString graph = QString::fromLatin1(GraphFileFilter);
    QString shown, suffix;
    Prompter::FileRequest r = runSaveDialog(graph, {QStringLiteral("set2-text"), 2, {}}, &shown, &suffix);
    EXPECT_EQ(shown, "set2-text.TXT");
    EXPECT_EQ(suffix, "TXT"); // what a native dialog goes by
    EXPECT_EQ(r.fileName, "set2-text.TXT");
    EXPECT_EQ(r.filterIndex, 2);

    r = runSaveDialog(graph, {QString(), 3, QStringLiteral("report")});
    EXPECT_EQ(r.fileName, "report.CSV");
    EXPECT_EQ(r.filterIndex, 3);
    r = runSaveDialog(graph, {QStringLiteral("evening.CSV"), 1, {}});
    EXPECT_EQ(r.fileName, "evening.GHF");
    r = runSaveDialog(graph, {QString(), 2, QStringLiteral("kept.GHF")}); // an extension typed stays
    EXPECT_EQ(r.fileName, "kept.GHF");
    // With no type picked, the default extension, even where it is not the type's.
    r = runSaveDialog(graph, {QStringLiteral("plain"), 0, {}});
    EXPECT_EQ(r.fileName, "plain.GHF");
    r = runSaveDialog(QString::fromLatin1(CollectionSaveFilter),
                      {QStringLiteral("walk"), 0, {}, QStringLiteral("REC")});
    EXPECT_EQ(r.fileName, "walk.REC");

    QStringList types;
    r = runSaveDialog(pictureFileFilter(), {QString(), 3, QStringLiteral("chart")}, nullptr, nullptr, &types);
    EXPECT_EQ(r.fileName, "chart.svg");
    EXPECT_EQ(types, (QStringList{"PNG Picture (*.png)", "PNG Picture, double size (*.png)",
                                  "SVG Picture (*.svg)", "PDF Document (*.pdf)"}));
}

TEST(OpenSaveChoice, CaptionsAndResults) {
    OpenSaveChoiceDialog d;
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMinMaxButtonsHint);
    d.setupForSave();
    EXPECT_EQ(d.windowTitle(), "Save File");
    EXPECT_EQ(d.collectionButton->text(), "Save all data sets to a data set collection file(*.407)");
    EXPECT_EQ(d.singleFileButton->text(), "Save single selected  data set to a  file");
    EXPECT_EQ(d.cancelButton->text(), "Cancel");
    d.setupForOpen(false);
    EXPECT_EQ(d.windowTitle(), "Open File");
    EXPECT_EQ(d.collectionButton->text(), "Open a data set collection file(*.407)");
    EXPECT_EQ(d.singleFileButton->text(), "Open single data file(*.TXT,*.CSV,*.GHF)");
    d.setupForOpen(true);
    EXPECT_EQ(d.singleFileButton->text(), "Open single data flle(*.TXT,*.GHF)");

    d.collectionButton->click();
    EXPECT_EQ(d.result(), OpenSaveChoiceDialog::ResultOk);
    d.singleFileButton->click();
    EXPECT_EQ(d.result(), OpenSaveChoiceDialog::ResultNo);
    d.cancelButton->click();
    EXPECT_EQ(d.result(), OpenSaveChoiceDialog::ResultCancel);
    d.reject(); // Escape or the close box
    EXPECT_EQ(d.result(), OpenSaveChoiceDialog::ResultCancel);
}

TEST_F(FileCommandsTest, SaveRoutesByTheActiveWindow) {
    // Nothing active, or the meter panel: nothing happens.
    commands.runSaveCommand(nullptr);
    QWidget panel;
    commands.runSaveCommand(&panel);
    EXPECT_TRUE(prompter.fileRequests.isEmpty());
    EXPECT_TRUE(choiceTexts.isEmpty());

    // A table window exports its rows.
    auto* table = new TableWindow;
    windows << table;
    table->model().appendRow(QStringList{"a", "b"});
    prompter.files = {path("t.txt")};
    commands.runSaveCommand(table);
    ASSERT_EQ(prompter.fileRequests.size(), 1);
    EXPECT_EQ(prompter.fileRequests[0].filter, tableSaveFilter(LocaleFormats()));
    EXPECT_EQ(readAll(path("t.txt")), "a\tb\t\t\t\t\t\t\r\n");

    // Another graph window saves its graph, also when reached through its MDI frame.
    QMdiArea area;
    GraphWindow* graph = filledGraph("Graph");
    QMdiSubWindow* frame = area.addSubWindow(graph);
    prompter.files = {path("g")};
    commands.runSaveCommand(frame);
    ASSERT_EQ(prompter.fileRequests.size(), 2);
    const Prompter::FileRequest& r = prompter.fileRequests[1];
    EXPECT_EQ(r.filter, QString::fromLatin1(GraphFileFilter));
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.defaultExt, "GHF");
    EXPECT_EQ(r.initialDir, dataFolder);
    EXPECT_TRUE(r.overwritePrompt);
    EXPECT_TRUE(choiceTexts.isEmpty());
    ChartWidget check(prompter);
    EXPECT_TRUE(readGraphFile(check, path("g.GHF")));
}

TEST_F(FileCommandsTest, GraphSaveWritesByExtension) {
    GraphWindow* graph = filledGraph("Graph");
    // Typed without extension: the default extension, written as a graph file.
    prompter.files = {path("x")};
    EXPECT_TRUE(commands.saveGraph(*graph));
    const QByteArray ghf = readAll(path("x.GHF"));
    ASSERT_GE(ghf.size(), 4);
    const quint32 length = quint32(uchar(ghf[0])) | quint32(uchar(ghf[1])) << 8 |
                           quint32(uchar(ghf[2])) << 16 | quint32(uchar(ghf[3])) << 24;
    EXPECT_EQ(qint64(length), ghf.size() - 4);
    ChartWidget back(prompter);
    ASSERT_TRUE(readGraphFile(back, path("x.GHF")));
    EXPECT_FLOAT_EQ(back.YData(2, 1), 21.0f);

    LocaleGuard us("en_US");
    prompter.files = {path("x.TXT"), path("x.Csv"), path("x.dat")};
    EXPECT_TRUE(commands.saveGraph(*graph));
    EXPECT_TRUE(commands.saveGraph(*graph));
    EXPECT_FALSE(commands.saveGraph(*graph));
    const QList<QByteArray> tab = readAll(path("x.TXT")).split('\n');
    ASSERT_EQ(tab.size(), 4);
    EXPECT_EQ(tab[0], "7/31/26\t2:05:09 PM\t400.0\t40.0\t20.0\r");
    EXPECT_EQ(tab[2], "7/31/26\t2:05:11 PM\t402.0\t42.0\t22.0\r");
    EXPECT_EQ(readAll(path("x.Csv")).split('\n')[1], "7/31/26,2:05:10 PM,401.0,41.0,21.0\r");
    EXPECT_FALSE(QFile::exists(path("x.dat")));
    EXPECT_TRUE(prompter.shown.isEmpty());

    // Cancelled: nothing written. A file that cannot be made is reported.
    prompter.files = {QString(), path("missing/folder/g.ghf")};
    EXPECT_FALSE(commands.saveGraph(*graph));
    EXPECT_FALSE(commands.saveGraph(*graph));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("g.ghf"));
}

TEST_F(FileCommandsTest, CommaLocaleOffersNoCsvYetATypedCsvIsWritten) {
    LocaleGuard de("de_DE");
    GraphWindow* graph = filledGraph("Graph");
    prompter.files = {path("y.csv")};
    EXPECT_TRUE(commands.saveGraph(*graph));
    EXPECT_EQ(prompter.fileRequests[0].filter, QString::fromLatin1(GraphFileFilterNoCsv));
    // Fields are separated by the semicolon where the comma is the decimal separator.
    EXPECT_EQ(readAll(path("y.csv")).split('\n')[0], "31.07.26;14:05:09;400,0;40,0;20,0\r");

    choose = CancelChoice;
    commands.runOpenCommand();
    ASSERT_EQ(choiceTexts.size(), 4);
    EXPECT_EQ(choiceTexts[2], "Open single data flle(*.TXT,*.GHF)");
}

TEST_F(FileCommandsTest, DataLoggerSaveOffersTheCollectionOrTheSetOnShow) {
    GraphWindow* logger = filledGraph(GraphWindow::kDataLoggerCaption);
    const MemoryImage image = collectionImage(2, 3);
    ASSERT_EQ(writeTemporaryImage(dataFolder, image), TempImageWrite::Written);
    shared.downloadUnsaved = true;

    choose = CancelChoice;
    commands.runSaveCommand(logger);
    EXPECT_EQ(choiceTexts,
              (QStringList{"Save File", "Save all data sets to a data set collection file(*.407)",
                           "Save single selected  data set to a  file", "Cancel"}));
    EXPECT_TRUE(prompter.fileRequests.isEmpty());
    EXPECT_TRUE(shared.downloadUnsaved);

    // OK: the collection, and the download counts as saved.
    choose = Sets;
    prompter.files = {path("all.407")};
    commands.runSaveCommand(logger);
    EXPECT_EQ(readAll(path("all.407")), bytesOf(image));
    EXPECT_FALSE(shared.downloadUnsaved);

    // A collection that could not be written keeps the download unsaved.
    shared.downloadUnsaved = true;
    prompter.files = {path("missing/all.407")};
    commands.runSaveCommand(logger);
    EXPECT_TRUE(shared.downloadUnsaved);
    EXPECT_EQ(prompter.shown.size(), 1);

    // A full disk the same, and the older collection stays whole.
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    prompter.files = {path("all.407")};
    commands.runSaveCommand(logger);
    EXPECT_TRUE(shared.downloadUnsaved);
    EXPECT_EQ(readAll(path("all.407")), bytesOf(image));
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_TRUE(prompter.shown[1].endsWith(": No space left on device"));

    // So does a temporary image that is gone: nothing was saved, and the user is told.
    QFile::remove(temporaryImagePath(dataFolder));
    prompter.files = {path("none.407")};
    commands.runSaveCommand(logger);
    EXPECT_TRUE(shared.downloadUnsaved);
    EXPECT_FALSE(QFile::exists(path("none.407")));
    ASSERT_EQ(prompter.shown.size(), 3);
    EXPECT_TRUE(prompter.shown[2].startsWith("Nothing was saved: "));
    ASSERT_EQ(writeTemporaryImage(dataFolder, image), TempImageWrite::Written);
    prompter.shown.clear();

    // No: the set on show as a graph.
    choose = Single;
    prompter.files = {path("set.ghf")};
    commands.runSaveCommand(logger);
    EXPECT_EQ(prompter.fileRequests.back().filter, QString::fromLatin1(GraphFileFilter));
    ChartWidget back(prompter);
    EXPECT_TRUE(readGraphFile(back, path("set.ghf")));
}

TEST_F(FileCommandsTest, OpenedGraphFileGetsItsOwnWindow) {
    const QString oneAxis = path("one.ghf");
    const QString split = path("split.ghf");
    ASSERT_TRUE(writeGraphFile(*filledGraph("a", true)->chart, oneAxis));
    ASSERT_TRUE(writeGraphFile(*filledGraph("b", false)->chart, split));

    choose = Single;
    prompter.files = {oneAxis};
    commands.runOpenCommand();
    EXPECT_EQ(choiceTexts.value(2), "Open single data file(*.TXT,*.CSV,*.GHF)");
    ASSERT_EQ(prompter.fileRequests.size(), 1);
    EXPECT_EQ(prompter.fileRequests[0].filter, QString::fromLatin1(GraphFileFilter));
    EXPECT_EQ(prompter.fileRequests[0].initialDir, dataFolder);
    EXPECT_TRUE(prompter.fileRequests[0].fileName.isEmpty());
    ASSERT_EQ(created, QStringList{oneAxis});
    auto* w = qobject_cast<GraphWindow*>(windows.back().data());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->chart->Points(), 3);
    EXPECT_FLOAT_EQ(w->chart->YData(1, 2), 42.0f);
    EXPECT_FALSE(w->splitAxesBox->isChecked());
    EXPECT_TRUE(w->crossButton->isEnabled());
    EXPECT_TRUE(w->textButton->isEnabled());
    EXPECT_TRUE(w->chart->AllowGraphAnnotHotSpots());
    EXPECT_EQ(w->sampleCountField->text(), "3");

    created.clear();
    GraphWindow* s = commands.openGraphFile(split);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(created, QStringList{split});
    EXPECT_TRUE(s->splitAxesBox->isChecked());
    EXPECT_GT(s->chart->MultiAxesSubsets(1), 0);
    EXPECT_FALSE(s->crossButton->isEnabled());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(FileCommandsTest, ReopenedGraphShowsItsZoomAndItsHiddenChannels) {
    // A chart saved zoomed in, with the humidity channel switched off.
    ChartWidget& source = *filledGraph("z")->chart;
    ChartModel stored = source.model();
    ZoomView view;
    view.xMin = T0 + 0.5 / 86400;
    view.xMax = T0 + 1.5 / 86400;
    view.y = {{100, 900}, {-50, 100}};
    stored.zoomStack.push_back(view);
    stored.setRandomSubset(-1, 0);
    stored.setRandomSubset(0, 0);
    stored.setRandomSubset(1, 2);
    ASSERT_TRUE(source.loadState(ChartState::store(stored)));
    const QString file = path("zoomed.ghf");
    ASSERT_TRUE(writeGraphFile(source, file));

    GraphWindow* w = commands.openGraphFile(file);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->chart->isZoomed());
    EXPECT_TRUE(w->undoZoomButton->isEnabled());
    EXPECT_TRUE(w->ppmBox->isChecked());
    EXPECT_FALSE(w->humidityBox->isChecked());
    EXPECT_TRUE(w->temperatureBox->isChecked());
    EXPECT_EQ(w->chart->model().randomSubsets(), (std::vector<int>{0, 2}));
    w->undoZoomButton->click();
    EXPECT_FALSE(w->chart->isZoomed());
    EXPECT_FALSE(w->undoZoomButton->isEnabled());
    w->humidityBox->setChecked(true); // the boxes work on from what they show
    EXPECT_EQ(w->chart->model().randomSubsets(), (std::vector<int>{0, 1, 2}));

    // A chart saved as it was prepared: nothing to undo, every channel ticked.
    const QString plain = path("plain.ghf");
    ASSERT_TRUE(writeGraphFile(*filledGraph("p")->chart, plain));
    GraphWindow* p = commands.openGraphFile(plain);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->undoZoomButton->isEnabled());
    EXPECT_TRUE(p->ppmBox->isChecked() && p->humidityBox->isChecked() && p->temperatureBox->isChecked());
}

// A graph of temperatures in degrees Fahrenheit keeps its unit in the file: reopened, 83.8 is a
// maximum in range, not "OL" as it would be in degrees Celsius.
TEST_F(FileCommandsTest, ReopenedFahrenheitGraphKeepsItsUnit) {
    GraphWindow* w = filledGraph(QStringLiteral("set 2"));
    const float temperatures[] = {80.0f, 83.8f, 75.5f};
    for (int p = 0; p < 3; ++p)
        w->chart->setYData(2, p, temperatures[p]);
    w->setTemperatureFahrenheit(true);
    w->computeGraphStatistics();
    ASSERT_TRUE(w->temperatureMaxField->text().startsWith("83.8@"));
    const QString file = path(QStringLiteral("fahrenheit.GHF"));
    QString error;
    ASSERT_TRUE(writeGraphFile(*w->chart, file, &error)) << error.toStdString();

    GraphWindow* opened = commands.openGraphFile(file);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->temperatureFahrenheit());
    EXPECT_TRUE(opened->temperatureMaxField->text().startsWith("83.8@"));
    EXPECT_TRUE(opened->temperatureMinField->text().startsWith("75.5@"));
}

TEST_F(FileCommandsTest, UnreadableGraphFilesMakeNoWindow) {
    const QString good = path("good.ghf");
    ASSERT_TRUE(writeGraphFile(*filledGraph("a")->chart, good));
    QByteArray bytes = readAll(good);
    writeAll(path("short.ghf"), bytes.left(bytes.size() - 10));
    writeAll(path("zero.ghf"), QByteArray(4, '\0')); // a length field of 0 and nothing after it
    for (const char* name : {"short.ghf", "zero.ghf", "absent.ghf"}) {
        SCOPED_TRACE(name);
        prompter.shown.clear();
        prompter.files = {path(name)};
        commands.openSingleFile();
        EXPECT_EQ(prompter.shown.size(), 1);
        EXPECT_TRUE(created.isEmpty());
    }
}

// X values that are NaN, infinite or far beyond the calendar: the graph file is refused with the
// reason and no window; the chart that holds them saves as text with those points' date and time
// left empty and every other field as usual.
TEST_F(FileCommandsTest, GraphFileWithXValuesThatAreNoDates) {
    LocaleGuard us("en_US");
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e300}) {
        SCOPED_TRACE(bad);
        GraphWindow* graph = filledGraph("Graph");
        for (int s = 0; s < 3; ++s)
            graph->chart->setXDataII(s, 1, bad);
        ASSERT_TRUE(writeGraphFile(*graph->chart, path("bad.ghf")));
        prompter.shown.clear();
        prompter.files = {path("bad.ghf")};
        commands.openSingleFile();
        ASSERT_EQ(prompter.shown.size(), 1);
        EXPECT_TRUE(prompter.shown[0].contains("an X value is not a date"))
            << prompter.shown[0].toStdString();
        EXPECT_TRUE(created.isEmpty());

        prompter.files = {path("bad.txt")};
        ASSERT_TRUE(commands.saveGraph(*graph));
        const QList<QByteArray> lines = readAll(path("bad.txt")).split('\n');
        ASSERT_EQ(lines.size(), 4);
        EXPECT_EQ(lines[0], "7/31/26\t2:05:09 PM\t400.0\t40.0\t20.0\r");
        EXPECT_EQ(lines[1], "\t\t401.0\t41.0\t21.0\r");
        EXPECT_EQ(lines[2], "7/31/26\t2:05:11 PM\t402.0\t42.0\t22.0\r");
    }
}

TEST_F(FileCommandsTest, OpenedTextFileBecomesATableAndOtherNamesAreIgnored) {
    writeAll(path("r.TXT"), "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\r\n");
    writeAll(path("r.dat"), "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\r\n");
    LocaleGuard us("en_US");
    prompter.files = {path("r.TXT"), path("r.dat"), QString()};
    commands.openSingleFile();
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables[0]->windowTitle(), path("r.TXT"));
    EXPECT_EQ(tables[0]->model().cellText(3, 1), "450.0");
    commands.openSingleFile();
    commands.openSingleFile();
    EXPECT_EQ(tables.size(), 1);
    EXPECT_TRUE(created.isEmpty());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(FileCommandsTest, OpenedCollectionIsListedAndItsFirstSetShown) {
    const MemoryImage image = collectionImage(2, 3);
    writeAll(path("c.407"), bytesOf(image));
    choose = Sets;
    prompter.files = {path("c.407")};
    commands.runOpenCommand();

    ASSERT_EQ(created, QStringList{"DataLogger"});
    auto* logger = qobject_cast<GraphWindow*>(windows.back().data());
    ASSERT_NE(logger, nullptr);
    DataSetPane* pane = dataSetPaneOf(*logger);
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->isHidden());
    EXPECT_EQ(pane->setCount(), 2);
    EXPECT_EQ(pane->dataSetGrid->item(1, 4)->text(), "3");
    EXPECT_EQ(logger->chart->Points(), 3);
    EXPECT_FLOAT_EQ(logger->chart->YData(0, 2), 402.0f);
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(image));
    EXPECT_FALSE(shared.downloadUnsaved);

    // Choosing the second row shows the second set.
    pane->dataSetGrid->setCurrentCell(1, 0);
    pane->onDataSetGridClicked();
    EXPECT_EQ(logger->sampleCountField->text(), "3");

    // A collection without sets changes nothing; the window is reused.
    writeAll(path("none.407"), bytesOf(collectionImage(0, 0)));
    prompter.files = {path("none.407")};
    commands.runOpenCommand();
    EXPECT_EQ(created, QStringList{"DataLogger"}); // no second window
    EXPECT_EQ(pane->setCount(), 2);
    EXPECT_EQ(readAll(temporaryImagePath(dataFolder)), bytesOf(image));
}

TEST_F(FileCommandsTest, CollectionOpenMakesTheDataLoggerWindowFirst) {
    choose = Sets;
    prompter.files = {QString()}; // cancelled in the file dialog
    commands.runOpenCommand();
    ASSERT_EQ(created, QStringList{"DataLogger"});
    auto* logger = qobject_cast<GraphWindow*>(windows.back().data());
    ASSERT_NE(dataSetPaneOf(*logger), nullptr);
    EXPECT_EQ(dataSetPaneOf(*logger)->setCount(), 0);
    EXPECT_EQ(logger->chart->Points(), 500);

    // The main window's own data-logger window is used when it supplies one.
    GraphWindow* existing = graphWindow(GraphWindow::kDataLoggerCaption);
    created.clear();
    FileCommands::Windows w = callbacks();
    int asked = 0;
    w.dataLoggerWindow = [&] {
        ++asked;
        return existing;
    };
    FileCommands own(prompter, clock, dataFolder, store, shared, w);
    writeAll(path("c.407"), bytesOf(collectionImage(1, 4)));
    prompter.files = {path("c.407")};
    own.runOpenCommand();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(created.isEmpty());
    ASSERT_NE(dataSetPaneOf(*existing), nullptr);
    EXPECT_EQ(dataSetPaneOf(*existing)->setCount(), 1);
    EXPECT_EQ(existing->chart->Points(), 4);
}

// Memory that runs out in the middle of an open is reported; the user's windows stay, and the next
// open works.
TEST_F(FileCommandsTest, AllocationFailureInAnOpenIsReportedAndTheWindowsStay) {
    const QString good = path("good.ghf");
    ASSERT_TRUE(writeGraphFile(*filledGraph("a")->chart, good));
    const auto before = windows.size();
    FileCommands::Windows failingWindows = callbacks();
    failingWindows.createGraphWindow = [](const QString&) -> GraphWindow* { throw std::bad_alloc(); };
    FileCommands failing{prompter, clock, dataFolder, store, shared, failingWindows};
    prompter.files = {good};
    failing.openSingleFile();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0],
              "There is not enough memory to open " + QDir::toNativeSeparators(good) + ".");
    EXPECT_EQ(windows.size(), before);
    for (const auto& w : windows)
        EXPECT_FALSE(w.isNull());

    prompter.files = {good};
    commands.openSingleFile();
    EXPECT_EQ(created, QStringList{good});
}

} // namespace test_file_commands
