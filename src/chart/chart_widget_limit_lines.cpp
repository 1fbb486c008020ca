// ChartWidget's limit lines: a dashed horizontal line in its subset's colour across that subset's axis,
// labelled with the subset and the limit at its right end, drawn while the subset is drawn.
#include "chart/chart_widget_layers.h"

#include <QLocale>
#include <algorithm>

using namespace chartdraw;

void ChartWidget::setLimitLines(const std::vector<LimitLine>& lines) {
    std::vector<LimitLine>& kept = m_model.limitLines;
    kept.clear();
    for (const LimitLine& l : lines) {
        if (int(kept.size()) >= ChartModel::kMaxLimitLines)
            break;
        if (std::isfinite(l.value) && l.subset >= 0 && l.subset < ChartModel::kMaxSubsets)
            kept.push_back(l);
    }
}

void ChartWidget::paintLimitLines(QCPPainter* painter) {
    if (m_model.limitLines.empty() || m_axisRects.empty())
        return;
    const std::vector<int> drawn = m_model.drawnSubsets();
    QFont font = baseFont();
    font.setPointSizeF(std::max(1.0, font.pointSizeF() * m_model.look.graphAnnotationTextSize / 100.0));
    const QFontMetrics fm(font);
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    painter->save();
    painter->setFont(font);
    for (const LimitLine& l : m_model.limitLines) {
        if (l.subset >= m_model.subsets() || std::find(drawn.begin(), drawn.end(), l.subset) == drawn.end())
            continue;
        const int axis = m_model.axisOfSubset(l.subset);
        if (axis < 0 || size_t(axis) >= m_axisRects.size())
            continue;
        const QRect area = m_axisRects[size_t(axis)]->rect();
        const double y = m_axisRects[size_t(axis)]->axis(QCPAxis::atLeft)->coordToPixel(l.value);
        if (!(y >= area.top() && y <= area.bottom()))
            continue; // off the part of the scale on show
        const QColor color = markColor(m_model.subsetColor(l.subset));
        painter->setClipRect(area);
        painter->setPen(QPen(color, 1, Qt::DashLine));
        painter->drawLine(QLineF(area.left(), y, area.right(), y));
        const QString label = m_model.subsetLabel(l.subset) + u' ' + locale.toString(l.value, 'g', 7);
        const int width = fm.horizontalAdvance(label);
        // Above the line, or below it where the line runs along the top of the area.
        const double baseline =
            y - fm.descent() - 2 >= area.top() + fm.ascent() ? y - fm.descent() - 2 : y + fm.ascent() + 2;
        painter->setPen(color);
        painter->drawText(QPointF(area.right() - width - 4, baseline), label);
    }
    painter->restore();
}
