// ChartWidget's scrolling of a zoomed view: the scroll bars, panning with the right or middle mouse
// button and zooming with the wheel. The view on show is the last entry of the zoom stack; all of
// these only move or resize that entry inside the chart's whole view, so Undo Zoom always returns
// to the whole view, and a chart that is not zoomed has nothing to scroll or pan.
#include "chart/chart_widget_layers.h"

#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

using namespace chartdraw;

namespace {

constexpr int kScrollSteps = 10000;    // scroll bar units across the whole view
constexpr double kWheelZoom = 0.8;     // part of the view left after one wheel step towards the chart
constexpr double kSmallestView = 1e-7; // of the whole view: deeper wheel zooming stops there

struct Span {
    double lo = 0.0;
    double hi = 0.0;
    double size() const { return hi - lo; }
};

Span spanOf(std::pair<double, double> range) {
    return range.first <= range.second ? Span{range.first, range.second} : Span{range.second, range.first};
}

// `view` moved inside `whole`; a view as large as the whole one or larger becomes the whole one.
Span clampInto(Span view, Span whole) {
    if (!(view.size() < whole.size()))
        return whole;
    if (view.lo < whole.lo)
        view = {whole.lo, whole.lo + view.size()};
    if (view.hi > whole.hi)
        view = {whole.hi - view.size(), whole.hi};
    return view;
}

bool narrower(Span view, Span whole) {
    return whole.size() > 0 && view.size() < whole.size() * (1.0 - 1e-9);
}

// `span` scaled by `factor` around `anchor`, which keeps its place on the screen.
Span zoomedAround(Span span, double anchor, double factor) {
    return {anchor - (anchor - span.lo) * factor, anchor + (span.hi - anchor) * factor};
}

// Sets a bar to show `view` inside `whole`; `topDown` for a Y bar, whose top end is the high end.
void setBar(QScrollBar* bar, Span view, Span whole, bool topDown) {
    const double unit = kScrollSteps / whole.size();
    const int page = std::clamp(int(std::lround(view.size() * unit)), 1, kScrollSteps);
    bar->setRange(0, kScrollSteps - page);
    bar->setPageStep(page);
    bar->setSingleStep(std::max(1, page / 10));
    bar->setValue(int(std::lround((topDown ? whole.hi - view.hi : view.lo - whole.lo) * unit)));
}

} // namespace

QScrollBar* ChartWidget::verticalScrollBar(int axis) const {
    return axis >= 0 && size_t(axis) < m_vBars.size() ? m_vBars[size_t(axis)] : nullptr;
}

void ChartWidget::showWholeYScales() {
    if (!isZoomed())
        return;
    for (ZoomView& view : m_model.zoomStack)
        for (int a = 0; a < int(view.y.size()); ++a)
            view.y[size_t(a)] = fullRangeY(a);
    applyRanges();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

ZoomView ChartWidget::currentView() const {
    if (isZoomed())
        return m_model.zoomStack.back();
    ZoomView view;
    std::tie(view.xMin, view.xMax) = fullRangeX();
    for (int a = 0; a < int(m_axisRects.size()); ++a)
        view.y.push_back(fullRangeY(a));
    return view;
}

void ChartWidget::showView(ZoomView view) {
    const Span x = clampInto(spanOf({view.xMin, view.xMax}), spanOf(fullRangeX()));
    view.xMin = x.lo;
    view.xMax = x.hi;
    for (int a = 0; a < int(view.y.size()); ++a) {
        const Span y = clampInto(spanOf(view.y[size_t(a)]), spanOf(fullRangeY(a)));
        view.y[size_t(a)] = {y.lo, y.hi};
    }
    if (isZoomed())
        m_model.zoomStack.back() = std::move(view);
    else
        m_model.zoomStack.push_back(std::move(view));
    applyRanges();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::updateScrollBars() {
    const ZoomView view = currentView();
    m_settingBars = true;
    const Span wholeX = spanOf(fullRangeX());
    const Span viewX = spanOf({view.xMin, view.xMax});
    const bool horizontal = isZoomed() && narrower(viewX, wholeX);
    if (horizontal)
        setBar(m_hBar, viewX, wholeX, false);
    bool vertical = false;
    std::vector<bool> shown(m_vBars.size(), false);
    for (size_t a = 0; a < m_vBars.size() && a < view.y.size(); ++a) {
        const Span wholeY = spanOf(fullRangeY(int(a)));
        const Span viewY = spanOf(view.y[a]);
        shown[a] = isZoomed() && narrower(viewY, wholeY);
        if (shown[a])
            setBar(m_vBars[a], viewY, wholeY, true);
        vertical = vertical || shown[a];
    }
    m_settingBars = false;

    // The plot gives up a strip for each direction that scrolls; it is laid out anew when it does.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QRect plot(0, 0, std::max(0, width() - (vertical ? extent : 0)),
                     std::max(0, height() - (horizontal ? extent : 0)));
    m_hBar->setVisible(horizontal);
    for (size_t a = 0; a < m_vBars.size(); ++a)
        m_vBars[a]->setVisible(shown[a]);
    if (m_plot->geometry() != plot) {
        m_plot->setGeometry(plot);
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    }
    placeScrollBars();
}

void ChartWidget::placeScrollBars() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QRect plot = plottingRect();
    m_hBar->setGeometry(plot.left(), m_plot->height(), std::max(0, plot.width()), extent);
    for (size_t a = 0; a < m_vBars.size() && a < m_axisRects.size(); ++a) {
        const QRect r = m_axisRects[a]->rect();
        m_vBars[a]->setGeometry(m_plot->width(), r.top(), extent, std::max(0, r.height()));
    }
}

void ChartWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateScrollBars();
}

void ChartWidget::scrollBarMoved() {
    if (m_settingBars || !isZoomed())
        return;
    ZoomView& view = m_model.zoomStack.back();
    if (m_hBar->isVisible()) {
        const Span whole = spanOf(fullRangeX());
        const Span shown = spanOf({view.xMin, view.xMax});
        view.xMin = whole.lo + m_hBar->value() * whole.size() / kScrollSteps;
        view.xMax = view.xMin + shown.size();
    }
    for (size_t a = 0; a < m_vBars.size() && a < view.y.size(); ++a) {
        if (!m_vBars[a]->isVisible())
            continue;
        const Span whole = spanOf(fullRangeY(int(a)));
        const Span shown = spanOf(view.y[a]);
        const double hi = whole.hi - m_vBars[a]->value() * whole.size() / kScrollSteps;
        view.y[a] = {hi - shown.size(), hi};
    }
    applyRanges();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

// ---------------------------------------------------------------------------------------------
// Panning: the view follows the pointer, as if the chart were dragged under it.

void ChartWidget::beginPan(QPoint pixel) {
    m_panning = isZoomed() && !m_axisRects.empty();
    if (!m_panning)
        return;
    m_panStart = pixel;
    m_panAxis = std::max(0, axisRectAt(pixel));
    m_panView = m_model.zoomStack.back();
    m_plot->setCursor(Qt::ClosedHandCursor);
}

void ChartWidget::panTo(QPoint pixel) {
    if (!m_panning || !isZoomed())
        return;
    const QRect r = m_axisRects[size_t(m_panAxis)]->rect();
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const QPoint delta = pixel - m_panStart;
    ZoomView view = m_panView;
    const Span x = spanOf({view.xMin, view.xMax});
    if (narrower(x, spanOf(fullRangeX()))) {
        const double dx = -delta.x() * x.size() / r.width();
        view.xMin = x.lo + dx;
        view.xMax = x.hi + dx;
    }
    if (size_t(m_panAxis) < view.y.size()) {
        const Span y = spanOf(view.y[size_t(m_panAxis)]);
        if (narrower(y, spanOf(fullRangeY(m_panAxis)))) {
            const double dy = delta.y() * y.size() / r.height();
            view.y[size_t(m_panAxis)] = {y.lo + dy, y.hi + dy};
        }
    }
    showView(std::move(view));
}

// ---------------------------------------------------------------------------------------------
// The wheel zooms around the pointer: the value under it stays under it. The plain wheel zooms time
// (X) only, so the Y scales the user set stay as they are; with Ctrl held it zooms the Y axis under the
// pointer only. Each does so only where the chart's zoom mode allows that direction.

void ChartWidget::wheelZoom(QWheelEvent* event) {
    const int mode = m_model.look.allowZooming;
    const QPoint pos = event->position().toPoint();
    const int a = axisRectAt(pos);
    const double steps = event->angleDelta().y() / 120.0;
    if (mode == pe::sgNoZooming || a < 0 || steps == 0.0)
        return;
    const bool yAxis = event->modifiers().testFlag(Qt::ControlModifier);
    const bool zoomX = !yAxis && (mode == pe::sgHorzZooming || mode == pe::sgHorzPlusVertZooming);
    const bool zoomY = yAxis && (mode == pe::sgVertZooming || mode == pe::sgHorzPlusVertZooming);
    if (!zoomX && !zoomY)
        return;
    event->accept();
    const double factor = std::pow(kWheelZoom, steps);
    QCPAxisRect* rect = m_axisRects[size_t(a)];
    ZoomView view = currentView();
    bool tooSmall = false;
    if (zoomX) {
        const Span whole = spanOf(fullRangeX());
        const double anchor = xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pos.x()));
        const Span x = clampInto(zoomedAround(spanOf({view.xMin, view.xMax}), anchor, factor), whole);
        tooSmall = x.size() < whole.size() * kSmallestView;
        view.xMin = x.lo;
        view.xMax = x.hi;
    }
    if (zoomY && size_t(a) < view.y.size()) {
        const Span whole = spanOf(fullRangeY(a));
        const double anchor = rect->axis(QCPAxis::atLeft)->pixelToCoord(pos.y());
        const Span y = clampInto(zoomedAround(spanOf(view.y[size_t(a)]), anchor, factor), whole);
        tooSmall = tooSmall || y.size() < whole.size() * kSmallestView;
        view.y[size_t(a)] = {y.lo, y.hi};
    }
    if (tooSmall)
        return;
    bool whole = !narrower(spanOf({view.xMin, view.xMax}), spanOf(fullRangeX()));
    for (int i = 0; i < int(view.y.size()); ++i)
        whole = whole && !narrower(spanOf(view.y[size_t(i)]), spanOf(fullRangeY(i)));
    if (whole) {
        // Zoomed back out to everything: the same as Undo Zoom.
        if (isZoomed()) {
            undoZoom();
            emit zoomedOut();
        }
        return;
    }
    const bool wasZoomed = isZoomed();
    showView(std::move(view));
    if (!wasZoomed)
        emit zoomedIn();
}
