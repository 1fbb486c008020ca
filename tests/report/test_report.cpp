// Graph reports written as PDF and read back with poppler's tools: header, figures, footer, page
// size, the rendered page; Export Report of a graph window and the report in the print dialog.
#include "chart/chart_customize_dialog.h"
#include "chart/chart_print_dialog.h"
#include "chart/chart_widget.h"
#include "graph/configure_graph.h"
#include "graph/graph_window.h"
#include "logger/data_set_chart.h"
#include "logger/data_set_pane.h"
#include "platform/checked_save_file.h"
#include "platform/clock.h"
#include "print/printing.h"
#include "report/graph_report.h"
#include "report/report_document.h"
#include "support/scripted_prompter.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_report {

constexpr double kStart = 46231.3333333333; // 28 Jul 2026 08:00:00
constexpr int kPpmPeak = 123;               // the record with the highest ppm
constexpr float kPpmMax = 1777.0f;

// One data set of `records` readings every `interval` seconds: ppm waves between 500 and 1500 with
// one peak of 1777, humidity 40 to 60, temperature 20 to 25 (or their Fahrenheit values).
DataSetStore oneSet(int records, int interval, bool fahrenheit = false) {
    DataSetStore store;
    DataSet set;
    set.startTime = kStart;
    set.intervalSeconds = interval;
    set.recordCount = records;
    set.fahrenheit = fahrenheit ? 1 : 0;
    store.sets.push_back(set);
    for (int r = 0; r < records; ++r) {
        const double t = kStart + r * interval / 86400.0;
        const float ppm = r == kPpmPeak ? kPpmMax : 1000.0f + 500.0f * float(std::sin(r / 40.0));
        const float rh = 50.0f + 10.0f * float(std::sin(r / 25.0));
        const float celsius = 22.5f + 2.5f * float(std::cos(r / 60.0));
        for (const float v : {ppm, rh, fahrenheit ? celsius * 1.8f + 32.0f : celsius}) {
            store.sampleTimes.push_back(t);
            store.sampleValues.push_back(v);
        }
    }
    return store;
}

struct ReportTest : ::testing::Test {
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ChartWidget chart{prompter};
    QString pdf;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path()); // no template: the built-in look
        pdf = dir.filePath("report.pdf");
        chart.resize(1000, 600);
    }
    void TearDown() override {
        setGraphProgramDirectory(QString());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    report::Section section(const DataSetStore& store, const QString& title = "Class 4b") {
        EXPECT_TRUE(loadDataSetChart(chart, store, 0));
        report::Section s;
        s.title = title;
        s.subtitle = "Data set 1 of 1";
        s.chart = &chart;
        s.unit = store.sets[0].fahrenheit ? graphstats::TemperatureUnit::Fahrenheit
                                          : graphstats::TemperatureUnit::Celsius;
        s.facts = report::factsOf(chart);
        return s;
    }
    void write(const report::Section& s, const ChartPrintOptions& options = {}) {
        QString error;
        ASSERT_TRUE(report::writePdf(pdf, {s}, options, &error)) << error.toStdString();
    }

    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // Each page's non-empty lines, blanks collapsed.
    QList<QStringList> pages() const {
        QList<QStringList> result;
        for (const QString& page : run("pdftotext", {"-layout", pdf, "-"}).split(u'\f')) {
            QStringList lines;
            for (const QString& line : page.split(u'\n'))
                if (!line.trimmed().isEmpty())
                    lines << line.simplified();
            if (!lines.isEmpty())
                result << lines;
        }
        return result;
    }
    QSizeF pageSize() const {
        const auto m =
            QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+))").match(run("pdfinfo", {pdf}));
        return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
    }
    static QString lineWith(const QStringList& lines, const QString& start) {
        for (const QString& l : lines)
            if (l.startsWith(start))
                return l;
        return {};
    }
};

TEST_F(ReportTest, HeaderFiguresAndFooterReadBackFromALandscapePage) {
    const DataSetStore store = oneSet(500, 30);
    write(section(store));
    EXPECT_GT(pageSize().width(), pageSize().height()); // landscape A4: 842 x 595 points
    EXPECT_NEAR(pageSize().width(), 842, 1);

    const QList<QStringList> text = pages();
    ASSERT_EQ(text.size(), 1);
    const QStringList& lines = text[0];
    EXPECT_EQ(lines[0], "Class 4b Data set 1 of 1");
    EXPECT_EQ(lines[1],
              "Start: 7/28/26 8:00:00 AM End: 7/28/26 12:09:30 PM Sampling interval: 30 s Samples: 500");
    // The figures are the graph window's own, split into value and time.
    const graphstats::Result r = graphstats::compute(chart);
    EXPECT_EQ(r.max[0], "1777@7/28/26 9:01:30 AM");
    const auto figures = [&](int c, const QString& name) {
        return QStringList{name,
                           r.max[size_t(c)].section('@', 0, 0),
                           r.max[size_t(c)].section('@', 1),
                           r.min[size_t(c)].section('@', 0, 0),
                           r.min[size_t(c)].section('@', 1),
                           r.avg[size_t(c)]}
            .join(' ');
    };
    EXPECT_EQ(lineWith(lines, "CO2 (ppm)"), figures(0, "CO2 (ppm)"));
    EXPECT_EQ(lineWith(lines, "Humidity (%RH)"), figures(1, "Humidity (%RH)"));
    EXPECT_EQ(lineWith(lines, "Temperature (°C)"), figures(2, "Temperature (°C)"));
    EXPECT_FALSE(lines.join('\n').contains("°F"));
    const QString footer = lines.last();
    EXPECT_TRUE(footer.startsWith(report::programText() + " Printed ")) << footer.toStdString();
    EXPECT_TRUE(footer.endsWith("Page 1 of 1")) << footer.toStdString();
    EXPECT_TRUE(report::programText().contains(QRegularExpression(R"(^QZ407 \d+\.\d+)")));
}

TEST_F(ReportTest, LimitsShowTheTimeAboveAndItsShare) {
    const DataSetStore store = oneSet(500, 30);
    report::Section s = section(store);
    chart.setLimitLines({{0, 1000.0}, {1, 60.0}});
    write(s);
    const QStringList lines = pages().value(0);
    const limitstats::RecordingFigures f = limitstats::computeRecording(chart.model());
    ASSERT_EQ(f.limits.size(), 2u);
    // Beside the figures, one limit a row: the ppm limit on the CO2 line, the RH limit under it.
    EXPECT_TRUE(
        lineWith(lines, "CO2 (ppm)").endsWith("ppm > 1000 " + limitstats::timeAboveText(f.limits[0].time)));
    EXPECT_TRUE(
        lineWith(lines, "Humidity (%RH)").endsWith("RH > 60 " + limitstats::timeAboveText(f.limits[1].time)));
    EXPECT_GT(f.limits[0].time.share(), 0.3);
}

TEST_F(ReportTest, RenderedPageIsLightWithTheCurvesInTheChartArea) {
    write(section(oneSet(500, 30)));
    const QString png = dir.filePath("page");
    run("pdftoppm", {"-png", "-r", "50", "-singlefile", pdf, png});
    const QImage image(png + ".png");
    ASSERT_FALSE(image.isNull());
    ASSERT_GT(image.width(), image.height());
    int light = 0, coloured = 0, colouredOutside = 0;
    // The chart takes the page from under the header down to the figures.
    const QRect chartArea(0, image.height() * 12 / 100, image.width(), image.height() * 62 / 100);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            light += c.lightness() > 230;
            if (c.hsvSaturation() > 120 && c.value() > 60)
                ++(chartArea.contains(x, y) ? coloured : colouredOutside);
        }
    EXPECT_GT(light, image.width() * image.height() * 85 / 100); // white paper, not a black chart
    EXPECT_GT(coloured, 500);                                    // the three curves
    EXPECT_LT(colouredOutside, 20);
}

TEST_F(ReportTest, AFahrenheitSetSaysDegreesFahrenheit) {
    write(section(oneSet(100, 60, true)));
    const QString text = pages().value(0).join('\n');
    EXPECT_TRUE(text.contains("Temperature (°F)"));
    EXPECT_FALSE(text.contains("°C"));
}

TEST_F(ReportTest, AFullSetOf65535Samples) {
    const DataSetStore store = oneSet(65535, 2);
    write(section(store));
    const QStringList lines = pages().value(0);
    EXPECT_TRUE(lines.value(1).endsWith("Sampling interval: 2 s Samples: 65,535"))
        << lines.value(1).toStdString();
    EXPECT_TRUE(lines.value(1).contains("End: 7/29/26 8:24:28 PM")) << lines.value(1).toStdString();
    EXPECT_TRUE(lineWith(lines, "CO2 (ppm)").startsWith("CO2 (ppm) 1777 7/28/26 8:04:06 AM"));
}

TEST_F(ReportTest, GermanLocaleGivesGermanDatesAndDecimalCommas) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    write(section(oneSet(500, 30)));
    const QStringList lines = pages().value(0);
    EXPECT_EQ(lines.value(1),
              "Start: 28.07.26 08:00:00 End: 28.07.26 12:09:30 Sampling interval: 30 s Samples: 500");
    const graphstats::Result r = graphstats::compute(chart);
    EXPECT_TRUE(r.avg[1].contains(',')) << r.avg[1].toStdString();
    EXPECT_TRUE(lineWith(lines, "Humidity (%RH)").endsWith(' ' + r.avg[1]));
    EXPECT_TRUE(lineWith(lines, "CO2 (ppm)").startsWith("CO2 (ppm) 1777 28.07.26 09:01:30"));
}

TEST_F(ReportTest, ValueTableFollowsOnNumberedPagesAndHeaderFooterCanGo) {
    const DataSetStore store = oneSet(500, 30);
    ChartPrintOptions options;
    options.valueTable = true;
    const report::Section s = section(store);
    write(s, options);
    const QList<QStringList> text = pages();
    ASSERT_GE(text.size(), 3);
    for (int p = 0; p < text.size(); ++p)
        EXPECT_TRUE(text[p].last().endsWith(QStringLiteral("Page %1 of %2").arg(p + 1).arg(text.size())));
    QString all;
    for (const QStringList& page : text.mid(1))
        all += page.join('\n') + '\n';
    EXPECT_TRUE(all.contains("No. Date Time ppm %RH Temp. (°C)"));
    EXPECT_TRUE(all.contains(QRegularExpression(R"(\n1 7/28/26 8:00:00 AM 1000 50\.0 25\.0)")));
    EXPECT_TRUE(all.contains("124 7/28/26 9:01:30 AM 1777 "));
    EXPECT_TRUE(all.contains("500 7/28/26 12:09:30 PM "));

    options = ChartPrintOptions();
    options.headerFooter = false;
    write(s, options);
    const QString bare = pages().value(0).join('\n');
    EXPECT_FALSE(bare.contains("Class 4b"));
    EXPECT_FALSE(bare.contains("Page 1"));
    EXPECT_TRUE(bare.contains("CO2 (ppm) 1777"));
}

TEST(ReportFacts, IntervalTextAndFileNames) {
    EXPECT_EQ(report::intervalText(30), "30 s");
    EXPECT_EQ(report::intervalText(90), "1 min 30 s");
    EXPECT_EQ(report::intervalText(3660), "1 h 1 min");
    EXPECT_EQ(report::intervalText(0), "");
    EXPECT_EQ(report::suggestedFileName("Real-Time Graph"), "Real-Time Graph.pdf");
    EXPECT_EQ(report::suggestedFileName("a/b:c*?"), "a_b_c__.pdf");
    EXPECT_EQ(report::suggestedFileName("  "), "Report.pdf");
}

// The graph window's Export Report and its print dialog, on a shown data set.
struct GraphReportTest : ReportTest {
    GraphShared shared;
    GraphWindow window{prompter, shared};
    DataSetStore store = oneSet(500, 30, true);

    void SetUp() override {
        ReportTest::SetUp();
        shared.dataFolder = dir.path() + '/';
        window.setWindowTitle("Kitchen.ghf");
        ASSERT_TRUE(showDataSet(window, store, 0));
        QObject::connect(&window, &GraphWindow::exportReportRequested,
                         [](GraphWindow* w) { report::exportGraphReport(*w); });
    }
};

TEST_F(GraphReportTest, ExportReportWritesTheWindowsReportAndAFullDiskKeepsTheOldFile) {
    prompter.files = {pdf};
    window.exportReportButton->click();
    ASSERT_EQ(prompter.fileRequests.size(), 1);
    EXPECT_EQ(prompter.fileRequests[0].title, "Export Report");
    EXPECT_EQ(prompter.fileRequests[0].fileName, "Kitchen.ghf.pdf");
    EXPECT_EQ(prompter.fileRequests[0].initialDir, shared.dataFolder);
    const QStringList lines = pages().value(0);
    EXPECT_TRUE(lines.value(0).startsWith("Kitchen.ghf"));
    EXPECT_TRUE(lines.join('\n').contains("Temperature (°F)")); // the unit comes from the data set
    EXPECT_TRUE(prompter.shown.isEmpty());

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    CheckedSaveFile::failNextFlushForTests("No space left on device");
    prompter.files = {pdf};
    window.exportReportButton->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].contains("No space left on device")) << prompter.shown[0].toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);

    prompter.files = {QString()}; // cancelled: nothing written, nothing said
    window.exportReportButton->click();
    EXPECT_EQ(prompter.shown.size(), 1);
}

TEST_F(GraphReportTest, PrintDialogPreviewsTheReportAndPrintsItLandscape) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QStringList dialogs;
    int previewPages = 0, previewPagesWithTable = 0;
    prompter.dialogHandler = [&](QDialog& d) {
        if (dynamic_cast<ChartCustomizeDialog*>(&d)) {
            dialogs << "customize";
            return int(QDialog::Rejected);
        }
        auto& dialog = dynamic_cast<ChartPrintDialog&>(d);
        dialogs << "chart print";
        EXPECT_FALSE(dialog.valueTableBox->isHidden());
        EXPECT_FALSE(dialog.valueTableBox->isChecked());
        dialog.preview->updatePreview();
        previewPages = dialog.preview->pageCount();
        dialog.valueTableBox->setChecked(true);
        previewPagesWithTable = dialog.preview->pageCount();
        dialog.valueTableBox->setChecked(false);
        dialog.printButton->click();
        return dialog.result();
    };
    ASSERT_TRUE(print::printGraph(*window.chart, printer, report::rendererOf(window)));
    EXPECT_EQ(dialogs, (QStringList{"customize", "chart print"}));
    EXPECT_EQ(previewPages, 1);
    EXPECT_GT(previewPagesWithTable, 2);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait); // the shared printer as it was
    EXPECT_GT(pageSize().width(), pageSize().height());
    const QStringList lines = pages().value(0);
    EXPECT_TRUE(lines.value(0).startsWith("Kitchen.ghf"));
    EXPECT_TRUE(lines.last().endsWith("Page 1 of 1"));
}

} // namespace test_report
