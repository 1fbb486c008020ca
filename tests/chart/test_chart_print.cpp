// The chart on paper: the print-friendly scheme, fitting, and the chart left as it was on screen.
#include "chart/chart_print.h"
#include "chart/chart_widget.h"
#include "support/scripted_prompter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_chart_print {

constexpr double kStart = 45000.5;
constexpr double kStep = 60.0 / 86400.0;
constexpr int kPoints = 40;

// The graph windows' built-in look: black graph background, a yellow ppm curve.
void blackChart(ChartWidget& g) {
    g.setNullDataValueY(99999);
    g.setSubsets(3);
    g.setPoints(kPoints);
    g.setDateTimeMode(pe::sgVBDateTime);
    g.setGraphBackColor(peRgb(0, 0, 0));
    g.setGraphForeColor(peRgb(0, 128, 0));
    g.setDeskColor(peRgb(192, 192, 192));
    g.setSubsetColors(0, peRgb(255, 255, 0));
    g.setSubsetColors(1, peRgb(0, 0, 255));
    g.setSubsetColors(2, peRgb(255, 0, 0));
    g.setMultiAxesSubsets(0, 1);
    g.setMultiAxesSubsets(1, 2);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int p = 0; p < kPoints; ++p)
        for (int s = 0; s < 3; ++s) {
            xs.push_back(kStart + p * kStep);
            ys.push_back(s == 0 ? 500.0f + 30.0f * (p % 7) : 20.0f + (p % 5) + 10 * s);
        }
    g.setXDataArray(xs);
    g.setYDataArray(ys);
    g.setPEactions(pe::sgReinitAndReset);
}

struct Drawn {
    QImage image;
    int white = 0, black = 0, yellow = 0, darkYellow = 0;
};

// Draws the chart onto a white image of 1000 x 700 paper units at 96 dpi and counts its pixels.
Drawn drawn(ChartWidget& chart, const ChartPrintOptions& options, QRectF target = QRectF(0, 0, 1000, 700)) {
    Drawn d;
    d.image = QImage(1000, 700, QImage::Format_RGB32);
    d.image.setDotsPerMeterX(3780); // 96 dpi
    d.image.setDotsPerMeterY(3780);
    d.image.fill(Qt::white);
    QPainter painter(&d.image);
    chart.drawOnPaper(painter, target, options);
    painter.end();
    for (int y = 0; y < d.image.height(); ++y)
        for (int x = 0; x < d.image.width(); ++x) {
            const QColor c = d.image.pixelColor(x, y);
            d.white += c == Qt::white;
            d.black += c == Qt::black;
            d.yellow += c.red() > 230 && c.green() > 230 && c.blue() < 60;
            // The ppm curve darkened for paper: yellow's hue, far less bright.
            d.darkYellow += c.red() > 80 && c.red() < 180 && qAbs(c.red() - c.green()) < 20 && c.blue() < 40;
        }
    return d;
}

TEST(ChartOnPaper, PrintFriendlyIsWhiteWithDarkenedCurvesAndTheScreenKeepsItsLook) {
    ScriptedPrompter prompter;
    ChartWidget chart(prompter);
    chart.resize(800, 500);
    blackChart(chart);
    const ChartModel before = chart.model();

    ChartPrintOptions options;
    const Drawn paper = drawn(chart, options);
    const int pixels = 1000 * 700;
    EXPECT_GT(paper.white, pixels * 8 / 10); // white paper, not a black graph area
    EXPECT_LT(paper.black, pixels / 20);
    EXPECT_EQ(paper.yellow, 0);       // yellow would vanish on white paper...
    EXPECT_GT(paper.darkYellow, 100); // ...so it is darkened, not dropped

    options.printFriendly = false;
    const Drawn screen = drawn(chart, options);
    EXPECT_GT(screen.black, pixels / 3); // the chart's own black graph areas
    EXPECT_GT(screen.yellow, 100);

    // The chart on screen is as it was: model and plot look.
    EXPECT_EQ(chart.model(), before);
    EXPECT_EQ(chart.customPlot()->axisRect(0)->backgroundBrush().color(), QColor(Qt::black));
}

// The share of the columns of the lower axis area in which the humidity curve (blue) shows.
double blueColumnShare(const QImage& image) {
    int columns = 0, blue = 0;
    for (int x = 150; x < 900; ++x) {
        ++columns;
        for (int y = 380; y < 680; ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 120 && c.red() < 90 && c.green() < 90) {
                ++blue;
                break;
            }
        }
    }
    return double(blue) / columns;
}

TEST(ChartOnPaper, PrintFriendlyCurvesAreDashedSoTheyStayApartInGrey) {
    ScriptedPrompter prompter;
    ChartWidget chart(prompter);
    chart.resize(800, 500);
    blackChart(chart);
    ChartPrintOptions options;
    options.printFriendly = false;
    EXPECT_GT(blueColumnShare(drawn(chart, options).image), 0.95); // solid on screen
    options.printFriendly = true;
    const double dashed = blueColumnShare(drawn(chart, options).image);
    EXPECT_LT(dashed, 0.85); // the gaps of its dashes
    EXPECT_GT(dashed, 0.3);
}

TEST(ChartOnPaper, UnfittedKeepsTheScreensProportionsInsideTheTarget) {
    ScriptedPrompter prompter;
    ChartWidget chart(prompter);
    chart.resize(800, 200); // a wide, low chart
    blackChart(chart);
    ChartPrintOptions options;
    options.printFriendly = false;
    options.fitToPage = false;
    const Drawn d = drawn(chart, options);
    // 1000 wide at 4:1 gives 250 high, centred: the rows above and below stay white.
    int top = -1, bottom = -1;
    for (int y = 0; y < d.image.height(); ++y) {
        bool inked = false;
        for (int x = 0; x < d.image.width() && !inked; x += 5)
            inked = d.image.pixelColor(x, y) != QColor(Qt::white);
        if (inked) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    EXPECT_NEAR(top, 225, 3);
    EXPECT_NEAR(bottom, 475, 3);
}

} // namespace test_chart_print
