#include "chart_widget.h"

#include "chart/chart_customize_dialog.h"
#include "chart/chart_state.h"
#include "chart/chart_widget_layers.h"
#include "platform/prompter.h"

#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

using namespace chartdraw;

ChartWidget::ChartWidget(Prompter& prompter, QWidget* parent) : QWidget(parent), m_prompter(prompter) {
    // The plot fills the widget; the scroll bars of a zoomed view take a strip beside it.
    m_plot = new QCustomPlot(this);
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    m_hBar->hide();
    connect(m_hBar, &QScrollBar::valueChanged, this, &ChartWidget::scrollBarMoved);
    m_plot->setMouseTracking(true);
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    m_plot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    m_plot->addLayer(QStringLiteral("annotations"), m_plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    // The annotation and overlay layers get buffers of their own only while a drag redraws them
    // alone (chart_widget_interaction.cpp): every extra buffer costs a full-size clear and blend on
    // each replot, which a recording pays once per sample. QCustomPlot buffers "overlay" by default.
    setDragLayer(QStringLiteral("overlay"), false);
    m_marginGroup = new QCPMarginGroup(m_plot);
    m_limitLinePainter = new LimitLinePainter(m_plot, this); // under the marks and the table
    m_annotationPainter = new AnnotationPainter(m_plot, this);
    m_overlay = new Overlay(m_plot);

    connect(m_plot, &QCustomPlot::mousePress, this, &ChartWidget::mousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &ChartWidget::mouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &ChartWidget::mouseRelease);
    connect(m_plot, &QCustomPlot::mouseDoubleClick, this, &ChartWidget::mouseDoubleClick);
    connect(m_plot, &QCustomPlot::mouseWheel, this, &ChartWidget::wheelZoom);
    connect(m_plot, &QCustomPlot::afterLayout, this, [this] {
        placeScrollBars();
        fitTickCounts();
    });

    rebuild();
    refresh();
}

ChartWidget::~ChartWidget() = default;

// ---------------------------------------------------------------------------------------------
// Geometry queries.

QRect ChartWidget::plottingRect() const {
    QRect r;
    for (QCPAxisRect* rect : m_axisRects)
        r = r.united(rect->rect());
    return r;
}

QPointF ChartWidget::pixelToData(QPoint pixel) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            rect->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF ChartWidget::pixelToDataOnAxis(QPoint pixel, int axis) const {
    if (axis < 0 || size_t(axis) >= m_axisRects.size())
        return pixelToData(pixel);
    QCPAxisRect* rect = m_axisRects[size_t(axis)];
    return {xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            rect->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF ChartWidget::dataToPixel(double x, double y) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {rect->axis(QCPAxis::atBottom)->coordToPixel(keyOf(x)),
            rect->axis(QCPAxis::atLeft)->coordToPixel(y)};
}

int ChartWidget::axisRectAt(QPoint pixel) const {
    for (size_t a = 0; a < m_axisRects.size(); ++a) {
        if (m_axisRects[a]->rect().contains(pixel))
            return int(a);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Actions, dialogs, printing, state.

void ChartWidget::setPEactions(int action) {
    switch (action) {
    case pe::sgResetImage:
        refresh();
        break;
    case pe::sgInvalidateImage:
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    case pe::sgReinitAndReset:
        // A new shape invalidates any zoomed view of the old one.
        if (shape() != m_builtShape)
            m_model.zoomStack.clear();
        rebuild();
        refresh();
        break;
    case pe::sgCustomize:
        customize();
        break;
    case pe::sgUndoZoom:
        undoZoom();
        break;
    case pe::sgPrintDialog:
        printDialog();
        break;
    default:
        break;
    }
}

void ChartWidget::customize() {
    ChartCustomizeDialog dialog(m_model, m_prompter, this);
    const bool ok = m_prompter.runDialog(dialog) == QDialog::Accepted;
    m_dialogResult = ok ? 1 : 0;
    if (ok) {
        dialog.applyTo(m_model);
        refresh();
    }
    emit customizeDialogRequested();
}

void ChartWidget::printDialog() {
    QPrinter printer(QPrinter::HighResolution);
    runPrintDialog(printer);
}

bool ChartWidget::print(QPrinter& printer) {
    refresh();
    // Lay the chart out at its on-screen size (or a sensible one when it was never shown), then
    // scale that drawing to fit the page, keeping its proportions.
    const int width = m_plot->width() >= 200 ? m_plot->width() : 1000;
    const int height = m_plot->height() >= 150 ? m_plot->height() : 700;
    // Fonts are sized in points, so the page is measured at the screen's resolution too: on a
    // high-resolution printer the text would otherwise be scaled up twice.
    const int resolution = printer.resolution();
    const int screenResolution = logicalDpiY() > 0 ? logicalDpiY() : 96;
    printer.setResolution(screenResolution);
    QCPPainter painter;
    bool printed = false;
    if (painter.begin(&printer)) {
        const double scale = std::min(double(printer.width()) / width, double(printer.height()) / height);
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        painter.scale(scale, scale);
        m_plot->toPainter(&painter, width, height);
        printed = painter.end();
    }
    printer.setResolution(resolution);
    return printed;
}

QByteArray ChartWidget::storeState() const {
    return ChartState::store(m_model);
}

bool ChartWidget::loadState(const QByteArray& bytes) {
    ChartModel restored;
    QString error;
    if (!ChartState::restore(bytes, restored, error)) {
        m_lastError = error;
        return false;
    }
    m_lastError.clear();
    m_model = std::move(restored);
    markData();
    rebuild();
    refresh();
    return true;
}
