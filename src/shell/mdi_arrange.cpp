#include "shell/mdi_arrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <vector>

namespace mdi {

namespace {

std::vector<QMdiSubWindow*> arrangeable(QMdiArea& area) {
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder)) {
        if (w->isVisible() && !w->isMinimized())
            windows.push_back(w);
    }
    return windows;
}

bool fixedSize(const QMdiSubWindow* w) {
    return w->minimumSize() == w->maximumSize();
}

// The size a resizable window gets for `cell`: at least its minimum, and at least the sensible
// minimum where the area allows it.
QSize sizeFor(const QMdiSubWindow* w, QSize cell, QSize area) {
    const QSize sensible(std::min(kSensibleWidth, area.width()), std::min(kSensibleHeight, area.height()));
    // What the window's content needs at least (its layout's minimum), or what it was told.
    const QSize needed = w->minimumSizeHint().expandedTo(w->minimumSize());
    return cell.expandedTo(sensible).expandedTo(needed).boundedTo(w->maximumSize());
}

void setGeometry(QMdiSubWindow* w, QRect r) {
    if (w->isMaximized())
        w->showNormal();
    w->setGeometry(r);
}

} // namespace

namespace {

// Overlapping inside `room`, each one title bar lower and to the right of the one before.
void cascadeIn(QMdiArea& area, QRect room, const std::vector<QMdiSubWindow*>& windows,
               int smallestHeight = 0) {
    if (windows.empty())
        return;
    QStyleOptionTitleBar option;
    const int step =
        area.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, windows.front()) +
        2 * area.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, windows.front());
    const int n = int(windows.size());
    const QSize cascaded(std::max(room.width() * 2 / 3, room.width() - (n - 1) * step),
                         std::min(room.height(), std::max({room.height() * 2 / 3,
                                                           room.height() - (n - 1) * step, smallestHeight})));
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[size_t(i)];
        const QSize size = fixedSize(w) ? w->size() : sizeFor(w, cascaded, room.size());
        // Start again at the top left when the next step would push the window out of the area.
        const int slackX = std::max(0, room.width() - size.width());
        const int slackY = std::max(0, room.height() - size.height());
        const int steps = std::max(1, std::min(slackX, slackY) / std::max(1, step) + 1);
        const int offset = (i % steps) * step;
        setGeometry(w,
                    QRect(room.topLeft() + QPoint(std::min(offset, slackX), std::min(offset, slackY)), size));
        w->raise();
    }
    area.setActiveSubWindow(windows.back());
}

} // namespace

void tile(QMdiArea& area, int smallestHeight) {
    const QRect room = area.viewport()->rect();
    const auto windows = arrangeable(area);
    std::vector<QMdiSubWindow*> flexible;
    int left = room.left();
    int fixedTop = room.top();
    int fixedWidth = 0;
    for (QMdiSubWindow* w : windows) {
        if (!fixedSize(w)) {
            flexible.push_back(w);
            continue;
        }
        // Fixed windows in a column at the left, one below the other, next column when full.
        if (fixedTop > room.top() && fixedTop + w->height() > room.bottom() + 1) {
            left += fixedWidth;
            fixedTop = room.top();
            fixedWidth = 0;
        }
        setGeometry(w, QRect(QPoint(left, fixedTop), w->size()));
        fixedTop += w->height();
        fixedWidth = std::max(fixedWidth, w->width());
    }
    left += fixedWidth;
    if (flexible.empty())
        return;
    QRect rest(QPoint(left, room.top()), room.bottomRight());
    if (rest.width() < kSensibleWidth) // no room beside the fixed windows: tile over them
        rest = room;
    const int n = int(flexible.size());
    const int columns = int(std::ceil(std::sqrt(double(n))));
    const int rows = (n + columns - 1) / columns;
    if (rows > 1 && rest.height() / rows < smallestHeight) {
        // Too low side by side: they overlap instead, still beside the fixed windows.
        cascadeIn(area, rest, flexible, smallestHeight);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int row = i / columns;
        // The last row may hold fewer windows: they share its width.
        const int inRow = row == rows - 1 ? n - row * columns : columns;
        const int column = i % columns;
        const int x0 = rest.left() + rest.width() * column / inRow;
        const int x1 = rest.left() + rest.width() * (column + 1) / inRow;
        const int y0 = rest.top() + rest.height() * row / rows;
        const int y1 = rest.top() + rest.height() * (row + 1) / rows;
        const QSize size = sizeFor(flexible[size_t(i)], QSize(x1 - x0, y1 - y0), rest.size());
        // A window that must be larger than its cell is moved back inside the area where it can.
        const int x = std::max(rest.left(), std::min(x0, room.right() + 1 - size.width()));
        const int y = std::max(rest.top(), std::min(y0, room.bottom() + 1 - size.height()));
        setGeometry(flexible[size_t(i)], QRect(QPoint(x, y), size));
    }
}

void cascade(QMdiArea& area) {
    cascadeIn(area, area.viewport()->rect(), arrangeable(area));
}

void place(QMdiArea& area, QMdiSubWindow* window, QPoint topLeft, QSize wanted, Fit fit) {
    const QRect room = area.viewport()->rect();
    if (fit == Fit::MoveThenShrink) {
        topLeft.setX(std::max(room.left(), std::min(topLeft.x(), room.right() + 1 - wanted.width())));
        topLeft.setY(std::max(room.top(), std::min(topLeft.y(), room.bottom() + 1 - wanted.height())));
    }
    const QSize fits(std::max(0, room.right() + 1 - topLeft.x()),
                     std::max(0, room.bottom() + 1 - topLeft.y()));
    window->setGeometry(QRect(topLeft, wanted.boundedTo(fits).expandedTo(window->minimumSize())));
}

} // namespace mdi
