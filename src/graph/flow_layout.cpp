#include "graph/flow_layout.h"

#include <QWidget>
#include <algorithm>

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setSpacing(spacing);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

QSize FlowLayout::sizeHint() const {
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize s = item->sizeHint();
        width += s.width() + (shown++ > 0 ? spacing() : 0);
        height = std::max(height, s.height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            size = size.expandedTo(item->sizeHint());
    }
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    // Items of a row share its height and are centred in it, as in a tool bar.
    QList<QLayoutItem*> row;
    const auto placeRow = [&] {
        if (apply) {
            for (QLayoutItem* item : row) {
                const QRect g = item->geometry();
                const QSize s = item->sizeHint();
                item->setGeometry(QRect(QPoint(g.x(), y + (rowHeight - s.height()) / 2), s));
            }
        }
        row.clear();
    };
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize s = item->sizeHint();
        if (!row.isEmpty() && x + s.width() > area.right() + 1) {
            placeRow();
            x = area.x();
            y += rowHeight + spacing();
            rowHeight = 0;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y), s));
        row.append(item);
        x += s.width() + spacing();
        rowHeight = std::max(rowHeight, s.height());
    }
    placeRow();
    const QMargins m = contentsMargins();
    return y + rowHeight - rect.y() + m.bottom();
}
