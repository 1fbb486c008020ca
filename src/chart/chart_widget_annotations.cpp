// ChartWidget's annotations: graph annotations (crosses and text marks), vertical line annotations and
// the table, drawn from the model on their own layer, and the hit tests that find them under the mouse.
#include "chart/chart_widget_layers.h"

#include <cmath>

#include <QRegularExpression>
#include <algorithm>

using namespace chartdraw;

QStringList chartdraw::annotationLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

QRectF ChartWidget::annotationRect(const GraphAnnotation& a, const QFont& font) const {
    const QStringList lines = annotationLines(a.text);
    const bool hasText = !a.text.isEmpty();
    if (a.type != pe::sgCrossMark && !hasText)
        return {}; // nothing drawn: an emptied text mark
    const QPointF anchor = dataToPixel(a.x, a.y);
    QRectF box;
    if (a.type == pe::sgCrossMark)
        box = QRectF(anchor.x() - kCrossArm, anchor.y() - kCrossArm, 2 * kCrossArm + 1, 2 * kCrossArm + 1);
    if (hasText) {
        const QFontMetrics fm(font);
        qreal width = 0;
        for (const QString& line : lines)
            width = std::max<qreal>(width, fm.horizontalAdvance(line));
        const qreal left = anchor.x() + (a.type == pe::sgCrossMark ? kCrossArm + 2 : 0);
        const QRectF textBox(left, anchor.y() - fm.height() / 2.0, width, fm.height() * lines.size());
        box = box.isNull() ? textBox : box.united(textBox);
    }
    return box;
}

namespace {

// Cell text of the table, row-major.
const QString& cellText(const TableAnnotation& t, int row, int column) {
    return t.text[size_t(row) * size_t(t.columns) + size_t(column)];
}

bool isHeader(const TableAnnotation& t, int row, int column) {
    return row < t.headerRows || (column == 0 && t.headerColumn);
}

// `over` laid over the opaque `under` with `over`'s opacity.
QColor composite(const QColor& over, const QColor& under) {
    const double a = over.alphaF();
    return QColor::fromRgbF(float(over.redF() * a + under.redF() * (1 - a)),
                            float(over.greenF() * a + under.greenF() * (1 - a)),
                            float(over.blueF() * a + under.blueF() * (1 - a)));
}

// Opacities tried for a cell's backing, lightest first.
constexpr int kBackingAlphas[] = {160, 192, 224, 255};

} // namespace

double chartdraw::relativeLuminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double chartdraw::contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ChartWidget::tableBackdrop() const {
    QColor back = colorFromPe(m_model.look.graphBackColor);
    back.setAlpha(255);
    return composite(colorFromPe(m_model.table.backColor), back);
}

QColor ChartWidget::tableCellBacking(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || column < 0 || row >= t.rows || column >= t.columns || m_paperScheme)
        return {};
    QColor text = colorFromPe(t.colors[size_t(row) * size_t(t.columns) + size_t(column)]);
    text.setAlpha(255);
    const QColor under = tableBackdrop();
    const double plain = contrastRatio(text, under);
    if (plain >= kMinTextContrast)
        return {}; // the described colours read as they are
    // The lightest backing of the chart's background that makes the text read; failing that the
    // one that helps most, if any does.
    QColor best;
    double bestRatio = plain;
    for (int alpha : kBackingAlphas) {
        QColor backing = colorFromPe(m_model.look.graphBackColor);
        backing.setAlpha(alpha);
        const double ratio = contrastRatio(text, composite(backing, under));
        if (ratio >= kMinTextContrast)
            return backing;
        if (ratio > bestRatio) {
            best = backing;
            bestRatio = ratio;
        }
    }
    return best;
}

ChartWidget::TableLayout ChartWidget::tableLayout() const {
    TableLayout l;
    const TableAnnotation& t = m_model.table;
    if (!t.show || t.rows <= 0 || t.columns <= 0 || m_axisRects.empty())
        return l;
    // Lays the table out in `groups` groups of rows at `font`; the box is placed afterwards.
    const auto layOut = [&t](TableLayout& l, int groups, const QFont& font) {
        l.font = font;
        l.bold = font;
        l.bold.setBold(true);
        const QFontMetrics fm(l.font);
        const QFontMetrics fmBold(l.bold);
        l.groups = groups;
        l.rowsPerGroup = (l.rows + groups - 1) / groups;
        l.rowHeight = fm.height() + 2;
        l.columnWidths.assign(size_t(groups) * size_t(t.columns), 0);
        l.groupLeft.assign(size_t(groups), 0);
        int x = 0;
        for (int g = 0; g < groups; ++g) {
            l.groupLeft[size_t(g)] = x;
            for (int c = 0; c < t.columns; ++c) {
                int w = 0;
                for (int r = g * l.rowsPerGroup; r < std::min(l.rows, (g + 1) * l.rowsPerGroup); ++r)
                    w = std::max(w, (isHeader(t, r, c) ? fmBold : fm).horizontalAdvance(cellText(t, r, c)));
                l.columnWidths[size_t(g) * size_t(t.columns) + size_t(c)] = w + 8;
                x += w + 8;
            }
            if (g + 1 < groups)
                x += kTableGroupGap;
        }
        l.box = QRect(0, 0, x, l.rowHeight * l.rowsPerGroup + 4);
    };
    l.rows = t.rows;
    while (l.rows > 1) { // blank rows at the end take room without showing anything
        bool blank = true;
        for (int c = 0; c < t.columns && blank; ++c)
            blank = cellText(t, l.rows - 1, c).isEmpty();
        if (!blank)
            break;
        --l.rows;
    }

    // The table stays inside the axis area it starts in (the top one): a table too tall for it is
    // split into two groups of rows side by side, and if that is still too large its text shrinks.
    // Its text is never smaller than the axis labels (the chart's base font), so it reads as well
    // as they do; a table that cannot fit the top axis at that size may reach over the axes below.
    const QRect home = m_axisRects.front()->rect();
    QSize room(home.width() - 2 * kTableMargin, home.height() - 2 * kTableMargin);
    const QFont axisFont = baseFont();
    const double leastPoints = std::max(kTableMinPoints, axisFont.pointSizeF());
    QFont font = axisFont;
    font.setPointSizeF(std::max(leastPoints, font.pointSizeF() * t.textSize / 100.0));
    const auto fits = [&](const TableLayout& c) {
        return c.box.width() <= room.width() && c.box.height() <= room.height();
    };
    layOut(l, 1, font);
    if (!fits(l) && l.rows > 1) {
        TableLayout two = l;
        layOut(two, 2, font);
        if (fits(two) || two.box.height() < l.box.height()) {
            l = std::move(two);
        }
        if (!fits(l)) {
            const QRect plot = plottingRect();
            room = QSize(plot.width() - 2 * kTableMargin, plot.bottom() - home.top() - 2 * kTableMargin);
        }
        while (!fits(l) && font.pointSizeF() > leastPoints) {
            font.setPointSizeF(std::max(leastPoints, font.pointSizeF() - 0.5));
            TableLayout one;
            one.rows = l.rows;
            layOut(one, 1, font);
            TableLayout halves = one;
            layOut(halves, 2, font);
            l = fits(one) ? one : halves;
        }
    }
    l.box.moveTopLeft(home.topLeft() + QPoint(kTableMargin + t.dragX, kTableMargin + t.dragY));
    return l;
}

QRect ChartWidget::tableRect() const {
    return tableLayout().box;
}

QFont ChartWidget::tableFont() const {
    return tableLayout().font;
}

QColor ChartWidget::markColor(quint32 color) const {
    // A mark in the background's colour would be invisible: it is drawn in the axes' colour
    // instead (or black or white, should that be the background's colour too). The stored colour
    // stays as it is.
    const QColor back = colorFromPe(m_model.look.graphBackColor);
    const QColor c = colorFromPe(color);
    if (m_paperScheme)
        return paperCurveColor(c); // dark enough for white paper
    if (c.rgb() != back.rgb())
        return c;
    const QColor fore = colorFromPe(m_model.look.graphForeColor);
    if (fore.rgb() != back.rgb())
        return fore;
    return back.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

void ChartWidget::paintSeparators(QCPPainter* painter) {
    // Stacked axes are parted by a line in the axes' colour across the middle of the room between
    // them (the room their tick labels need), thin, medium or thick as the chart says.
    const int widths[] = {0, 1, 2, 4};
    const int width = widths[std::clamp(m_model.look.separators, 0, 3)];
    const QColor fore = colorFromPe(m_model.look.graphForeColor);
    const QRect plot = plottingRect();
    for (size_t a = 0; a + 1 < m_axisRects.size() && width > 0; ++a) {
        const int top = m_axisRects[a]->rect().bottom() + 1;
        const int bottom = m_axisRects[a + 1]->rect().top();
        if (bottom > top)
            painter->fillRect(QRect(plot.left(), (top + bottom - width) / 2, plot.width(), width), fore);
    }
}

void ChartWidget::paintTable(QCPPainter* painter) {
    const TableLayout l = tableLayout();
    if (l.box.isNull())
        return;
    const TableAnnotation& t = m_model.table;
    const QRect& table = l.box;
    painter->setClipping(false);
    painter->setBrush(colorFromPe(t.backColor));
    const QColor fore = colorFromPe(m_model.look.graphForeColor);
    if (t.border == pe::sgNoBorder) {
        painter->setPen(Qt::NoPen);
        painter->drawRect(table);
    } else {
        painter->setPen(QPen(t.border == pe::sgInset ? fore.darker(150) : fore, 1));
        painter->drawRect(table);
        if (t.border == pe::sgInset) {
            painter->setPen(QPen(QColor(255, 255, 255), 1));
            painter->drawLine(table.bottomLeft() + QPoint(1, 0), table.bottomRight());
            painter->drawLine(table.topRight() + QPoint(0, 1), table.bottomRight());
        } else if (t.border == pe::sgShadow) {
            painter->fillRect(QRect(table.left() + 3, table.bottom() + 1, table.width(), 3),
                              QColor(0, 0, 0, 96));
            painter->fillRect(QRect(table.right() + 1, table.top() + 3, 3, table.height()),
                              QColor(0, 0, 0, 96));
        }
    }
    const int ascent = QFontMetrics(l.font).ascent();
    for (int g = 0; g < l.groups; ++g) {
        int x = table.left() + 4 + l.groupLeft[size_t(g)];
        if (g > 0) { // a rule between the two halves
            painter->setPen(QPen(fore.darker(150), 1));
            const int rule = x - 4 - kTableGroupGap / 2;
            painter->drawLine(QLineF(rule, table.top() + 3, rule, table.bottom() - 3));
        }
        for (int c = 0; c < t.columns; ++c) {
            for (int r = g * l.rowsPerGroup; r < std::min(l.rows, (g + 1) * l.rowsPerGroup); ++r) {
                const QFont& cellFont = isHeader(t, r, c) ? l.bold : l.font;
                painter->setFont(cellFont);
                const int y = table.top() + 2 + (r - g * l.rowsPerGroup) * l.rowHeight + ascent;
                const QString text = cellText(t, r, c);
                if (const QColor backing = tableCellBacking(r, c); backing.isValid() && !text.isEmpty()) {
                    const int w = QFontMetrics(cellFont).horizontalAdvance(text);
                    painter->fillRect(QRect(x - 2, y - ascent - 1, w + 4, l.rowHeight), backing);
                }
                painter->setPen(colorFromPe(t.colors[size_t(r) * size_t(t.columns) + size_t(c)]));
                painter->drawText(QPointF(x, y), text);
            }
            x += l.columnWidths[size_t(g) * size_t(t.columns) + size_t(c)];
        }
    }
}

void ChartWidget::paintAnnotations(QCPPainter* painter) {
    const QRect plot = plottingRect();
    if (plot.isEmpty() || m_axisRects.empty())
        return;
    painter->save();
    paintSeparators(painter);
    painter->setClipRect(plot);
    const ChartModel& m = m_model;

    if (m.look.showVertLineAnnotations && !m.vertLines().empty()) {
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * m.look.lineAnnotationTextSize / 100.0));
        painter->setFont(font);
        for (const ::VertLineAnnotation& v : m.vertLines()) {
            const double px = dataToPixel(v.x, 0).x();
            if (px < plot.left() || px > plot.right())
                continue;
            painter->setPen(QPen(markColor(v.color), 1));
            painter->drawLine(QLineF(px, plot.top(), px, plot.bottom()));
            if (!v.text.isEmpty())
                painter->drawText(QPointF(px + 3, plot.top() + QFontMetrics(font).ascent() + 2), v.text);
        }
    }

    if (m.look.showAnnotations && !m.annotations().empty()) {
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * m.look.graphAnnotationTextSize / 100.0));
        painter->setFont(font);
        const QFontMetrics fm(font);
        for (const GraphAnnotation& a : m.annotations()) {
            const QRectF box = annotationRect(a, font);
            if (box.isNull() || !box.intersects(plot))
                continue;
            const QPointF anchor = dataToPixel(a.x, a.y);
            painter->setPen(QPen(markColor(a.color), 1));
            if (a.type == pe::sgCrossMark) {
                painter->drawLine(QLineF(anchor.x() - kCrossArm, anchor.y() - kCrossArm,
                                         anchor.x() + kCrossArm, anchor.y() + kCrossArm));
                painter->drawLine(QLineF(anchor.x() - kCrossArm, anchor.y() + kCrossArm,
                                         anchor.x() + kCrossArm, anchor.y() - kCrossArm));
            }
            if (a.text.isEmpty())
                continue;
            const qreal left = anchor.x() + (a.type == pe::sgCrossMark ? kCrossArm + 2 : 0);
            qreal baseline = anchor.y() - fm.height() / 2.0 + fm.ascent();
            for (const QString& line : annotationLines(a.text)) {
                painter->drawText(QPointF(left, baseline), line);
                baseline += fm.height();
            }
        }
    }

    paintTable(painter);
    painter->restore();
}

int ChartWidget::annotationAt(QPoint pixel) const {
    if (!m_model.look.allowGraphAnnotHotSpots || !m_model.look.showAnnotations)
        return -1;
    QFont font = baseFont();
    font.setPointSizeF(std::max(1.0, font.pointSizeF() * m_model.look.graphAnnotationTextSize / 100.0));
    const auto& list = m_model.annotations();
    for (int i = int(list.size()) - 1; i >= 0; --i) { // the one drawn last lies on top
        const QRectF box = annotationRect(list[size_t(i)], font);
        if (!box.isNull() && box.adjusted(-3, -3, 3, 3).contains(pixel))
            return i;
    }
    return -1;
}

std::pair<int, int> ChartWidget::dataPointAt(QPoint pixel) const {
    if (!m_model.look.allowDataHotSpots)
        return {-1, -1};
    std::pair<int, int> best{-1, -1};
    double bestDistance = kHotSpotPixels * kHotSpotPixels + 0.5;
    for (int s : m_model.drawnSubsets()) {
        QCPAxisRect* rect = m_axisRects[size_t(m_model.axisOfSubset(s))];
        if (!rect->rect().contains(pixel))
            continue;
        QCPAxis* xAxis = rect->axis(QCPAxis::atBottom);
        QCPAxis* yAxis = rect->axis(QCPAxis::atLeft);
        const auto xs = m_model.xRow(s);
        const auto ys = m_model.yRow(s);
        for (size_t p = 0; p < xs.size(); ++p) {
            if (m_model.isNull(ys[p]))
                continue;
            const double dx = xAxis->coordToPixel(keyOf(xs[p])) - pixel.x();
            const double dy = yAxis->coordToPixel(ys[p]) - pixel.y();
            const double d = dx * dx + dy * dy;
            if (d < bestDistance) {
                bestDistance = d;
                best = {s, int(p)};
            }
        }
    }
    return best;
}
