// Building ChartWidget's QCustomPlot view from the model: axes, graphs, look, ranges and cursor.
#include "chart/chart_widget_layers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

using namespace chartdraw;

namespace {

Qt::PenStyle gridPenStyle(int style) {
    switch (style) {
    case pe::sgDot:
        return Qt::DotLine;
    case pe::sgDash:
        return Qt::DashLine;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

double ChartWidget::keyOf(double x) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? daysToAxisSeconds(x) : x;
}

double ChartWidget::xOfKey(double key) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? axisSecondsToDays(key) : key;
}

QFont ChartWidget::baseFont() const {
    QFont f = font();
    if (!m_model.look.fontFamily.isEmpty())
        f.setFamily(m_model.look.fontFamily);
    f.setPointSize(m_model.look.fontSize);
    return f;
}

std::vector<int> ChartWidget::shape() const {
    std::vector<int> s{m_model.subsets(), m_model.axisCount(), !m_model.look.mainTitle.trimmed().isEmpty(),
                       !m_model.look.subTitle.trimmed().isEmpty()};
    for (int i = 0; i < m_model.subsets(); ++i)
        s.push_back(m_model.axisOfSubset(i));
    return s;
}

void ChartWidget::rebuild() {
    m_plot->clearPlottables();
    m_plot->plotLayout()->clear();
    m_axisRects.clear();
    m_graphs.clear();
    m_legends.clear();
    m_mainTitle = nullptr;
    m_subTitle = nullptr;

    QCPLayoutGrid* layout = m_plot->plotLayout();
    int row = 0;
    if (!m_model.look.mainTitle.trimmed().isEmpty()) {
        m_mainTitle = new QCPTextElement(m_plot, m_model.look.mainTitle);
        layout->addElement(row++, 0, m_mainTitle);
    }
    if (!m_model.look.subTitle.trimmed().isEmpty()) {
        m_subTitle = new QCPTextElement(m_plot, m_model.look.subTitle);
        layout->addElement(row++, 0, m_subTitle);
    }
    m_axesGrid = new QCPLayoutGrid;
    layout->addElement(row, 0, m_axesGrid);
    for (int r = 0; r < row; ++r)
        layout->setRowStretchFactor(r, 0.001);
    layout->setRowStretchFactor(row, 1.0);

    const int axes = m_model.axisCount();
    for (int a = 0; a < axes; ++a) {
        auto* rect = new QCPAxisRect(m_plot, true);
        m_axesGrid->addElement(a, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, m_marginGroup);
        rect->axis(QCPAxis::atTop)->setVisible(true);
        rect->axis(QCPAxis::atTop)->setTickLabels(false);
        rect->axis(QCPAxis::atRight)->setVisible(true);
        rect->axis(QCPAxis::atRight)->setTickLabels(false);
        if (a < axes - 1)
            rect->axis(QCPAxis::atBottom)->setTickLabels(false);
        auto* legend = new QCPLegend;
        rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
        legend->setLayer(QStringLiteral("legend"));
        m_axisRects.push_back(rect);
        m_legends.push_back(legend);
    }
    while (int(m_vBars.size()) > axes) {
        delete m_vBars.back();
        m_vBars.pop_back();
    }
    while (int(m_vBars.size()) < axes) {
        auto* bar = new QScrollBar(Qt::Vertical, this);
        bar->setObjectName(QStringLiteral("verticalScrollBar%1").arg(m_vBars.size()));
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, &ChartWidget::scrollBarMoved);
        m_vBars.push_back(bar);
    }
    for (int s = 0; s < m_model.subsets(); ++s) {
        QCPAxisRect* rect = m_axisRects[size_t(m_model.axisOfSubset(s))];
        QCPGraph* graph = m_plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setAntialiased(false);
        graph->setAdaptiveSampling(true);
        m_graphs.push_back(graph);
    }
    m_autoY.assign(size_t(axes), {0.0, 1.0});
    m_builtShape = shape();
    m_built = true;
    m_dataDirty = true;
}

void ChartWidget::refresh() {
    if (!m_built || shape() != m_builtShape)
        rebuild();
    if (m_dataDirty || (!m_pendingCells.empty() && !appendPendingCells()))
        pushData();
    applyLook();
    applyRanges();
    applyCursor();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::applyLook() {
    const ChartLook& look = m_model.look;
    const QColor desk = colorFromPe(look.deskColor);
    const QColor back = colorFromPe(look.graphBackColor);
    const QColor fore = colorFromPe(look.graphForeColor);
    const QColor text = colorFromPe(look.textColor);
    const QFont font = baseFont();
    QFont titleFont = font;
    titleFont.setPointSize(font.pointSize() + 3);
    titleFont.setBold(look.titleBold);

    m_plot->setBackground(desk);
    if (m_mainTitle) {
        m_mainTitle->setText(look.mainTitle);
        m_mainTitle->setFont(titleFont);
        m_mainTitle->setTextColor(text);
    }
    if (m_subTitle) {
        m_subTitle->setText(look.subTitle);
        m_subTitle->setFont(font);
        m_subTitle->setTextColor(text);
    }
    // Between stacked axes the separator line is drawn (chart_widget_annotations.cpp).
    const int spacing[] = {0, 3, 6, 10};
    m_axesGrid->setRowSpacing(spacing[std::clamp(look.separators, 0, 3)]);

    const bool xGrid = look.gridLineControl == pe::sgGridBoth || look.gridLineControl == pe::sgGridX;
    const bool yGrid = look.gridLineControl == pe::sgGridBoth || look.gridLineControl == pe::sgGridY;
    const QPen gridPen = m_paperScheme ? paperGridPen() : QPen(fore, 0, gridPenStyle(look.gridStyle));
    const QPen axisPen(fore, 1);
    const auto ticker = look.dateTimeMode == pe::sgVBDateTime ? [&] {
        auto t = QSharedPointer<QCPAxisTickerDateTime>::create();
        t->setDateTimeSpec(Qt::UTC); // day counts are wall-clock time, no zone shift
        t->setDateTimeFormat(QStringLiteral("hh:mm:ss\n") + QLocale().dateFormat(QLocale::ShortFormat));
        return QSharedPointer<QCPAxisTicker>(t);
    }()
                                                              : QSharedPointer<QCPAxisTicker>::create();
    const int axes = int(m_axisRects.size());
    for (int a = 0; a < axes; ++a) {
        QCPAxisRect* rect = m_axisRects[size_t(a)];
        m_axesGrid->setRowStretchFactor(a, std::max(0.01, m_model.multiAxesProportion(a)));
        rect->setBackground(back);
        for (QCPAxis* axis : rect->axes()) {
            axis->setBasePen(axisPen);
            axis->setTickPen(axisPen);
            axis->setSubTickPen(axisPen);
            axis->setTickLabelColor(text);
            axis->setLabelColor(text);
            axis->setTickLabelFont(font);
            axis->setLabelFont(font);
            axis->grid()->setPen(gridPen);
            axis->grid()->setZeroLinePen(Qt::NoPen);
            axis->grid()->setSubGridVisible(false);
        }
        for (auto type : {QCPAxis::atBottom, QCPAxis::atTop})
            rect->axis(type)->setTicker(ticker);
        rect->axis(QCPAxis::atBottom)->grid()->setVisible(xGrid);
        rect->axis(QCPAxis::atLeft)->grid()->setVisible(yGrid);
        rect->axis(QCPAxis::atLeft)->setLabel(yAxisTitle(a));
        rect->axis(QCPAxis::atBottom)->setLabel(a == axes - 1 ? look.xAxisLabel : QString());
        QCPLegend* legend = m_legends[size_t(a)];
        legend->clearItems();
        legend->setFont(font);
        // The legend sits on the graph background: keep its text readable on it.
        const bool bothDark = back.lightness() < 128 && text.lightness() < 128;
        const bool bothLight = back.lightness() >= 128 && text.lightness() >= 128;
        legend->setTextColor(bothDark ? QColor(Qt::white) : bothLight ? QColor(Qt::black) : text);
        legend->setBrush(back);
        legend->setBorderPen(axisPen);
    }

    const std::vector<int> drawn = m_model.drawnSubsets();
    for (int s = 0; s < int(m_graphs.size()); ++s) {
        QCPGraph* graph = m_graphs[size_t(s)];
        const bool visible = std::find(drawn.begin(), drawn.end(), s) != drawn.end();
        const QColor color = colorFromPe(m_model.subsetColor(s));
        graph->setPen(m_paperScheme ? paperCurvePen(color, s) : QPen(color, 1));
        graph->setName(m_model.subsetLabel(s));
        graph->setVisible(visible);
        if (visible && !graph->name().isEmpty())
            graph->addToLegend(m_legends[size_t(m_model.axisOfSubset(s))]);
    }
    for (QCPLegend* legend : m_legends)
        legend->setVisible(legend->itemCount() > 0);
}

std::pair<double, double> ChartWidget::viewRangeX() const {
    if (!m_model.zoomStack.empty())
        return {m_model.zoomStack.back().xMin, m_model.zoomStack.back().xMax};
    return fullRangeX();
}

std::pair<double, double> ChartWidget::fullRangeX() const {
    double lo = m_autoX.first;
    double hi = m_autoX.second;
    const int control = m_model.xScaleControl;
    if (control == pe::sgManualMin || control == pe::sgManualMinAndMax)
        lo = m_model.manualMinX;
    if (control == pe::sgManualMax || control == pe::sgManualMinAndMax)
        hi = m_model.manualMaxX;
    return {lo, hi};
}

std::pair<double, double> ChartWidget::viewRangeY(int axis) const {
    if (!m_model.zoomStack.empty() && size_t(axis) < m_model.zoomStack.back().y.size())
        return m_model.zoomStack.back().y[size_t(axis)];
    return fullRangeY(axis);
}

std::pair<double, double> ChartWidget::fullRangeY(int axis) const {
    const YAxisSettings& settings = m_model.yAxisAt(axis);
    auto [lo, hi] = size_t(axis) < m_autoY.size() ? m_autoY[size_t(axis)] : std::pair{0.0, 1.0};
    if (settings.scaleControl == pe::sgManualMin || settings.scaleControl == pe::sgManualMinAndMax)
        lo = settings.manualMin;
    if (settings.scaleControl == pe::sgManualMax || settings.scaleControl == pe::sgManualMinAndMax)
        hi = settings.manualMax;
    return {lo, hi};
}

void ChartWidget::applyRanges() {
    const auto [xLo, xHi] = viewRangeX();
    const auto [kLo, kHi] = sanitized(keyOf(xLo), keyOf(xHi));
    for (size_t a = 0; a < m_axisRects.size(); ++a) {
        QCPAxisRect* rect = m_axisRects[a];
        rect->axis(QCPAxis::atBottom)->setRange(kLo, kHi);
        rect->axis(QCPAxis::atTop)->setRange(kLo, kHi);
        const auto [yLo, yHi] = viewRangeY(int(a));
        const auto [lo, hi] = sanitized(yLo, yHi);
        rect->axis(QCPAxis::atLeft)->setRange(lo, hi);
        rect->axis(QCPAxis::atRight)->setRange(lo, hi);
    }
    emit viewChanged();
}

void ChartWidget::fitTickCounts() {
    // A low axis area gets fewer Y ticks, so that its tick labels never run into each other. The
    // layout is known only now; a changed count shows with the next drawing.
    const int labelHeight = QFontMetrics(baseFont()).height();
    bool changed = false;
    for (QCPAxisRect* rect : m_axisRects) {
        const int count = std::clamp(rect->rect().height() / std::max(1, 2 * labelHeight), 1, 5);
        for (auto type : {QCPAxis::atLeft, QCPAxis::atRight}) {
            QCPAxisTicker* ticker = rect->axis(type)->ticker().data();
            if (ticker && ticker->tickCount() != count) {
                ticker->setTickCount(count);
                changed = true;
            }
        }
    }
    if (changed)
        m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::applyCursor() {
    switch (m_model.look.arrowCursor) {
    case pe::sgTextCursor:
        m_plot->setCursor(Qt::IBeamCursor);
        break;
    case pe::sgCustomCursor:
        m_plot->setCursor(m_customCursor);
        break;
    default:
        m_plot->setCursor(Qt::ArrowCursor);
        break;
    }
}
