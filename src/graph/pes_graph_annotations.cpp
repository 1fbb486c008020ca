// PESGraph's annotations: graph annotations (crosses and text marks), vertical line annotations and
// the table, drawn from the model on their own layer, and the hit tests that find them under the mouse.
#include "graph/pes_graph_layers.h"

#include <QRegularExpression>
#include <algorithm>

using namespace pesgraph;

QStringList pesgraph::annotationLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

QRectF PESGraph::annotationRect(const GraphAnnotation& a, const QFont& font) const {
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

QRect PESGraph::tableRect() const {
    const TableAnnotation& t = m_model.table;
    if (!t.show || t.rows <= 0 || t.columns <= 0)
        return {};
    QFont font = baseFont();
    font.setPointSizeF(std::max(1.0, font.pointSizeF() * t.textSize / 100.0));
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics fm(font);
    const QFontMetrics fmBold(bold);
    int width = 0;
    for (int c = 0; c < t.columns; ++c) {
        int w = 0;
        for (int r = 0; r < t.rows; ++r) {
            const bool header = r < t.headerRows || (c == 0 && t.headerColumn);
            w = std::max(
                w,
                (header ? fmBold : fm).horizontalAdvance(t.text[size_t(r) * size_t(t.columns) + size_t(c)]));
        }
        width += w + 8;
    }
    const QRect plot = plottingRect();
    return QRect(plot.left() + kTableMargin + t.dragX, plot.top() + kTableMargin + t.dragY, width,
                 (fm.height() + 2) * t.rows + 4);
}

void PESGraph::paintAnnotations(QCPPainter* painter) {
    const QRect plot = plottingRect();
    if (plot.isEmpty() || m_axisRects.empty())
        return;
    painter->save();
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
            painter->setPen(QPen(colorFromPe(v.color), 1));
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
            painter->setPen(QPen(colorFromPe(a.color), 1));
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

    const QRect table = tableRect();
    if (!table.isNull()) {
        const TableAnnotation& t = m.table;
        painter->setClipping(false);
        painter->setBrush(colorFromPe(t.backColor));
        const QColor fore = colorFromPe(m.look.graphForeColor);
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
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * t.textSize / 100.0));
        QFont bold = font;
        bold.setBold(true);
        const QFontMetrics fm(font);
        const QFontMetrics fmBold(bold);
        int x = table.left() + 4;
        for (int c = 0; c < t.columns; ++c) {
            int w = 0;
            for (int r = 0; r < t.rows; ++r) {
                const bool header = r < t.headerRows || (c == 0 && t.headerColumn);
                const QString& cell = t.text[size_t(r) * size_t(t.columns) + size_t(c)];
                w = std::max(w, (header ? fmBold : fm).horizontalAdvance(cell));
                painter->setFont(header ? bold : font);
                painter->setPen(colorFromPe(t.colors[size_t(r) * size_t(t.columns) + size_t(c)]));
                painter->drawText(QPointF(x, table.top() + 2 + r * (fm.height() + 2) + fm.ascent()), cell);
            }
            x += w + 8;
        }
    }
    painter->restore();
}

int PESGraph::annotationAt(QPoint pixel) const {
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

std::pair<int, int> PESGraph::dataPointAt(QPoint pixel) const {
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
