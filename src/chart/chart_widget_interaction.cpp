// ChartWidget's mouse handling: clicks and hot spots, the zoom band and zooming, dragging the table.
// The right and middle buttons pan a zoomed view (chart_widget_scrolling.cpp); a right click that
// does not drag asks for the chart's menu (contextMenuRequested).
#include "chart/chart_widget_layers.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <algorithm>

using namespace chartdraw;

// ---------------------------------------------------------------------------------------------
// Mouse: a press and release in place (give or take a shaky hand) is a click; a drag draws the zoom band, or
// moves the table when it starts on a moveable table.

void ChartWidget::mousePress(QMouseEvent* event) {
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        if (event->button() == Qt::RightButton) {
            m_rightPressPos = event->position().toPoint();
            m_rightPressed = true;
            m_rightMoved = false;
        }
        if (!m_pressed)
            beginPan(event->position().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPos = event->position().toPoint();
    m_lastMouse = m_pressPos;
    m_pressed = true;
    m_banding = false;
    m_moved = false;
    m_tableDrag = m_model.table.moveable != pe::sgTANotMoveable && tableRect().contains(m_pressPos);
    m_tableDragStart = QPoint(m_model.table.dragX, m_model.table.dragY);
}

void ChartWidget::setDragLayer(const QString& name, bool buffered) {
    // A buffered layer repaints alone while the chart under it stays as it was painted; the
    // first repaint after the switch is a full one, which sets the buffers up.
    QCPLayer* layer = m_plot->layer(name);
    const QCPLayer::LayerMode mode = buffered ? QCPLayer::lmBuffered : QCPLayer::lmLogical;
    if (layer->mode() != mode)
        layer->setMode(mode);
}

void ChartWidget::mouseMove(QMouseEvent* event) {
    m_lastMouse = event->position().toPoint();
    if (m_rightPressed && (event->buttons() & Qt::RightButton))
        m_rightMoved = m_rightMoved || (m_lastMouse - m_rightPressPos).manhattanLength() >= kBandThreshold;
    if (m_panning && (event->buttons() & (Qt::RightButton | Qt::MiddleButton)))
        panTo(m_lastMouse);
    else if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        const QPoint delta = m_lastMouse - m_pressPos;
        m_moved = m_moved || delta.manhattanLength() >= kBandThreshold;
        if (m_tableDrag) {
            m_model.table.dragX = std::clamp(m_tableDragStart.x() + delta.x(), -100000, 100000);
            m_model.table.dragY = std::clamp(m_tableDragStart.y() + delta.y(), -100000, 100000);
            setDragLayer(QStringLiteral("annotations"), true);
            m_plot->layer(QStringLiteral("annotations"))->replot();
        } else if (m_model.look.allowZooming != pe::sgNoZooming && m_moved) {
            m_banding = true;
            const QRect plot = plottingRect();
            QRect band = QRect(m_pressPos, m_lastMouse).normalized();
            if (m_model.look.allowZooming == pe::sgHorzZooming)
                band = QRect(band.left(), plot.top(), band.width(), plot.height());
            else if (m_model.look.allowZooming == pe::sgVertZooming)
                band = QRect(plot.left(), band.top(), plot.width(), band.height());
            m_overlay->setBand(band.intersected(plot));
            setDragLayer(QStringLiteral("overlay"), true);
            m_plot->layer(QStringLiteral("overlay"))->replot();
        }
    }
    emit mouseMoved();
}

void ChartWidget::mouseRelease(QMouseEvent* event) {
    // A right click that did not drag (the drag pans) asks for the chart's menu.
    const bool rightClick =
        event->button() == Qt::RightButton && m_rightPressed && !m_rightMoved &&
        (event->position().toPoint() - m_rightPressPos).manhattanLength() < kBandThreshold;
    if (event->button() == Qt::RightButton)
        m_rightPressed = false;
    if (m_panning && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        m_panning = false;
        applyCursor();
    }
    if (rightClick && !m_pressed)
        emit contextMenuRequested(m_plot->mapTo(this, m_rightPressPos));
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)
        return;
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    m_lastMouse = event->position().toPoint();
    if (m_tableDrag) {
        m_tableDrag = false;
        setDragLayer(QStringLiteral("annotations"), false);
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    if (m_banding) {
        m_banding = false;
        const QRect band = m_overlay->band();
        m_overlay->setBand({});
        setDragLayer(QStringLiteral("overlay"), false);
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        zoomTo(band);
        return;
    }
    if (m_moved) // a drag that did not zoom is no click either
        return;
    // Hits are taken before clicked, whose handler may add marks under the pointer.
    const int annotation = annotationAt(m_lastMouse);
    const auto [subset, point] = dataPointAt(m_lastMouse);
    const bool inPlot = plottingRect().contains(m_lastMouse);
    emit clicked();
    if (annotation >= 0)
        emit markHotSpotClicked(false, annotation);
    if (subset >= 0)
        emit dataHotSpotClicked(subset, point);
    if (inPlot && m_model.look.allowGraphHotSpots)
        emit graphHotSpotClicked();
}

void ChartWidget::mouseDoubleClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_lastMouse = event->position().toPoint();
    const int annotation = annotationAt(m_lastMouse);
    if (annotation >= 0)
        emit markHotSpotClicked(true, annotation);
}

void ChartWidget::zoomTo(const QRect& band) {
    const int mode = m_model.look.allowZooming;
    const bool horz = mode == pe::sgHorzZooming || mode == pe::sgHorzPlusVertZooming;
    const bool vert = mode == pe::sgVertZooming || mode == pe::sgHorzPlusVertZooming;
    if ((horz && band.width() < kMinZoomPixels) || (vert && band.height() < kMinZoomPixels) ||
        m_axisRects.empty())
        return;
    ZoomView view;
    std::tie(view.xMin, view.xMax) = viewRangeX();
    for (int a = 0; a < int(m_axisRects.size()); ++a)
        view.y.push_back(viewRangeY(a));
    const int a = std::max(0, axisRectAt(m_pressPos));
    QCPAxisRect* rect = m_axisRects[size_t(a)];
    if (horz) {
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        view.xMin = xOfKey(x->pixelToCoord(band.left()));
        view.xMax = xOfKey(x->pixelToCoord(band.right()));
    }
    if (vert) {
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        view.y[size_t(a)] = {y->pixelToCoord(band.bottom()), y->pixelToCoord(band.top())};
    }
    m_model.zoomStack.push_back(std::move(view));
    applyRanges();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
    emit zoomedIn();
}

void ChartWidget::undoZoom() {
    if (m_model.zoomStack.empty())
        return;
    m_model.zoomStack.clear();
    m_panning = false;
    applyRanges();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's right click is told from a right drag (panning) by mouseRelease; the menu key and
    // Shift+F10 open the menu at the pointer, or at the chart's middle when the pointer is away.
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const QPoint pos = rect().contains(event->pos()) ? event->pos() : rect().center();
    emit contextMenuRequested(pos);
}
