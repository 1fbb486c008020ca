#include "chart/chart_widget.h"
#include "files/collection_file.h"
#include "files/file_commands.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "logger/data_set_pane.h"
#include "logger/table_window.h"
#include "realtime/real_time_setup_dialog.h"
#include "shell/activity_panel.h"
#include "shell/recent_files.h"
#include "support/main_window_rig.h"
#include "support/memory_images.h"
#include "support/test_helpers.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_desktop_files {

constexpr double T0 = 46234.5;

struct DesktopFilesTest : MainWindowRig {
    void SetUp() override {
        start();
        showMain();
    }
    QString path(const QString& name) const { return QFileInfo(dir.filePath(name)).absoluteFilePath(); }
    // A graph file of a few points.
    QString graphFile(const QString& name) {
        GraphWindow* graph = main->createGraphWindow("source");
        graph->configureGraph(3, 5, T0, T0 + 4 / 86400.0, 0, 10000, -50, 100);
        for (int p = 0; p < 5; ++p) {
            for (int s = 0; s < 3; ++s) {
                graph->chart->setXDataII(s, p, T0 + p / 86400.0);
                graph->chart->setYData(s, p, float(400 + p));
            }
        }
        EXPECT_TRUE(writeGraphFile(*graph->chart, path(name)));
        graph->setCloseAgreed(true);
        graph->parentWidget()->close();
        QCoreApplication::processEvents();
        return path(name);
    }
    QStringList captions() const {
        QStringList list;
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList())
            list << sub->windowTitle();
        return list;
    }
    // The recent files as a new run would read them from the settings file.
    QStringList storedRecentFiles() const { return Settings(dir.filePath("qz407.ini")).recentFiles(); }
};

TEST(RecentFilesList, NewestFirstOnceOnlyAtMostEight) {
    QStringList list;
    for (int i = 1; i <= 10; ++i)
        list = RecentFiles::withFileOnTop(list, QStringLiteral("/d/f%1.ghf").arg(i));
    EXPECT_EQ(list, (QStringList{"/d/f10.ghf", "/d/f9.ghf", "/d/f8.ghf", "/d/f7.ghf", "/d/f6.ghf",
                                 "/d/f5.ghf", "/d/f4.ghf", "/d/f3.ghf"}));
    // One opened again moves to the top, and is not listed twice.
    list = RecentFiles::withFileOnTop(list, "/d/f5.ghf");
    EXPECT_EQ(list.mid(0, 3), (QStringList{"/d/f5.ghf", "/d/f10.ghf", "/d/f9.ghf"}));
    EXPECT_EQ(list.size(), 8);
    EXPECT_EQ(list.count("/d/f5.ghf"), 1);
}

// Each kind of file opens from its name as File > Open opens it, and goes to the top of the
// recent files, stored at once: a run that ends without closing the window still has them.
TEST_F(DesktopFilesTest, NamedFilesOpenByKindAndAreRemembered) {
    LocaleGuard us("en_US");
    const QString graph = graphFile("g.ghf");
    writeAll(path("t.txt"), "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\r\n");
    writeAll(path("c.407"), bytesOf(collectionImage(2, 3)));

    EXPECT_TRUE(main->openFiles({graph, path("t.txt"), path("c.407")}));
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join('\n').toStdString();
    const QStringList open = captions();
    EXPECT_TRUE(open.contains(graph));
    EXPECT_TRUE(open.contains(path("t.txt")));
    ASSERT_TRUE(open.contains("DataLogger"));
    EXPECT_EQ(main->dataSetStore().sets.size(), 2u);

    const QStringList expected{path("c.407"), path("t.txt"), graph};
    EXPECT_EQ(main->recentFiles().files(), expected);
    EXPECT_EQ(storedRecentFiles(), expected);
    // The menu lists them in that order.
    const auto items = main->recentFilesMenu->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "&1 c.407");
    EXPECT_EQ(items[2]->text(), "&3 g.ghf");

    // A crash: the next run lists them all the same.
    start();
    showMain();
    EXPECT_EQ(main->recentFiles().files(), expected);
    EXPECT_EQ(main->recentFilesMenu->actions().size(), 3);
}

TEST_F(DesktopFilesTest, RecentFileOpensAgainAndAMissingOneIsDropped) {
    const QString a = graphFile("a.ghf");
    const QString b = graphFile("b.ghf");
    main->openFiles({a, b});
    ASSERT_EQ(main->recentFiles().files(), (QStringList{b, a}));
    for (QMdiSubWindow* sub : main->mdiArea()->subWindowList()) {
        if (sub->windowTitle() == a || sub->windowTitle() == b) {
            qobject_cast<GraphWindow*>(sub->widget())->setCloseAgreed(true);
            sub->close();
        }
    }
    QCoreApplication::processEvents();

    main->recentFilesMenu->actions()[1]->trigger(); // a.ghf
    EXPECT_TRUE(captions().contains(a));
    EXPECT_EQ(main->recentFiles().files(), (QStringList{a, b}));

    QFile::remove(b);
    prompter.shown.clear();
    main->recentFilesMenu->actions()[1]->trigger(); // b.ghf, gone
    EXPECT_EQ(prompter.shown, QStringList{QDir::toNativeSeparators(b) +
                                          " is no longer there; it was taken off the recent files."});
    EXPECT_EQ(main->recentFiles().files(), QStringList{a});
    EXPECT_EQ(storedRecentFiles(), QStringList{a});
    EXPECT_EQ(main->recentFilesMenu->actions().size(), 1);
}

// A file that cannot be read says what File > Open says about it, and is not remembered.
TEST_F(DesktopFilesTest, BadNamedFilesSayWhatTheOpenCommandSays) {
    const QString good = graphFile("good.ghf");
    QByteArray bytes = readAll(good);
    writeAll(path("short.ghf"), bytes.left(bytes.size() - 10));
    prompter.files = {path("short.ghf")};
    main->fileCommands().openSingleFile();
    ASSERT_EQ(prompter.shown.size(), 1);
    const QString openSays = prompter.shown[0];

    prompter.shown.clear();
    EXPECT_FALSE(main->openFiles({path("short.ghf")}));
    EXPECT_EQ(prompter.shown, QStringList{openSays});

    // A collection larger than any meter's memory (a sparse file).
    {
        QFile big(path("big.407"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(CollectionFileMaxBytes + 1));
    }
    prompter.shown.clear();
    prompter.files = {path("big.407")};
    main->fileCommands().openCollectionFile();
    const QStringList collectionSays = prompter.shown;
    ASSERT_EQ(collectionSays.size(), 1);
    prompter.shown.clear();
    EXPECT_FALSE(main->openFiles({path("big.407")}));
    EXPECT_EQ(prompter.shown, collectionSays);

    prompter.shown.clear();
    writeAll(path("x.dat"), "1");
    EXPECT_FALSE(main->openFiles({path("x.dat"), path("absent.ghf")}));
    EXPECT_EQ(prompter.shown, (QStringList{FileCommands::notOursMessage(path("x.dat")),
                                           FileCommands::missingMessage(path("absent.ghf"))}));
    EXPECT_TRUE(main->recentFiles().files().isEmpty());
}

TEST_F(DesktopFilesTest, DroppedFilesOpen) {
    const QString graph = graphFile("d.ghf");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(graph), QUrl("https://example.org/x.ghf")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main.get(), &drop);
    QCoreApplication::processEvents();
    EXPECT_TRUE(captions().contains(graph));
    EXPECT_EQ(main->recentFiles().files(), QStringList{graph});

    QMimeData text;
    text.setText("no files");
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(main.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(DesktopFilesTest, SavesSayWhatWasWritten) {
    const QString graph = graphFile("s.ghf");
    main->openFiles({graph});
    auto* window = qobject_cast<GraphWindow*>(main->mdiArea()->currentSubWindow()->widget());
    ASSERT_NE(window, nullptr);
    prompter.files = {path("copy.ghf")};
    ASSERT_TRUE(main->fileCommands().saveGraph(*window));
    EXPECT_EQ(main->activityPanel()->text(), "Saved copy.ghf");
    // The connection panels keep their own texts.
    EXPECT_EQ(main->statusText(1), "Off Connection");
    // A cancelled save says nothing new.
    main->activityPanel()->clear();
    EXPECT_FALSE(main->fileCommands().saveGraph(*window));
    EXPECT_EQ(main->activityPanel()->text(), "");
}

// Save Picture says what it wrote, and its dialog starts where the last picture went.
TEST_F(DesktopFilesTest, PicturesSayWhatWasWrittenAndRememberTheirFolder) {
    main->openFiles({graphFile("p.ghf")});
    auto* window = qobject_cast<GraphWindow*>(main->mdiArea()->currentSubWindow()->widget());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QDir(dir.path()).mkpath("pictures"));
    prompter.files = {path("pictures/chart.png")};
    window->onSavePictureClicked();
    ASSERT_TRUE(QFile::exists(path("pictures/chart.png")));
    EXPECT_EQ(main->activityPanel()->text(), "Saved chart.png");
    window->onSavePictureClicked(); // cancelled
    EXPECT_EQ(prompter.fileRequests.last().initialDir, path("pictures"));
    // Graph files keep their own folder.
    main->fileCommands().openSingleFile();
    EXPECT_EQ(prompter.fileRequests.last().initialDir, main->dataFolderPath);

    // Export Report likewise.
    ASSERT_TRUE(QDir(dir.path()).mkpath("reports"));
    prompter.files = {path("reports/week.pdf")};
    window->onExportReportClicked();
    ASSERT_TRUE(QFile::exists(path("reports/week.pdf")));
    EXPECT_EQ(main->activityPanel()->text(), "Exported week.pdf");
    window->onExportReportClicked(); // cancelled
    EXPECT_EQ(prompter.fileRequests.last().initialDir, path("reports"));
}

// Without its journal, a recording says why in the panel.
TEST_F(DesktopFilesTest, RecordingWithoutJournalSaysSo) {
    main->recorder().setJournalPath(QString());
    tick(2);
    prompter.dialogHandler = [](QDialog& d) {
        dynamic_cast<RealTimeSetupDialog&>(d).sampleCountEdit->setText("   50");
        return int(QDialog::Accepted);
    };
    main->runAction->trigger();
    ASSERT_TRUE(main->realTime().Running);
    tick(4);
    const QString why = main->recorder().journalProblem();
    ASSERT_FALSE(why.isEmpty());
    EXPECT_TRUE(main->activityPanel()->text().endsWith(", no journal: " + why))
        << main->activityPanel()->text().toStdString();
}

// The download's progress shows in the panel while it runs, and goes when it ends.
TEST_F(DesktopFilesTest, DownloadProgressShowsInItsPanel) {
    LocaleGuard us("en_US");
    main->poll().pollTimer.stop();
    tick();
    ASSERT_TRUE(main->poll().Connected);
    QStringList seen;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const QString text = main->activityPanel()->text();
        if (seen.isEmpty() || seen.last() != text)
            seen << text;
    });
    probe.start();
    main->onLoadDataClicked();
    probe.stop();
    ASSERT_EQ(main->dataSetStore().sets.size(), 4u);
    const QStringList progress =
        seen.filter(QRegularExpression("^Downloading: [0-9,]+ of [0-9,]+ bytes \\(\\d+ %\\)$"));
    EXPECT_GE(progress.size(), 2) << seen.join('\n').toStdString();
    EXPECT_EQ(main->activityPanel()->text(), "");
}

// While a recording runs the panel counts its samples and time; a save's word wins for a while.
TEST_F(DesktopFilesTest, RecordingProgressShowsInItsPanel) {
    LocaleGuard us("en_US");
    tick(2);
    ASSERT_TRUE(main->runAction->isEnabled());
    prompter.dialogHandler = [](QDialog& d) {
        dynamic_cast<RealTimeSetupDialog&>(d).sampleCountEdit->setText("   50");
        return int(QDialog::Accepted);
    };
    main->runAction->trigger();
    ASSERT_TRUE(main->realTime().Running);
    for (int i = 0; i < 8; ++i)
        tick();
    const QString text = main->activityPanel()->text();
    EXPECT_TRUE(text.startsWith("Recording: ")) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("%1 sample").arg(main->realTime().SampleCount)))
        << text.toStdString();
    EXPECT_TRUE(text.contains("0:00:0")) << text.toStdString();
    EXPECT_TRUE(text.contains("journal on")) << text.toStdString();

    main->activityPanel()->showMessage("Saved x.ghf");
    tick(2);
    EXPECT_EQ(main->activityPanel()->text(), "Saved x.ghf");
    tick(12);
    EXPECT_TRUE(main->activityPanel()->text().startsWith("Recording: "));
    main->stopAction->trigger();
    EXPECT_EQ(main->activityPanel()->text(), "");
}

// Each kind of file dialog starts where it was last used, in this run and the next; a folder
// that has gone falls back to the data folder.
TEST_F(DesktopFilesTest, FileDialogsStartInTheirLastFolder) {
    const QString graph = graphFile("f.ghf");
    main->openFiles({graph});
    auto* window = qobject_cast<GraphWindow*>(main->mdiArea()->currentSubWindow()->widget());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QDir(dir.path()).mkpath("elsewhere/deeper"));
    prompter.files = {path("elsewhere/deeper/one.ghf")};
    ASSERT_TRUE(main->fileCommands().saveGraph(*window));
    ASSERT_FALSE(main->fileCommands().saveGraph(*window)); // cancelled: only the folder is looked at
    EXPECT_EQ(prompter.fileRequests.last().initialDir, path("elsewhere/deeper"));
    // The open dialog of graph files shares it; the collection dialog has its own.
    main->fileCommands().openSingleFile();
    EXPECT_EQ(prompter.fileRequests.last().initialDir, path("elsewhere/deeper"));
    main->fileCommands().openCollectionFile();
    EXPECT_EQ(prompter.fileRequests.last().initialDir, main->dataFolderPath);

    start(); // a crash: nothing was closed
    showMain();
    main->fileCommands().openSingleFile();
    EXPECT_EQ(prompter.fileRequests.last().initialDir, path("elsewhere/deeper"));

    ASSERT_TRUE(QDir(path("elsewhere")).removeRecursively());
    main->fileCommands().openSingleFile();
    EXPECT_EQ(prompter.fileRequests.last().initialDir, main->dataFolderPath);
}

// The main window's place and size and the child windows' sizes come back at the next start.
TEST_F(DesktopFilesTest, WindowSizesComeBackAfterAClose) {
    EXPECT_FALSE(main->restoreStoredGeometry()); // never stored: the program starts maximised
    main->setGeometry(40, 50, 1100, 700);
    const QString graph = graphFile("w.ghf");
    main->openFiles({graph});
    QMdiSubWindow* sub = main->mdiArea()->currentSubWindow();
    ASSERT_EQ(sub->windowTitle(), graph);
    sub->resize(520, 330);
    const QSize realTime(610, 400);
    main->recorder().window()->parentWidget()->resize(realTime);
    ASSERT_TRUE(main->close());

    start();
    ASSERT_TRUE(main->restoreStoredGeometry());
    EXPECT_EQ(main->geometry().size(), QSize(1100, 700));
    showMain();
    EXPECT_EQ(main->recorder().window()->parentWidget()->size(), realTime);
    main->openFiles({graph});
    EXPECT_EQ(main->mdiArea()->currentSubWindow()->size(), QSize(520, 330));
}

} // namespace test_desktop_files
