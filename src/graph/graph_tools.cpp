#include "graph_tools.h"

#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "graph/mark_text_dialog.h"
#include "platform/prompter.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int kCursorSize = 32;

// The same picture drawn by hand, for a platform without the SVG image plug-in.
QPixmap drawnCross(qreal ratio) {
    QPixmap pixmap(QSize(kCursorSize, kCursorSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(15.5, 7), QPointF(15.5, 24));
    p.drawLine(QPointF(7, 15.5), QPointF(24, 15.5));
    return pixmap;
}

} // namespace

QCursor crossCursor() {
    const qreal ratio = std::max<qreal>(1.0, qGuiApp->devicePixelRatio());
    QImageReader reader(QStringLiteral(":/art/cross.svg"));
    reader.setScaledSize(QSize(kCursorSize, kCursorSize) * ratio);
    QImage image = reader.read();
    QPixmap pixmap;
    if (image.isNull()) {
        pixmap = drawnCross(ratio);
    } else {
        pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(ratio);
    }
    return QCursor(pixmap, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// The graph window's tools.

void GraphWindow::onNormalCursorClicked() {
    m_shared.tool = GraphTool::Normal;
    chart->setArrowCursor(pe::sgArrowCursor);
}

void GraphWindow::onCrossClicked() {
    m_shared.tool = GraphTool::Cross;
    chart->setCustomCursor(crossCursor());
}

void GraphWindow::onTextClicked() {
    m_shared.tool = GraphTool::Text;
    chart->setArrowCursor(pe::sgTextCursor);
}

void GraphWindow::onChartClicked() {
    const GraphTool tool = m_shared.tool;
    if (tool == GraphTool::Normal)
        return;
    const QPoint pos = chart->lastMousePosition() + (tool == GraphTool::Text ? kTextOffset : kCrossOffset);
    const QPointF value = chart->pixelToData(pos);
    if (!chart->plottingRect().contains(pos))
        return;
    if (tool == GraphTool::Text) {
        MarkTextDialog dialog(this);
        if (m_prompter.runDialog(dialog) == QDialog::Accepted) {
            const int index = nextMarkIndex();
            if (index < 0)
                return;
            chart->setGraphAnnotationType(index, pe::sgNoSymbol);
            chart->setGraphAnnotationX(index, value.x());
            chart->setGraphAnnotationY(index, value.y());
            chart->setGraphAnnotationText(index, dialog.textField->text());
            chart->setGraphAnnotationColor(index, m_shared.annoColor);
        }
    } else {
        const int index = nextMarkIndex();
        if (index < 0)
            return;
        chart->setGraphAnnotationType(index, pe::sgCrossMark);
        chart->setGraphAnnotationX(index, value.x());
        chart->setGraphAnnotationY(index, value.y());
        chart->setGraphAnnotationColor(index, m_shared.annoColor);
        chart->setGraphAnnotationText(index, QString());
    }
    redraw();
}

int GraphWindow::nextMarkIndex() {
    // Marks take the program-wide counter's index, unique across windows. Once that counter has
    // passed the places a chart has, a chart with room left takes the next index of its own rather
    // than dropping the mark; a chart that is really full says so.
    const int shared = m_shared.annotationCounter.next();
    if (shared < ChartModel::kMaxAnnotations)
        return shared;
    const int own = std::max(AnnotationCounter::kReserved + 1, chart->GraphAnnotationCount());
    if (own < ChartModel::kMaxAnnotations)
        return own;
    m_prompter.message(kMarksFull);
    return -1;
}

void GraphWindow::onChartMarkHotSpot(bool doubleClick, int index) {
    if (!doubleClick)
        return;
    // Nothing of a mark without symbol and text is drawn; its index is never given out again.
    chart->setGraphAnnotationType(index, pe::sgNoSymbol);
    chart->setGraphAnnotationText(index, QString());
    redraw();
}

void GraphWindow::onChartGraphHotSpot() {
    chart->setToolTip(QStringLiteral("Double click to delete."));
}

void GraphWindow::onMarkColorClicked() {
    QColor color = colorFromPe(m_colorDialogColor);
    if (!m_prompter.chooseColor(color))
        return;
    const quint32 chosen = peRgb(color.red(), color.green(), color.blue());
    m_colorDialogColor = chosen;
    const int last = std::min(m_shared.annotationCounter.value(), chart->GraphAnnotationCount() - 1);
    for (int i = 0; i <= last; ++i)
        chart->setGraphAnnotationColor(i, chosen);
    m_shared.annoColor = chosen;
    redraw();
}

void GraphWindow::onChartZoomedIn() {
    undoZoomButton->setEnabled(true);
}

void GraphWindow::onChartZoomedOut() {
    undoZoomButton->setEnabled(false);
}

void GraphWindow::onUndoZoomClicked() {
    chart->setPEactions(pe::sgUndoZoom);
    chart->setPEactions(pe::sgResetImage);
    undoZoomButton->setEnabled(false);
}
