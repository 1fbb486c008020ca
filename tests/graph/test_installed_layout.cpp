// The program finds the files it comes with both beside itself (build folder, portable copy) and in
// <prefix>/share/qz407 once installed, and writes its own template where the user may write.
#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "platform/install_paths.h"
#include "support/scripted_prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_installed_layout {

struct InstalledLayout : ::testing::Test {
    QTemporaryDir root;
    QString bin = root.filePath("usr/bin");
    QString share = root.filePath("usr/share/qz407");

    QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");

    void SetUp() override {
        // The user's data folder lies inside the temporary root, so no run sees another's files.
        qputenv("XDG_DATA_HOME", root.filePath("home/.local/share").toLocal8Bit());
        ASSERT_TRUE(QDir().mkpath(bin));
        setProgramFolderOverride(bin);
        setGraphProgramDirectory(QString());
    }
    void TearDown() override {
        setProgramFolderOverride(QString());
        if (savedDataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", savedDataHome);
    }
    void touch(const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void writeTemplate(const QString& path, const QString& title) {
        QDir().mkpath(QFileInfo(path).path());
        ScriptedPrompter p;
        ChartWidget look(p);
        configureGraph(look, 3, 5, 46000.0, 46001.0, 0, 10000, -50, 100);
        look.setMainTitle(title);
        QString error;
        ASSERT_TRUE(writeGraphFile(look, path, &error)) << error.toStdString();
    }
};

TEST_F(InstalledLayout, FilesAreFoundBesideTheProgramFirstThenInTheSharedFolder) {
    EXPECT_FALSE(runsInstalled());
    EXPECT_EQ(programWriteFolder(), bin);
    EXPECT_EQ(findProgramFile("QZ407HELP.htm"), QString());

    touch(share + "/QZ407HELP.htm");
    EXPECT_TRUE(runsInstalled());
    EXPECT_EQ(findProgramFile("QZ407HELP.htm"), share + "/QZ407HELP.htm");
    // Installed, the program writes into the user's data folder, never into <prefix>/bin.
    EXPECT_EQ(programWriteFolder(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    EXPECT_NE(programWriteFolder(), bin);

    touch(bin + "/QZ407HELP.htm");
    EXPECT_EQ(findProgramFile("QZ407HELP.htm"), bin + "/QZ407HELP.htm");
}

TEST_F(InstalledLayout, NewChartsTakeTheShippedTemplateUntilTheUserSavesTheirOwn) {
    writeTemplate(share + "/template/graph.ghf", "Shipped");
    EXPECT_TRUE(graphTemplateFile().startsWith(root.filePath("home/.local/share/")));
    EXPECT_TRUE(graphTemplateFile().endsWith("/template/graph.ghf"));
    EXPECT_EQ(graphTemplateReadFile(), share + "/template/graph.ghf");
    {
        ScriptedPrompter p;
        ChartWidget chart(p);
        configureGraph(chart, 3, 5, 46000.0, 46001.0, 0, 10000, -50, 100);
        EXPECT_EQ(chart.MainTitle(), "Shipped");
    }

    writeTemplate(graphTemplateFile(), "Mine");
    EXPECT_EQ(graphTemplateReadFile(), graphTemplateFile());
    ScriptedPrompter p;
    ChartWidget chart(p);
    configureGraph(chart, 3, 5, 46000.0, 46001.0, 0, 10000, -50, 100);
    EXPECT_EQ(chart.MainTitle(), "Mine");
}

} // namespace test_installed_layout
