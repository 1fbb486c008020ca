// The graph window: layout, chart preparation and template, channel boxes, split, font,
// customization, closing rules, the graph file and the Y-axis dialog.
#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "graph/y_axis_scale_dialog.h"
#include "platform/checked_save_file.h"
#include "support/scripted_prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_window {
#endif

constexpr double kStart = 46234.5;
constexpr double kStep = 60.0 / 86400.0;

class GraphWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path());
    }
    void TearDown() override {
        for (const QPointer<GraphWindow>& w : windows)
            delete w.data();
        setGraphProgramDirectory(QString());
    }
    GraphWindow* window(const QString& caption = QStringLiteral("Graph")) {
        auto* w = new GraphWindow(prompter, shared);
        w->setWindowTitle(caption);
        w->configureGraph(3, 10, kStart, kStart + 9 * kStep, 0, 10000, -50, 100);
        windows << w;
        return w;
    }
    bool makeTemplateFolder() { return QDir(dir.path()).mkpath(QStringLiteral("template")); }
    // A file where the template folder belongs: the folder cannot be made, the template not written.
    void blockTemplateFolder() {
        QFile blocker(dir.filePath(QStringLiteral("template")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    static std::pair<double, double> yScale(ChartWidget& chart, int axis) {
        const auto& a = chart.model().yAxisAt(axis);
        return {a.manualMin, a.manualMax};
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    QList<QPointer<GraphWindow>> windows;
};

TEST_F(GraphWindowTest, LayoutNamesCaptionsAndStartState) {
    GraphWindow* w = window();
    GraphWindow fresh(prompter, shared);
    EXPECT_EQ(fresh.windowTitle(), "Graph");
    EXPECT_EQ(fresh.size(), QSize(1160, 615));
    const std::pair<const char*, const char*> hints[] = {
        {"graphStatisticButton", "Toggle Graph Statistic"},
        {"lineCursorStatisticButton", "Toggle Line Cursor Statistic"},
        {"normalCursorButton", "Normal Cursor"},
        {"crossButton", "Draw A Cross On Graph"},
        {"textButton", "Text"},
        {"markColorButton", "Set Annotation Color"},
        {"clearButton", "Clear"}};
    for (const auto& [name, hint] : hints) {
        auto* b = w->findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        // Cross and Text are disabled on this two-axis chart: their tips say when they work.
        const QString when = b->isEnabled() ? QString() : "\n" + GraphWindow::kSingleAxisToolHint;
        EXPECT_EQ(b->toolTip(), hint + when);
    }
    EXPECT_TRUE(w->graphStatisticButton->isChecked());
    EXPECT_TRUE(w->lineCursorStatisticButton->isChecked());
    EXPECT_TRUE(w->normalCursorButton->isChecked());
    EXPECT_TRUE(w->clearButton->isHidden());
    EXPECT_TRUE(w->clearDivider->isHidden());
    EXPECT_FALSE(w->undoZoomButton->isEnabled());
    EXPECT_EQ(w->undoZoomButton->text(), "Undo Zoom");
    EXPECT_TRUE(w->splitAxesBox->isHidden());
    EXPECT_TRUE(w->splitAxesBox->isChecked());
    EXPECT_EQ(w->splitAxesBox->text(), "Split");
    EXPECT_EQ(w->graphOptionButton->text(), "Graph Option");
    EXPECT_EQ(w->graphOptionButton->toolTip(), "Graph Customization");
    EXPECT_EQ(w->yAxisButton->text(), "Y Axis");
    EXPECT_EQ(w->yAxisButton->toolTip(), "set the maximum and minimum extent of the left y axis.");
    EXPECT_EQ(w->fontButton->text(), "Font");
    EXPECT_EQ(w->showMaxMinButton->text(), "Show MAX/MIN on Graph");
    for (QCheckBox* c : {w->ppmBox, w->humidityBox, w->temperatureBox})
        EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(w->humidityBox->text(), "%RH");
    EXPECT_EQ(w->temperatureBox->text(), "Temp.");
    for (QComboBox* c : {w->minutesBox, w->secondsBox}) {
        ASSERT_EQ(c->count(), 61);
        EXPECT_EQ(c->itemText(0), "00");
        EXPECT_EQ(c->itemText(60), "60");
    }
    EXPECT_FALSE(w->samplingRatePanel->isEnabled());
    EXPECT_FALSE(w->startTimeField->isEnabled());
    EXPECT_FALSE(w->sampleCountField->isEnabled());
    EXPECT_EQ(fresh.sampleCountField->text(), "0");
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(fresh.avgField(c)->text(), "***.* ");
        EXPECT_TRUE(fresh.maxField(c)->text().isEmpty());
    }
    EXPECT_EQ(w->findChild<QLineEdit*>("temperatureAvgField"), w->temperatureAvgField);
    EXPECT_EQ(w->readOutLabel->parentWidget(), w->chart);
    EXPECT_TRUE(w->dataSetPane()->isHidden());
    EXPECT_EQ(w->splitter()->widget(0), w->dataSetPane());
    // Split chart: Cross and Text stay off.
    EXPECT_FALSE(w->crossButton->isEnabled());
    EXPECT_FALSE(w->textButton->isEnabled());

    auto* pane = new QWidget;
    w->setDataSetPane(pane);
    EXPECT_EQ(w->dataSetPane(), pane);
    EXPECT_EQ(w->splitter()->widget(0), pane);
    EXPECT_TRUE(pane->isHidden());
}

TEST_F(GraphWindowTest, ConfigureGraphBuiltInLook) {
    ChartWidget& c = *window()->chart;
    EXPECT_EQ(c.Subsets(), 3);
    EXPECT_EQ(c.Points(), 10);
    EXPECT_DOUBLE_EQ(c.XDataII(2, 9), 0.0);
    EXPECT_FLOAT_EQ(c.YData(1, 4), 99999.0f);
    EXPECT_EQ(c.ManualScaleControlX(), pe::sgManualMinAndMax);
    EXPECT_DOUBLE_EQ(c.ManualMinX(), kStart);
    EXPECT_DOUBLE_EQ(c.ManualMaxX(), kStart + 9 * kStep);
    EXPECT_EQ(c.SubsetLabels(0), "ppm");
    EXPECT_EQ(c.SubsetLabels(1), "%RH");
    EXPECT_EQ(c.SubsetLabels(2), "Temp.");
    EXPECT_EQ(c.SubsetColors(0), peRgb(255, 255, 0));
    EXPECT_EQ(c.GraphBackColor(), peRgb(0, 0, 0));
    EXPECT_EQ(c.GraphForeColor(), peRgb(0, 128, 0));
    EXPECT_EQ(c.DeskColor(), peRgb(192, 192, 192));
    EXPECT_EQ(c.XAxisLabel(), "Time");
    EXPECT_EQ(c.SubTitle(), " ");
    EXPECT_EQ(c.GridStyle(), pe::sgDot);
    EXPECT_EQ(c.AllowZooming(), pe::sgHorzPlusVertZooming);
    EXPECT_EQ(c.DateTimeMode(), pe::sgVBDateTime);
    EXPECT_FALSE(c.AllowAxisPage());
    EXPECT_EQ(c.VertLineAnnotationColor(0), peRgb(0, 0, 255));
    EXPECT_EQ(c.VertLineAnnotationColor(1), peRgb(255, 0, 0));
    EXPECT_TRUE(c.AllowGraphAnnotHotSpots());
    EXPECT_EQ(c.axisCount(), 2);
    EXPECT_EQ(c.MultiAxesSubsets(0), 1);
    EXPECT_EQ(c.MultiAxesSubsets(1), 2);
    EXPECT_DOUBLE_EQ(c.MultiAxesProportions(0), 0.5);
    EXPECT_EQ(yScale(c, 0), std::make_pair(0.0, 10000.0));
    EXPECT_EQ(yScale(c, 1), std::make_pair(-50.0, 100.0));
    EXPECT_EQ(c.WorkingAxis(), 0);
    EXPECT_EQ(c.customPlot()->axisRectCount(), 2);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(GraphWindowTest, TemplateGivesLookButCallerGivesSubsetsSplitAndScales) {
    ASSERT_TRUE(makeTemplateFolder());
    {
        ScriptedPrompter p;
        ChartWidget look(p);
        configureGraph(look, 3, 5, kStart, kStart + 4 * kStep, 0, 10000, -50, 100);
        look.setGraphBackColor(peRgb(255, 255, 255));
        look.setMainTitle("Office");
        look.setSubsetColors(1, peRgb(0, 200, 0));
        look.setSubsetLabels(0, "CO2");
        look.setSubsets(5);
        look.setMultiAxesSubsets(-1, 0);
        look.setMultiAxesProportions(-1, 0);
        look.setMultiAxesProportions(0, 1.0);
        look.setManualMinY(300);
        look.setManualMaxY(900);
        look.setYData(0, 1, 555.0f);
        look.setRandomSubsetsToGraph(-1, 0);
        look.setRandomSubsetsToGraph(0, 2);
        look.setGraphAnnotationType(4, pe::sgCrossMark);
        look.setShowTableAnnotation(true);
        QString error;
        ASSERT_TRUE(writeGraphFile(look, graphTemplateFile(), &error)) << error.toStdString();
    }
    ChartWidget& c = *window()->chart;
    EXPECT_EQ(c.GraphBackColor(), peRgb(255, 255, 255));
    EXPECT_EQ(c.MainTitle(), "Office");
    EXPECT_EQ(c.SubsetColors(1), peRgb(0, 200, 0));
    EXPECT_EQ(c.SubsetLabels(0), "ppm");
    EXPECT_EQ(c.Subsets(), 3);
    EXPECT_EQ(c.Points(), 10);
    EXPECT_FLOAT_EQ(c.YData(0, 1), 99999.0f);
    EXPECT_EQ(c.axisCount(), 2);
    EXPECT_DOUBLE_EQ(c.MultiAxesProportions(0), 0.5);
    EXPECT_DOUBLE_EQ(c.MultiAxesProportions(1), 0.5);
    EXPECT_EQ(yScale(c, 0), std::make_pair(0.0, 10000.0));
    EXPECT_EQ(yScale(c, 1), std::make_pair(-50.0, 100.0));
    // Nothing of the template's own data: all channels drawn, no marks, no MAX/MIN table.
    EXPECT_EQ(c.model().drawnSubsets(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(c.GraphAnnotationType(4), pe::sgNoSymbol);
    EXPECT_FALSE(c.ShowTableAnnotation());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(GraphWindowTest, UnreadableTemplateIsReportedAndBuiltInLookUsed) {
    ASSERT_TRUE(makeTemplateFolder());
    QFile f(graphTemplateFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x10\0\0\0garbage", 11);
    f.close();
    ChartWidget& c = *window()->chart;
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("template")) << prompter.shown[0].toStdString();
    EXPECT_EQ(c.GraphBackColor(), peRgb(0, 0, 0));
    EXPECT_EQ(c.axisCount(), 2);
}

TEST_F(GraphWindowTest, ChannelBoxesChooseTheDrawnSubsets) {
    GraphWindow* w = window();
    ChartWidget& c = *w->chart;
    w->ppmBox->setChecked(false);
    EXPECT_EQ(c.model().drawnSubsets(), (std::vector<int>{1, 2}));
    w->temperatureBox->setChecked(false);
    EXPECT_EQ(c.model().drawnSubsets(), (std::vector<int>{1}));
    EXPECT_EQ(c.RandomSubsetsToGraph(0), 1);
    w->humidityBox->setChecked(false);
    EXPECT_EQ(c.RandomSubsetsToGraphCount(), 0);
    EXPECT_TRUE(c.model().drawnSubsets().empty());
    w->temperatureBox->setChecked(true);
    w->ppmBox->setChecked(true);
    EXPECT_EQ(c.model().drawnSubsets(), (std::vector<int>{0, 2}));
}

TEST_F(GraphWindowTest, UncheckingSplitGivesOneAxisAndEnablesCrossAndText) {
    GraphWindow* w = window();
    w->splitAxesBox->setChecked(false);
    ChartWidget& c = *w->chart;
    EXPECT_EQ(c.axisCount(), 1);
    EXPECT_DOUBLE_EQ(c.MultiAxesProportions(0), 1.0);
    EXPECT_EQ(c.customPlot()->axisRectCount(), 1);
    EXPECT_TRUE(w->crossButton->isEnabled());
    EXPECT_TRUE(w->textButton->isEnabled());
    w->updateCrossAndTextTools();
    EXPECT_TRUE(w->crossButton->isEnabled());
}

TEST_F(GraphWindowTest, FontGoesToTheStatisticPanelsOnly) {
    GraphWindow* w = window();
    const QFont chartFont = w->chart->font();
    w->onFontClicked(); // cancelled
    EXPECT_NE(w->statisticPanel->font().family(), "Courier");
    QFont chosen("Courier", 13);
    prompter.fonts.push_back(chosen);
    w->fontButton->click();
    EXPECT_EQ(w->statisticPanel->font().family(), chosen.family());
    EXPECT_EQ(w->statisticStrip->font().pointSize(), 13);
    EXPECT_EQ(w->chart->font(), chartFont);
}

TEST_F(GraphWindowTest, GraphOptionRestoresXAndOffersTheTemplate) {
    ASSERT_TRUE(makeTemplateFolder());
    GraphWindow* w = window();
    ChartWidget& c = *w->chart;
    c.setPEactions(pe::sgResetImage);
    w->undoZoomButton->setEnabled(true);
    c.setWorkingAxis(1);
    prompter.dialogHandler = [&](QDialog& d) {
        c.setManualMinX(1.0); // whatever the dialog did to X is taken back
        if (auto* title = d.findChild<QLineEdit*>("mainTitle"))
            title->setText("Lab");
        return int(QDialog::Accepted);
    };
    prompter.answers = {Prompter::No};
    w->graphOptionButton->click();
    EXPECT_EQ(prompter.questions, QStringList{"Do you want to save the changes ?"});
    EXPECT_FALSE(QFile::exists(graphTemplateFile()));
    EXPECT_DOUBLE_EQ(c.ManualMinX(), kStart);
    EXPECT_EQ(c.WorkingAxis(), 0);
    EXPECT_FALSE(w->undoZoomButton->isEnabled());

    prompter.answers = {Prompter::Yes};
    w->graphOptionButton->click();
    ASSERT_TRUE(QFile::exists(graphTemplateFile()));
    ChartWidget back(prompter);
    ASSERT_TRUE(readGraphFile(back, graphTemplateFile()));
    EXPECT_EQ(back.MainTitle(), "Lab");

    // Cancelled dialog: no question.
    prompter.dialogHandler = [](QDialog&) { return int(QDialog::Rejected); };
    w->graphOptionButton->click();
    EXPECT_EQ(prompter.questions.size(), 2);
}

TEST_F(GraphWindowTest, TemplateWriteFailureIsShownAndChartKept) {
    blockTemplateFolder();
    GraphWindow* w = window();
    prompter.dialogHandler = [](QDialog&) { return int(QDialog::Accepted); };
    prompter.answers = {Prompter::Yes};
    w->graphOptionButton->click();
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_TRUE(prompter.shown[1].startsWith("Cannot create file")) << prompter.shown[1].toStdString();
    EXPECT_EQ(w->chart->axisCount(), 2);
}

TEST_F(GraphWindowTest, DataLoggerCloseQuestionAndUnsavedDownloadFlag) {
    GraphWindow* w = window(GraphWindow::kDataLoggerCaption);
    QSignalSpy saves(w, &GraphWindow::saveRequested);
    QSignalSpy closed(w, &GraphWindow::closedWindow);
    shared.downloadUnsaved = true;
    prompter.answers = {Prompter::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(prompter.questions, QStringList{"Save DataLogger Data ?"});
    EXPECT_TRUE(shared.downloadUnsaved);
    EXPECT_EQ(closed.count(), 0);

    // Yes, but the save was cancelled: the data stay, and so does the window.
    prompter.answers = {Prompter::Yes};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(shared.downloadUnsaved);

    // Yes and the collection saved (the save clears the flag): the window closes.
    QObject::connect(w, &GraphWindow::saveRequested, [this] { shared.downloadUnsaved = false; });
    prompter.answers = {Prompter::Yes};
    EXPECT_TRUE(w->close());
    EXPECT_EQ(saves.count(), 2);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(shared.downloadUnsaved);

    // No: closes, flag cleared, so the next data-logger graph closes without asking.
    GraphWindow* again = window(GraphWindow::kDataLoggerCaption);
    shared.downloadUnsaved = true;
    prompter.answers = {Prompter::No};
    EXPECT_TRUE(again->close());
    EXPECT_FALSE(shared.downloadUnsaved);
    GraphWindow* third = window(GraphWindow::kDataLoggerCaption);
    EXPECT_TRUE(third->close());
    EXPECT_EQ(prompter.questions.size(), 4);
}

// Closing another graph window must not throw away the question about downloaded data.
TEST_F(GraphWindowTest, ClosingOtherGraphWindowsKeepsTheDownloadFlag) {
    shared.downloadUnsaved = true;
    bool realTimeUnsaved = false;
    shared.realTimeUnsaved = &realTimeUnsaved;
    for (const QString& caption : {QStringLiteral("C:/data/room.ghf"), GraphWindow::kRealTimeCaption}) {
        GraphWindow* other = window(caption);
        EXPECT_TRUE(other->close());
        EXPECT_TRUE(shared.downloadUnsaved) << caption.toStdString();
    }
    EXPECT_TRUE(prompter.questions.isEmpty());
}

TEST_F(GraphWindowTest, AskedAndAgreedWindowClosesWithoutAskingAgain) {
    GraphWindow* w = window(GraphWindow::kDataLoggerCaption);
    shared.downloadUnsaved = true;
    prompter.answers = {Prompter::No};
    ASSERT_TRUE(w->mayClose());
    EXPECT_TRUE(shared.downloadUnsaved); // nothing closed yet
    w->setCloseAgreed(true);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_FALSE(shared.downloadUnsaved);
}

TEST_F(GraphWindowTest, DataLoggerRefusesToCloseWhileADownloadFillsIt) {
    GraphWindow* w = window(GraphWindow::kDataLoggerCaption);
    GraphWindow* other = window("C:/data/room.ghf");
    shared.downloadRunning = true;
    w->setCloseAgreed(true);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(prompter.shown, QStringList{GraphWindow::kDownloadRunning});
    EXPECT_TRUE(other->close());
    shared.downloadRunning = false;
    EXPECT_TRUE(w->close());
}

TEST_F(GraphWindowTest, RealTimeCloseQuestion) {
    bool unsaved = true;
    shared.realTimeUnsaved = &unsaved;
    GraphWindow* w = window(GraphWindow::kRealTimeCaption);
    QSignalSpy saves(w, &GraphWindow::saveGraphRequested);
    prompter.answers = {Prompter::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(unsaved);
    prompter.answers = {Prompter::No};
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(unsaved);
    EXPECT_EQ(saves.count(), 0);

    unsaved = true;
    GraphWindow* second = window(GraphWindow::kRealTimeCaption);
    QSignalSpy saves2(second, &GraphWindow::saveGraphRequested);
    prompter.answers = {Prompter::Yes};
    EXPECT_TRUE(second->close());
    EXPECT_EQ(saves2.count(), 1);
    EXPECT_FALSE(unsaved);
    EXPECT_EQ(prompter.questions,
              QStringList({"Save Real-Time Graph ?", "Save Real-Time Graph ?", "Save Real-Time Graph ?"}));
}

TEST_F(GraphWindowTest, ShowingResetsTheSharedToolAndActivationIsSignalled) {
    GraphWindow* w = window();
    QSignalSpy activated(w, &GraphWindow::activated);
    shared.tool = GraphTool::Cross;
    w->show();
    EXPECT_EQ(shared.tool, GraphTool::Normal);
    EXPECT_EQ(w->chart->ArrowCursor(), pe::sgArrowCursor);
    w->onActivated();
    EXPECT_GE(activated.count(), 1);
}

// --- Graph file ------------------------------------------------------------------------------

class GraphFile : public GraphWindowTest {
  protected:
    ChartWidget& filled() {
        ChartWidget& c = *window()->chart;
        for (int p = 0; p < 10; ++p) {
            for (int s = 0; s < 3; ++s) {
                c.setXDataII(s, p, kStart + p * kStep);
                c.setYData(s, p, float(100 * s + p));
            }
        }
        c.setGraphAnnotationType(4, pe::sgCrossMark);
        c.setGraphAnnotationX(4, kStart + kStep);
        return c;
    }
    QByteArray bytesOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString path(const char* name) { return dir.filePath(name); }
};

TEST_F(GraphFile, RoundTripWithLittleEndianLength) {
    ChartWidget& c = filled();
    ASSERT_TRUE(writeGraphFile(c, path("a.ghf")));
    const QByteArray bytes = bytesOf(path("a.ghf"));
    const QByteArray state = c.storeState();
    ASSERT_EQ(bytes.size(), state.size() + 4);
    EXPECT_EQ(quint8(bytes[0]) | quint8(bytes[1]) << 8 | quint8(bytes[2]) << 16 |
                  quint32(quint8(bytes[3])) << 24,
              quint32(state.size()));
    EXPECT_EQ(bytes.mid(4), state);

    ScriptedPrompter p;
    ChartWidget back(p);
    QString error;
    ASSERT_TRUE(readGraphFile(back, path("a.ghf"), &error)) << error.toStdString();
    EXPECT_EQ(back.model(), c.model());
}

TEST_F(GraphFile, DamagedFilesAreRefusedAndTheChartKept) {
    ChartWidget& c = filled();
    ASSERT_TRUE(writeGraphFile(c, path("a.ghf")));
    const QByteArray good = bytesOf(path("a.ghf"));
    ChartWidget& target = *window()->chart;
    target.setMainTitle("keep me");
    const ChartModel before = target.model();

    QByteArray lying = good;
    lying[0] = char(quint8(lying[0]) + 1);
    const QByteArray cases[] = {good.left(good.size() - 10), good.left(3), lying, good + "x", QByteArray()};
    for (const QByteArray& bad : cases) {
        writeBytes(path("bad.ghf"), bad);
        QString error;
        EXPECT_FALSE(readGraphFile(target, path("bad.ghf"), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(target.model(), before);
    }
    // Right length, broken content: the chart's own check refuses it.
    QByteArray broken = good;
    broken[20] = char(broken[20] ^ 0x5A);
    writeBytes(path("bad.ghf"), broken);
    QString error;
    EXPECT_FALSE(readGraphFile(target, path("bad.ghf"), &error));
    EXPECT_TRUE(error.contains("not a valid graph file")) << error.toStdString();
    EXPECT_EQ(target.model(), before);
    EXPECT_FALSE(readGraphFile(target, path("missing.ghf"), &error));
    EXPECT_TRUE(error.startsWith("Cannot open file")) << error.toStdString();
}

#ifdef Q_OS_UNIX
TEST_F(GraphFile, FailedWriteKeepsTheOlderFile) {
    ChartWidget& c = filled();
    ASSERT_TRUE(writeGraphFile(c, path("a.ghf")));
    const QByteArray older = bytesOf(path("a.ghf"));
    c.setPoints(5000); // a larger state than the file size limit below allows
    // Make the disk "full" for this process: writes beyond 64 KiB fail (also for root).
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString error;
    const bool written = writeGraphFile(c, path("a.ghf"), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith("Cannot write file")) << error.toStdString();
    EXPECT_EQ(bytesOf(path("a.ghf")), older);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ghf"});
}
#endif

// The last buffered bytes failing at the commit (a full disk under Qt 6.4's QSaveFile) fail the
// save too, with the system's reason.
TEST_F(GraphFile, FailedLastFlushKeepsTheOlderFile) {
    ChartWidget& c = filled();
    ASSERT_TRUE(writeGraphFile(c, path("a.ghf")));
    const QByteArray older = bytesOf(path("a.ghf"));
    c.setPoints(50);
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    QString error;
    EXPECT_FALSE(writeGraphFile(c, path("a.ghf"), &error));
    EXPECT_EQ(error,
              "Cannot write file " + QDir::toNativeSeparators(path("a.ghf")) + ": No space left on device");
    EXPECT_EQ(bytesOf(path("a.ghf")), older);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ghf"});
}

// --- Y-axis dialog ---------------------------------------------------------------------------

class YAxisDialog : public GraphWindowTest {
  protected:
    // Answers the dialog: records what it offered, types the given texts, closes with `result`.
    void answer(QStringList texts, int result = QDialog::Accepted, bool save = false) {
        prompter.dialogHandler = [this, texts, result, save](QDialog& d) {
            auto& dialog = dynamic_cast<YAxisScaleDialog&>(d);
            offered = {dialog.ppmMinField->text(), dialog.ppmMaxField->text(),
                       dialog.humidityMinField->text(), dialog.humidityMaxField->text()};
            title = dialog.windowTitle();
            saveText = dialog.saveTemplateBox->text();
            saveChecked = dialog.saveTemplateBox->isChecked();
            if (texts.size() == 4) {
                dialog.ppmMinField->setText(texts[0]);
                dialog.ppmMaxField->setText(texts[1]);
                dialog.humidityMinField->setText(texts[2]);
                dialog.humidityMaxField->setText(texts[3]);
            }
            dialog.saveTemplateBox->setChecked(save);
            return result;
        };
    }
    QStringList offered;
    QString title;
    QString saveText;
    bool saveChecked = true;
};

TEST_F(YAxisDialog, OffersTheChartsScalesTruncated) {
    GraphWindow* w = window();
    answer({}, QDialog::Rejected);
    w->yAxisButton->click();
    EXPECT_EQ(offered, QStringList({"0", "10000", "-50", "100"}));
    EXPECT_EQ(title, "Y Axis Maximum And Minimum Scale Setup");
    EXPECT_EQ(saveText, "Save this setting ");
    EXPECT_FALSE(saveChecked);

    w->chart->setWorkingAxis(1);
    w->chart->setManualMinY(-49.7);
    w->chart->setManualMaxY(99.9);
    w->yAxisButton->click();
    EXPECT_EQ(offered, QStringList({"0", "10000", "-49", "99"}));
    EXPECT_EQ(w->chart->WorkingAxis(), 0);
    EXPECT_EQ(yScale(*w->chart, 1), std::make_pair(-49.7, 99.9)); // cancelled: unchanged
}

TEST_F(YAxisDialog, AppliesValuesUnchecked) {
    GraphWindow* w = window();
    answer({"500", "100", " -10 ", "60"});
    w->yAxisButton->click();
    ChartWidget& c = *w->chart;
    EXPECT_EQ(yScale(c, 0), std::make_pair(500.0, 100.0));
    EXPECT_EQ(yScale(c, 1), std::make_pair(-10.0, 60.0));
    EXPECT_EQ(c.WorkingAxis(), 0);
    EXPECT_EQ(c.ManualScaleControlY(), pe::sgManualMinAndMax);
    EXPECT_DOUBLE_EQ(c.ManualMinX(), kStart);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(graphTemplateFile()));
}

TEST_F(YAxisDialog, InvalidTextNamesTheLastOneInOrder) {
    GraphWindow* w = window();
    answer({"0", "lots", "minus", "100"});
    w->yAxisButton->click();
    EXPECT_EQ(prompter.shown, QStringList{"minus is invalid."});
    answer({"1.5", "x", "0", "100"});
    w->yAxisButton->click();
    EXPECT_EQ(prompter.shown.last(), "1.5 is invalid.");
    EXPECT_EQ(yScale(*w->chart, 0), std::make_pair(0.0, 10000.0));
    EXPECT_EQ(yScale(*w->chart, 1), std::make_pair(-50.0, 100.0));
}

TEST_F(YAxisDialog, SavedSettingGivesNewGraphsTheLookButTheirOwnScales) {
    // A fresh installation: no template folder yet. Saving makes it.
    ASSERT_FALSE(QFileInfo::exists(dir.filePath("template")));
    GraphWindow* w = window();
    w->chart->setGraphBackColor(peRgb(10, 20, 30));
    answer({"300", "2000", "0", "50"}, QDialog::Accepted, true);
    w->yAxisButton->click();
    ASSERT_TRUE(QFile::exists(graphTemplateFile()));
    EXPECT_TRUE(prompter.shown.isEmpty());

    ChartWidget& fresh = *window()->chart;
    EXPECT_EQ(fresh.GraphBackColor(), peRgb(10, 20, 30));
    EXPECT_EQ(yScale(fresh, 0), std::make_pair(0.0, 10000.0));
    EXPECT_EQ(yScale(fresh, 1), std::make_pair(-50.0, 100.0));
}

TEST_F(YAxisDialog, TemplateFailureIsShownAndNewScalesStay) {
    blockTemplateFolder();
    GraphWindow* w = window();
    answer({"300", "2000", "0", "50"}, QDialog::Accepted, true);
    w->yAxisButton->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith("Cannot create file")) << prompter.shown[0].toStdString();
    EXPECT_EQ(yScale(*w->chart, 0), std::make_pair(300.0, 2000.0));
}

} // namespace test_graph_window
