#pragma once
// Pieces of ChartWidget shared by its source files: the two buffered layers it draws on and the
// pixel sizes its drawing and mouse handling agree on. Only the chart's own sources include this.
#include "chart/chart_widget.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>
#include <utility>

namespace chartdraw {

inline constexpr int kBandThreshold = 4; // pixels the mouse must travel before a press becomes a zoom drag
inline constexpr int kMinZoomPixels = 3;
inline constexpr int kHotSpotPixels = 5;
inline constexpr int kCrossArm = 5;
inline constexpr int kTableMargin = 10;
inline constexpr int kTableGroupGap = 12;       // pixels between the halves of a table split in two
inline constexpr double kTableMinPoints = 5;    // the table's text never gets smaller than this
inline constexpr double kMinTextContrast = 4.5; // text against what is behind it, at least

// Relative luminance of a colour, and the contrast ratio of two (1 to 21), as text legibility
// is commonly measured.
double relativeLuminance(const QColor& c);
double contrastRatio(const QColor& a, const QColor& b);

// The lines of an annotation text, broken at any kind of line end.
QStringList annotationLines(const QString& text);

// A range the axes can show: low end first, and never empty (an empty one is widened by 1).
inline std::pair<double, double> sanitized(double lo, double hi) {
    if (lo > hi)
        std::swap(lo, hi);
    const double scale = std::max({1.0, std::abs(lo), std::abs(hi)});
    if (!(hi - lo > scale * 1e-12)) {
        lo -= 1.0;
        hi += 1.0;
    }
    return {lo, hi};
}

// The print-friendly scheme (chart_widget_print.cpp): a light grid, and each curve in a colour dark
// enough for white paper and a dash pattern of its own (solid, dashed, dotted, dash-dotted), so
// that the curves stay apart when printed in grey.
QPen paperGridPen();
QColor paperCurveColor(const QColor& color);
QPen paperCurvePen(const QColor& color, int subset);

} // namespace chartdraw

// Where the table's cells go: its box, its fonts, and its rows in one or two groups side by side,
// so that a long table stays inside the axis area it starts in.
struct ChartWidget::TableLayout {
    QRect box;
    QFont font;
    QFont bold;
    int rows = 0;   // rows drawn: trailing rows without any text are left out
    int groups = 1; // row groups side by side
    int rowsPerGroup = 0;
    int rowHeight = 0;
    std::vector<int> columnWidths; // per group and column: [group * columns + column]
    std::vector<int> groupLeft;    // per group, from the box's left edge
};

// Draws the zoom rubber band on the buffered overlay layer, so dragging repaints only that layer.
class ChartWidget::Overlay : public QCPLayerable {
  public:
    explicit Overlay(QCustomPlot* plot) : QCPLayerable(plot, QStringLiteral("overlay")) {}
    void setBand(const QRect& band) { m_band = band; }
    QRect band() const { return m_band; }

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override {
        if (m_band.isNull())
            return;
        painter->setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
        painter->setBrush(QColor(128, 128, 128, 48));
        painter->drawRect(m_band);
    }

  private:
    QRect m_band;
};

// Draws graph annotations, vertical line annotations and the table from the model, on their own
// buffered layer above the graphs.
class ChartWidget::AnnotationPainter : public QCPLayerable {
  public:
    AnnotationPainter(QCustomPlot* plot, ChartWidget* owner)
        : QCPLayerable(plot, QStringLiteral("annotations")), m_owner(owner) {}

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override { m_owner->paintAnnotations(painter); }

  private:
    ChartWidget* m_owner;
};

// Draws the limit lines from the model on the annotations layer, under the marks and the table
// (chart_widget_limit_lines.cpp).
class ChartWidget::LimitLinePainter : public QCPLayerable {
  public:
    LimitLinePainter(QCustomPlot* plot, ChartWidget* owner)
        : QCPLayerable(plot, QStringLiteral("annotations")), m_owner(owner) {}

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override { m_owner->paintLimitLines(painter); }

  private:
    ChartWidget* m_owner;
};
