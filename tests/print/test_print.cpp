// Printing: the table's line layout, a table and a graph printed to PDF and read back.
#include "chart/chart_customize_dialog.h"
#include "chart/chart_print_dialog.h"
#include "chart/chart_widget.h"
#include "print/printing.h"
#include "print/table_print_layout.h"
#include "support/scripted_prompter.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_print {

using namespace print;

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

const QStringList kHeader{"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""};

QStringList dataRow(int i) {
    return {QString::number(i),
            "07/31/26",
            QStringLiteral("14:%1:09").arg(i % 60, 2, 10, QLatin1Char('0')),
            QString::number(400 + i),
            "45.2",
            "23.1",
            "",
            ""};
}

TEST(TablePrintLayout, CellsArePaddedWithTwoBlanksPerMissingCharacter) {
    EXPECT_EQ(tableColumnWidth(0), 10);
    EXPECT_EQ(tableColumnWidth(2), 17);
    EXPECT_EQ(tableColumnWidth(7), 10);
    // 1 is 9 short of 10; 07/31/26 2 short of 10; 14:05:09 9 short of 17.
    EXPECT_EQ(tablePrintLine({"1", "07/31/26", "14:05:09"}, 3),
              "1" + blanks(18) + "07/31/26" + blanks(4) + "14:05:09" + blanks(18));
    // Empty cells: 20 blanks, 34 in column 2; rows shorter than the grid print empty cells.
    EXPECT_EQ(tablePrintLine({"", "", ""}, 3), blanks(20 + 20 + 34));
    EXPECT_EQ(tablePrintLine({"x"}, 4), "x" + blanks(18) + blanks(20 + 34 + 20));
    // A cell as long as its column or longer is still kept apart from the next cell by one blank:
    // a long date does not run into its time; the last cell of a line needs none.
    EXPECT_EQ(tablePrintLine({"0123456789", "0123456789AB", "x"}, 3),
              "0123456789 0123456789AB x" + blanks(32));
    EXPECT_EQ(tablePrintLine({"1", "30 Jul 2026", "18:00:00"}, 3),
              "1" + blanks(18) + "30 Jul 2026 18:00:00" + blanks(18));
    EXPECT_EQ(tablePrintLine({"1", "2", "0123456789ABCDEFGH"}, 3),
              "1" + blanks(18) + "2" + blanks(18) + "0123456789ABCDEFGH");
}

TEST(TablePrintLayout, PagesHoldLinesPerPageRowsAndTheHeaderOnlyOnTheFirst) {
    EXPECT_EQ(tableLinesPerPage(1000, 30), 33);
    EXPECT_EQ(tableLinesPerPage(990, 30), 33);
    // A line taller than the page, or no height at all, still prints a line per page.
    EXPECT_EQ(tableLinesPerPage(20, 30), 1);
    EXPECT_EQ(tableLinesPerPage(1000, 0), 1);
    EXPECT_EQ(tableLineTop(0, 30), 0);
    EXPECT_EQ(tableLineTop(32, 30), 960); // the last line of a page ends within it (990 <= 1000)

    QList<QStringList> rows{kHeader};
    for (int i = 1; i <= 70; ++i)
        rows << dataRow(i);
    const TablePrintPages layout = layoutTablePages(rows, 1000, 30);
    EXPECT_EQ(layout.linesPerPage, 33);
    ASSERT_EQ(layout.pages.size(), 3);
    EXPECT_EQ(layout.pages[0].size(), 33);
    EXPECT_EQ(layout.pages[1].size(), 33);
    EXPECT_EQ(layout.pages[2].size(), 5);
    EXPECT_EQ(layout.pages[0][0], tablePrintLine(kHeader, 8));
    EXPECT_EQ(layout.pages[0][1], tablePrintLine(dataRow(1), 8));
    EXPECT_EQ(layout.pages[1][0], tablePrintLine(dataRow(33), 8)); // row L starts page 2
    EXPECT_EQ(layout.pages[2][4], tablePrintLine(dataRow(70), 8));
    for (int p = 1; p < 3; ++p)
        EXPECT_FALSE(layout.pages[p].contains(tablePrintLine(kHeader, 8)));

    EXPECT_TRUE(layoutTablePages({}, 1000, 30).pages.isEmpty());
    EXPECT_EQ(layoutTablePages({kHeader, dataRow(1)}, 10, 30).pages.size(), 2);
}

// Printing to PDF files, read back with poppler's tools.
struct PrintToPdf : ::testing::Test {
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    QPrinter printer{QPrinter::HighResolution};
    QString pdf;
    QList<QStringList> dialogs; // what each dialog run through the prompter was

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath("out.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }
    // Answers the print dialog with `printAnswer`; a customization dialog is cancelled.
    void answerPrintDialog(int printAnswer) {
        prompter.dialogHandler = [this, printAnswer](QDialog& d) {
            if (auto* c = dynamic_cast<ChartCustomizeDialog*>(&d)) {
                dialogs << (QStringList{"customize"} + c->pageTitles());
                return int(QDialog::Rejected);
            }
            if (auto* p = dynamic_cast<ChartPrintDialog*>(&d)) {
                dialogs << QStringList{"chart print"};
                if (printAnswer != QDialog::Accepted)
                    return int(QDialog::Rejected);
                p->printButton->click();
                return p->result();
            }
            if (auto* p = dynamic_cast<QPrintDialog*>(&d)) {
                dialogs << QStringList{"print"};
                EXPECT_EQ(p->printer(), &printer);
                return printAnswer;
            }
            return int(QDialog::Rejected);
        };
    }
    QStringList pdfPages() {
        QProcess p;
        p.start("pdftotext", {"-layout", pdf, "-"});
        EXPECT_TRUE(p.waitForFinished(30000));
        QString text = QString::fromUtf8(p.readAllStandardOutput());
        QStringList pages = text.split(QLatin1Char('\f'));
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }
    struct Word {
        QString text;
        double x;
        double y;
    };
    // The words of one page with their positions in points, relative to the printable area's
    // top left corner.
    QList<Word> pdfWords(int page) {
        QProcess p;
        p.start("pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
        EXPECT_TRUE(p.waitForFinished(30000));
        const QString html = QString::fromUtf8(p.readAllStandardOutput());
        const QRegularExpression word(
            R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">([^<]*)</word>)re");
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
        QList<Word> words;
        for (auto it = word.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            words << Word{m.captured(3), m.captured(1).toDouble() - area.left(),
                          m.captured(2).toDouble() - area.top()};
        }
        return words;
    }
    // The page's non-empty lines, blanks collapsed (pdftotext spaces words by their positions).
    static QStringList simplifiedLines(const QString& page) {
        QStringList lines;
        for (const QString& line : page.split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
        return lines;
    }
};

TEST_F(PrintToPdf, TableFontIsFixedPitchAtEightPoints) {
    const QFont font = tablePrintFont();
    EXPECT_EQ(font.pointSize(), 8);
    if (QFontDatabase::families().contains("FixedSys", Qt::CaseInsensitive))
        EXPECT_EQ(font.family().toLower(), "fixedsys");
    else
        EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
}

TEST_F(PrintToPdf, TablePrintsItsRowsPageByPage) {
    const QFont font = tablePrintFont();
    const int lines = tableLinesPerPage(printer.height(), tableLineHeight(printer, font));
    ASSERT_GT(lines, 10);
    QList<QStringList> rows{kHeader};
    for (int i = 1; i < lines + 5; ++i)
        rows << dataRow(i);
    answerPrintDialog(QDialog::Accepted);
    ASSERT_TRUE(printTableWithDialog(prompter, printer, rows));
    EXPECT_EQ(dialogs, QList<QStringList>{{"print"}});

    const QStringList pages = pdfPages();
    ASSERT_EQ(pages.size(), 2);
    const QStringList first = simplifiedLines(pages[0]);
    const QStringList second = simplifiedLines(pages[1]);
    ASSERT_EQ(first.size(), lines);
    ASSERT_EQ(second.size(), 5);
    EXPECT_EQ(first[0], "No Date Time ppm %RH Temp");
    EXPECT_EQ(first[1], "1 07/31/26 14:01:09 401 45.2 23.1");
    EXPECT_EQ(first.last(), tablePrintLine(dataRow(lines - 1), 8).simplified());
    EXPECT_EQ(second[0], tablePrintLine(dataRow(lines), 8).simplified()); // row L opens page 2
    EXPECT_FALSE(pages[1].contains("Date"));                              // header on page 1 only

    // The blanks keep the columns where the layout puts them: in a fixed-pitch font the date starts
    // 1 + 18 characters after the row number and the time 31 after it.
    const QList<Word> words = pdfWords(1);
    const auto time =
        std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "14:01:09"; });
    ASSERT_NE(time, words.end());
    QList<Word> line;
    for (const Word& w : words)
        if (qAbs(w.y - time->y) < 0.5)
            line << w;
    ASSERT_GE(line.size(), 3);
    EXPECT_EQ(line[0].text, "1");
    EXPECT_EQ(line[1].text, "07/31/26");
    EXPECT_NEAR((line[2].x - line[0].x) / (line[1].x - line[0].x), 31.0 / 19.0, 0.01);
    EXPECT_NEAR(line[0].x, 0.0, 1.0); // at the left edge of the printable area
    EXPECT_EQ(printer.resolution(), 1200);
}

TEST_F(PrintToPdf, CancelledPrintDialogBeginsNoDocument) {
    answerPrintDialog(QDialog::Rejected);
    EXPECT_FALSE(printTableWithDialog(prompter, printer, {kHeader, dataRow(1)}));
    EXPECT_FALSE(QFileInfo::exists(pdf));

    ChartWidget graph(prompter);
    EXPECT_FALSE(printGraph(graph, printer));
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// A small chart the way the graph windows set theirs up: ppm above, humidity and temperature below.
void smallChart(ChartWidget& g) {
    constexpr int points = 6;
    constexpr double start = 46234.5; // 31 Jul 2026 12:00
    g.setNullDataValueY(99999);
    g.setSubsets(3);
    g.setPoints(points);
    g.setDateTimeMode(pe::sgVBDateTime);
    g.setMainTitle("Print test");
    g.setSubsetLabels(0, "ppm");
    g.setSubsetLabels(1, "%RH");
    g.setSubsetLabels(2, "Temp.");
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    g.setMultiAxesProportions(0, 0.5);
    g.setMultiAxesProportions(1, 0.5);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 3; ++s) {
            xs.push_back(start + p * 60.0 / 86400.0);
            ys.push_back(s == 0 ? 450.0f + 50.0f * p : 20.0f + 2.0f * p + s);
        }
    g.setXDataArray(xs);
    g.setYDataArray(ys);
    g.setPEactions(pe::sgReinitAndReset);
}

TEST_F(PrintToPdf, GraphGoesThroughTheTrimmedCustomizationThenTheChartsPrintDialog) {
    ChartWidget graph(prompter);
    graph.resize(800, 600);
    smallChart(graph);
    answerPrintDialog(QDialog::Accepted);
    ASSERT_TRUE(printGraph(graph, printer));

    ASSERT_EQ(dialogs.size(), 2);
    const QStringList customize = dialogs[0];
    EXPECT_EQ(customize.first(), "customize");
    for (const char* hidden : {"Titles", "Colors", "Subsets", "Fonts"})
        EXPECT_FALSE(customize.contains(hidden)) << hidden;
    EXPECT_TRUE(customize.contains("Axes"));
    EXPECT_TRUE(customize.contains("Grid"));
    EXPECT_EQ(dialogs[1], QStringList{"chart print"});
    // The pages are back for the chart's own Customize command.
    EXPECT_TRUE(graph.AllowFontPage() && graph.allowTitlesPage() && graph.allowColorsPage() &&
                graph.AllowSubsetsPage());

    ASSERT_GT(QFileInfo(pdf).size(), 1000);
    const QStringList pages = pdfPages();
    ASSERT_EQ(pages.size(), 1);
    // Title, legend and axis texts at their normal size, readable in the PDF.
    for (const char* text : {"Print test", "ppm", "%RH", "Temp.", "7/31/26"})
        EXPECT_TRUE(pages[0].contains(text)) << text;
    EXPECT_EQ(printer.resolution(), 1200); // the shared printer is left as it was
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    const QString png = dir.filePath("graph_print");
    QProcess p;
    p.start("pdftoppm", {"-png", "-r", "50", "-singlefile", pdf, png});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QImage image(png + ".png");
    ASSERT_FALSE(image.isNull());
    // A graph prints landscape, fitted to the page: ink from the top to the bottom of the page.
    EXPECT_GT(image.width(), image.height());
    int inked = 0, lowest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200) {
                ++inked;
                lowest = y;
            }
    EXPECT_GT(inked, 1000);
    EXPECT_GT(lowest, image.height() * 3 / 4);
}

} // namespace test_print
