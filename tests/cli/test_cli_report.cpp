// qz407-cli report, run as a process without a display, read back with poppler's tools.
#include "chart/chart_widget.h"
#include "cli_process.h"
#include "graph/configure_graph.h"
#include "graph/graph_file.h"
#include "support/memory_images.h"
#include "support/scripted_prompter.h"
#include "support/small_file_system.h"
#include "support/test_helpers.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_cli_report {

class CliReportTest : public ::testing::Test {
  protected:
    QTemporaryDir home;
    QString path(const QString& name) const { return home.filePath(name); }
    CliResult run(const QStringList& args) const { return runCliProcess(args, home.path()); }

    QString demoCollection() {
        const QString file = path("demo.407");
        if (!QFile::exists(file)) {
            const CliResult r = run({"--demo", "--demo-virtual-time", "download", "-o", file});
            EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        }
        return file;
    }
    static QString tool(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static int pageCount(const QString& pdf) {
        return QRegularExpression(R"(Pages:\s+(\d+))").match(tool("pdfinfo", {pdf})).captured(1).toInt();
    }
    static bool landscape(const QString& pdf) {
        const auto m =
            QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+))").match(tool("pdfinfo", {pdf}));
        return m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
    }
    // The text of each page, blanks collapsed.
    static QStringList pages(const QString& pdf) {
        QStringList result;
        for (const QString& page : tool("pdftotext", {"-layout", pdf, "-"}).split(u'\f'))
            if (!page.trimmed().isEmpty())
                result << page.simplified();
        return result;
    }
};

TEST_F(CliReportTest, DemoDownloadThenReportGivesALandscapePageForEachSet) {
    const QString collection = demoCollection();
    const QString pdf = path("report.pdf");
    const CliResult r =
        run({"report", collection, "-o", pdf, "--limits", "ppm=1000,2000", "--limits", "rh=60"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(pageCount(pdf), 4);
    EXPECT_TRUE(landscape(pdf));
    const QStringList text = pages(pdf);
    ASSERT_EQ(text.size(), 4);
    for (int k = 0; k < 4; ++k) {
        const QString& page = text[k];
        EXPECT_TRUE(page.startsWith(QStringLiteral("demo Data set %1 of 4 Start: ").arg(k + 1))) << k;
        EXPECT_TRUE(page.contains(QStringLiteral("Page %1 of 4").arg(k + 1))) << k;
        EXPECT_TRUE(page.contains("CO2 (ppm)") && page.contains("ppm > 1000") && page.contains("RH > 60"))
            << k;
    }
    // The demo memory's second and fourth sets were recorded in Fahrenheit.
    EXPECT_TRUE(text[0].contains("Temperature (°C)"));
    EXPECT_TRUE(text[1].contains("Temperature (°F)"));
    EXPECT_FALSE(text[1].contains("°C"));
    EXPECT_TRUE(text[1].contains("Start: 7/28/26 8:00:00 AM End: 7/28/26 12:09:30 PM Sampling interval: 30 s "
                                 "Samples: 500"))
        << text[1].toStdString();
}

TEST_F(CliReportTest, OneSetTitleLocaleValuesAndPortrait) {
    const QString collection = demoCollection();
    const QString pdf = path("one.pdf");
    CliResult r =
        run({"--locale", "de_DE", "report", collection, "--set", "2", "--title", "Klasse 4b", "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QStringList text = pages(pdf);
    ASSERT_EQ(text.size(), 1);
    EXPECT_TRUE(
        text[0].startsWith("Klasse 4b Data set 2 of 4 Start: 28.07.26 08:00:00 End: 28.07.26 12:09:30"))
        << text[0].toStdString();
    EXPECT_TRUE(text[0].contains(QRegularExpression(R"(Humidity \(%RH\) \d+,\d \d\d\.\d\d\.26)")));

    r = run({"report", collection, "--set", "2", "--values", "--portrait", "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(landscape(pdf));
    text = pages(pdf);
    ASSERT_GE(text.size(), 3);
    EXPECT_TRUE(text.last().contains("500 7/28/26 12:09:30 PM"));
    EXPECT_TRUE(text.last().contains(QStringLiteral("Page %1 of %1").arg(text.size())));
}

TEST_F(CliReportTest, AGraphFileIsReportedWithTheFactsOfItsPoints) {
    const QString graph = path("kitchen.ghf");
    {
        setGraphProgramDirectory(home.path());
        ScriptedPrompter prompter;
        ChartWidget chart(prompter);
        ASSERT_TRUE(configureGraph(chart, 3, 120, 46231.5, 46231.5 + 120 * 10 / 86400.0, 0, 10000, -50, 100));
        for (int p = 0; p < 120; ++p)
            for (int s = 0; s < 3; ++s) {
                chart.setXDataII(s, p, 46231.5 + p * 10 / 86400.0);
                chart.setYData(s, p, s == 0 ? 800.0f + p : 40.0f + s);
            }
        ASSERT_TRUE(writeGraphFile(chart, graph));
        setGraphProgramDirectory(QString());
    }
    const QString pdf = path("kitchen.pdf");
    const CliResult r = run({"report", graph, "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString page = pages(pdf).value(0);
    EXPECT_TRUE(page.startsWith("kitchen Start: 7/28/26 12:00:00 PM End: 7/28/26 12:19:50 PM "
                                "Sampling interval: 10 s Samples: 120"))
        << page.toStdString();
    EXPECT_TRUE(page.contains("CO2 (ppm) 919 7/28/26 12:19:50 PM 800 7/28/26 12:00:00 PM 859.5"));
}

TEST_F(CliReportTest, BadUsageExitsOneAndFileErrorsExitThree) {
    const QString collection = demoCollection();
    const QString pdf = path("r.pdf");
    for (const QStringList& args : QList<QStringList>{
             {"report", collection},
             {"report", collection, "-o", "-"},
             {"report", collection, "-o", collection},
             {"report", collection, "--set", "0", "-o", pdf},
             {"report", collection, "--set", "1", "--all", "-o", pdf},
             {"report", collection, "--limits", "co=5", "-o", pdf},
             {"report", collection, "--limits", "ppm=abc", "-o", pdf},
             {"report", collection, "--limits", "ppm=1,2,3", "-o", pdf},
             {"report", collection, "--limits", "rh=150", "-o", pdf},
             {"report", collection, "--limits", "ppm=1000", "--limits", "ppm=2000", "-o", pdf}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString() << r.err.constData();
        EXPECT_TRUE(r.err.contains("Usage:")) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));

    CliResult r = run({"report", path("missing.407"), "-o", pdf});
    EXPECT_EQ(r.exitCode, 3);
    r = run({"report", collection, "--set", "9", "-o", pdf});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("there is no data set 9")) << r.err.constData();
    writeAll(path("broken.ghf"), QByteArray("\x10\x00\x00\x00nonsense", 12));
    r = run({"report", path("broken.ghf"), "-o", pdf});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("broken.ghf")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(CliReportTest, AFullDiskExitsThreeAndKeepsTheOldFile) {
    SmallFileSystem disk(96);
    if (!disk.available())
        GTEST_SKIP() << SmallFileSystem::skipReason();
    const QString collection = demoCollection();
    const QString out = disk.filePath("old.pdf");
    writeAll(out, QByteArray(3000, 'o'));
    disk.fill(12 * 1024);
    const CliResult r = run({"report", collection, "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("No space left on device")) << r.err.constData();
    EXPECT_EQ(readAll(out), QByteArray(3000, 'o'));
}

} // namespace test_cli_report
