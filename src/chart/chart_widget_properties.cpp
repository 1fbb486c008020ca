// ChartWidget's property writes that need more than a plain store in the model: they mark what the
// next redraw must rebuild or push again.
#include "chart/chart_widget_layers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

using namespace chartdraw;

void ChartWidget::setSubsets(int count) {
    if (m_model.setSubsets(count))
        markData();
}

void ChartWidget::setPoints(int count) {
    if (m_model.setPoints(count))
        markData();
}

void ChartWidget::setXDataII(int subset, int point, double value) {
    noteCellWrite(subset, point);
    m_model.setX(subset, point, value);
}

void ChartWidget::setYData(int subset, int point, float value) {
    noteCellWrite(subset, point);
    m_model.setY(subset, point, double(value));
}

void ChartWidget::setYDataII(int subset, int point, double value) {
    noteCellWrite(subset, point);
    m_model.setY(subset, point, value);
}

void ChartWidget::setXDataArray(std::span<const double> values) {
    m_model.setXArray(values);
    markData();
}

void ChartWidget::setYDataArray(std::span<const float> values) {
    m_model.setYArray(values);
    markData();
}

void ChartWidget::setYDataIIArray(std::span<const double> values) {
    m_model.setYArray(values);
    markData();
}

void ChartWidget::setNullDataValueY(double value) {
    m_model.look.nullDataValueY = value;
    markData();
}

void ChartWidget::setLineGapThreshold(double value) {
    if (std::isnan(value))
        return;
    m_model.look.lineGapThreshold = value;
    markData();
}

void ChartWidget::setManualMinY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMin = value;
}

void ChartWidget::setManualMaxY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMax = value;
}

void ChartWidget::setManualMinX(double value) {
    if (std::isfinite(value))
        m_model.manualMinX = value;
}

void ChartWidget::setManualMaxX(double value) {
    if (std::isfinite(value))
        m_model.manualMaxX = value;
}

const GraphAnnotation& ChartWidget::annotationAt(int i) const {
    static const GraphAnnotation none;
    return i >= 0 && size_t(i) < m_model.annotations().size() ? m_model.annotations()[size_t(i)] : none;
}

const ::VertLineAnnotation& ChartWidget::vertLineAt(int i) const {
    static const ::VertLineAnnotation none;
    return i >= 0 && size_t(i) < m_model.vertLines().size() ? m_model.vertLines()[size_t(i)] : none;
}

void ChartWidget::setGraphAnnotationType(int i, int type) {
    if (auto* a = m_model.annotation(i); a && type >= 0 && type <= 255)
        a->type = type;
}

void ChartWidget::setGraphAnnotationX(int i, double x) {
    if (auto* a = m_model.annotation(i))
        a->x = x;
}

void ChartWidget::setGraphAnnotationY(int i, double y) {
    if (auto* a = m_model.annotation(i))
        a->y = y;
}

void ChartWidget::setGraphAnnotationText(int i, const QString& text) {
    if (auto* a = m_model.annotation(i))
        a->text = text;
}

void ChartWidget::setGraphAnnotationColor(int i, quint32 color) {
    if (auto* a = m_model.annotation(i))
        a->color = color;
}

void ChartWidget::setGraphAnnotationTextSize(int percent) {
    m_model.look.graphAnnotationTextSize = std::clamp(percent, 1, 1000);
}

void ChartWidget::setVertLineAnnotation(int i, double x) {
    if (auto* v = m_model.vertLine(i))
        v->x = x;
}

void ChartWidget::setVertLineAnnotationText(int i, const QString& text) {
    if (auto* v = m_model.vertLine(i))
        v->text = text;
}

void ChartWidget::setVertLineAnnotationColor(int i, quint32 color) {
    if (auto* v = m_model.vertLine(i))
        v->color = color;
}

void ChartWidget::setLineAnnotationTextSize(int percent) {
    m_model.look.lineAnnotationTextSize = std::clamp(percent, 1, 1000);
}

QString ChartWidget::TAText(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return {};
    return t.text[size_t(row) * size_t(t.columns) + size_t(column)];
}

void ChartWidget::setTAText(int row, int column, const QString& text) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.text[size_t(row) * size_t(t.columns) + size_t(column)] = text;
}

quint32 ChartWidget::TAColor(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return 0;
    return t.colors[size_t(row) * size_t(t.columns) + size_t(column)];
}

void ChartWidget::setTAColor(int row, int column, quint32 color) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.colors[size_t(row) * size_t(t.columns) + size_t(column)] = color;
}

void ChartWidget::setTATextSize(int percent) {
    m_model.table.textSize = std::clamp(percent, 1, 1000);
}

void ChartWidget::setTAHeaderRows(int rows) {
    m_model.table.headerRows = std::clamp(rows, 0, ChartModel::kMaxTableCells);
}

void ChartWidget::setGridLineControl(int lines) {
    if (lines >= pe::sgGridBoth && lines <= pe::sgGridNone)
        m_model.look.gridLineControl = lines;
}

void ChartWidget::setGridStyle(int style) {
    if (style >= pe::sgSolid && style <= pe::sgDash)
        m_model.look.gridStyle = style;
}

void ChartWidget::setFontSize(int points) {
    m_model.look.fontSize = std::clamp(points, 1, 200);
}

void ChartWidget::setAllowZooming(int mode) {
    if (mode >= pe::sgNoZooming && mode <= pe::sgHorzPlusVertZooming)
        m_model.look.allowZooming = mode;
}

void ChartWidget::setArrowCursor(int cursor) {
    if (cursor != pe::sgArrowCursor && cursor != pe::sgTextCursor)
        return;
    m_model.look.arrowCursor = cursor;
    applyCursor();
}

void ChartWidget::setCustomCursor(const QCursor& cursor) {
    m_customCursor = cursor;
    m_model.look.arrowCursor = pe::sgCustomCursor;
    applyCursor();
}

QString ChartWidget::yAxisTitle(int axis) const {
    const QString& label = m_model.yAxisAt(axis).label;
    if (!label.isEmpty() || axis < 0 || axis >= m_unitTitles.size())
        return label;
    return m_unitTitles.at(axis);
}
