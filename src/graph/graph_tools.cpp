#include "graph_tools.h"

#include "graph/pes_graph.h"
#include "graph/tfrm_anno_edit.h"
#include "graph/tfrm_graph.h"
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

void TfrmGraph::ToolButton4Click() {
    m_shared.tool = GraphTool::Normal;
    PESGraph1->setArrowCursor(pe::sgArrowCursor);
}

void TfrmGraph::ToolButton5Click() {
    m_shared.tool = GraphTool::Cross;
    PESGraph1->setCustomCursor(crossCursor());
}

void TfrmGraph::ToolButton9Click() {
    m_shared.tool = GraphTool::Text;
    PESGraph1->setArrowCursor(pe::sgTextCursor);
}

void TfrmGraph::PESGraph1Click() {
    const GraphTool tool = m_shared.tool;
    if (tool == GraphTool::Normal)
        return;
    const QPoint pos =
        PESGraph1->lastMousePosition() + (tool == GraphTool::Text ? kTextOffset : kCrossOffset);
    const QPointF value = PESGraph1->pixelToData(pos);
    if (!PESGraph1->plottingRect().contains(pos))
        return;
    if (tool == GraphTool::Text) {
        TfrmAnnoEdit dialog(this);
        if (m_prompter.runDialog(dialog) == QDialog::Accepted) {
            const int index = m_shared.annotationCounter.next();
            PESGraph1->setGraphAnnotationType(index, pe::sgNoSymbol);
            PESGraph1->setGraphAnnotationX(index, value.x());
            PESGraph1->setGraphAnnotationY(index, value.y());
            PESGraph1->setGraphAnnotationText(index, dialog.Edit1->text());
            PESGraph1->setGraphAnnotationColor(index, m_shared.annoColor);
        }
    } else {
        const int index = m_shared.annotationCounter.next();
        PESGraph1->setGraphAnnotationType(index, pe::sgCrossMark);
        PESGraph1->setGraphAnnotationX(index, value.x());
        PESGraph1->setGraphAnnotationY(index, value.y());
        PESGraph1->setGraphAnnotationColor(index, m_shared.annoColor);
        PESGraph1->setGraphAnnotationText(index, QString());
    }
    redraw();
}

void TfrmGraph::PESGraph1GraphAnnotHotSpot(bool doubleClick, int index) {
    if (!doubleClick)
        return;
    // Nothing of a mark without symbol and text is drawn; its index is never given out again.
    PESGraph1->setGraphAnnotationType(index, pe::sgNoSymbol);
    PESGraph1->setGraphAnnotationText(index, QString());
    redraw();
}

void TfrmGraph::PESGraph1GraphHotSpot() {
    PESGraph1->setToolTip(QStringLiteral("Double click to delete."));
}

void TfrmGraph::ToolButton15Click() {
    QColor color = colorFromPe(m_colorDialogColor);
    if (!m_prompter.chooseColor(color))
        return;
    const quint32 chosen = peRgb(color.red(), color.green(), color.blue());
    m_colorDialogColor = chosen;
    const int last = std::min(m_shared.annotationCounter.value(), PESGraph1->GraphAnnotationCount() - 1);
    for (int i = 0; i <= last; ++i)
        PESGraph1->setGraphAnnotationColor(i, chosen);
    m_shared.annoColor = chosen;
    redraw();
}

void TfrmGraph::PESGraph1ZoomIn() {
    UndoZoom->setEnabled(true);
}

void TfrmGraph::PESGraph1ZoomOut() {
    UndoZoom->setEnabled(false);
}

void TfrmGraph::UndoZoomClick() {
    PESGraph1->setPEactions(pe::sgUndoZoom);
    PESGraph1->setPEactions(pe::sgResetImage);
    UndoZoom->setEnabled(false);
}
