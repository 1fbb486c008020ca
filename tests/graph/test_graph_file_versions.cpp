// Graph files written before charts carried limit lines open as they were saved, and files with
// limit lines keep them.
#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "saved_chart_fixture.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_file_versions {

const QString kBeforeLimitLines = QStringLiteral(QZ407_GRAPH_FIXTURES "/before_limit_lines.ghf");

TEST(GraphFileVersions, FileFromBeforeLimitLinesOpensUnchanged) {
    const QByteArray file = readAll(kBeforeLimitLines);
    ASSERT_EQ(file.size(), 1501);
    ASSERT_EQ(file.mid(4, 12), QByteArray("QZ407CHT\x01\0\0\0", 12)); // version 1 of the state

    ScriptedPrompter prompter;
    ChartWidget expected(prompter);
    buildSavedChartFixture(expected);
    ChartWidget opened(prompter);
    QString error;
    ASSERT_TRUE(readGraphFile(opened, kBeforeLimitLines, &error)) << error.toStdString();
    EXPECT_EQ(opened.model(), expected.model());
    EXPECT_TRUE(opened.limitLines().empty());
    // What the chart shows of it: the zoomed view, the hidden channel, the marks and the table.
    ASSERT_TRUE(opened.isZoomed());
    EXPECT_DOUBLE_EQ(opened.model().zoomStack.back().xMin, 46234.5 + 2 * 30.0 / 86400.0);
    EXPECT_EQ(opened.model().drawnSubsets(), (std::vector<int>{0, 2}));
    EXPECT_FALSE(opened.customPlot()->graph(1)->visible());
    EXPECT_EQ(opened.GraphAnnotationText(5), "window\ropened");
    EXPECT_EQ(opened.TAText(3, 1), "2450@7/30/26 12:05:30 PM");
    EXPECT_TRUE(opened.ShowTableAnnotation());

    // Saved again it is written in the newest version, and reads back the same.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString again = dir.filePath(QStringLiteral("again.ghf"));
    ASSERT_TRUE(writeGraphFile(opened, again, &error)) << error.toStdString();
    EXPECT_EQ(readAll(again).mid(12, 4), QByteArray("\x03\0\0\0", 4));
    ChartWidget reopened(prompter);
    ASSERT_TRUE(readGraphFile(reopened, again, &error)) << error.toStdString();
    EXPECT_EQ(reopened.model(), expected.model());
}

TEST(GraphFileVersions, LimitLinesAreSavedWithTheGraph) {
    ScriptedPrompter prompter;
    ChartWidget chart(prompter);
    buildSavedChartFixture(chart);
    chart.setLimitLines({{0, 1000.0}, {0, 2000.0}, {2, 26.0}});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("limits.ghf"));
    ASSERT_TRUE(writeGraphFile(chart, path));
    ChartWidget opened(prompter);
    ASSERT_TRUE(readGraphFile(opened, path));
    EXPECT_EQ(opened.limitLines(), (std::vector<LimitLine>{{0, 1000.0}, {0, 2000.0}, {2, 26.0}}));
    EXPECT_EQ(opened.model(), chart.model());
}

} // namespace test_graph_file_versions
