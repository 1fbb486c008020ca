#pragma once
// Sizes shared by the program's tables (the Data Sets pane and the table windows): what a cell
// needs around its text, and the width that shows every column without a horizontal scroll bar.
#include <QStyle>
#include <QTableView>

// The cell's own margins as the item delegate draws them, plus a little air.
inline int cellTextPadding(const QTableView& table) {
    return 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 1) + 6;
}

// The frame, the vertical scroll bar and every column of `columns`.
inline int tableWidthFor(const QTableView& table, int columns) {
    int width =
        2 * table.frameWidth() + table.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &table);
    for (int c = 0; c < columns; ++c)
        width += table.columnWidth(c);
    return width;
}
