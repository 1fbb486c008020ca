#include "table_window.h"

#include "logger/table_sizing.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr qsizetype kMeasuredRows = 100; // at each end of the table
}

TableWindow::TableWindow(QWidget* parent) : QWidget(parent), m_model(new TableModel(this)) {
    setObjectName(QStringLiteral("TableWindow"));
    setAttribute(Qt::WA_DeleteOnClose);

    tableView = new QTableView(this);
    tableView->setObjectName(QStringLiteral("tableView"));
    tableView->setModel(m_model);
    tableView->setShowGrid(true);
    tableView->setWordWrap(false);
    tableView->setSelectionMode(QAbstractItemView::ContiguousSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectItems);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->setCornerButtonEnabled(false);

    // Fixed row height and no measuring of contents: a million rows must cost nothing to lay out.
    QHeaderView* rows = tableView->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(RowHeight);
    // The row numbers are the model's first column, so the row header itself stays hidden.
    rows->hide();

    QHeaderView* columns = tableView->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultSectionSize(64);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableView);
    fitColumns();
    resize(preferredWidth(), 400);
}

void TableWindow::endFill() {
    m_model->endFill();
    fitColumns();
}

void TableWindow::fitColumns() {
    const QFontMetrics fm(tableView->font());
    const int padding = cellTextPadding(*tableView);
    QHeaderView* header = tableView->horizontalHeader();
    const qsizetype rows = m_model->gridRowCount();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        int width =
            std::max(header->sectionSizeHint(c), fm.horizontalAdvance(QStringLiteral("00000")) + padding);
        const auto measure = [&](qsizetype from, qsizetype to) {
            for (qsizetype r = std::max<qsizetype>(from, 1); r < std::min(to, rows); ++r)
                width = std::max(width, fm.horizontalAdvance(m_model->cellText(c, r)) + padding);
        };
        measure(1, 1 + kMeasuredRows);
        measure(std::max<qsizetype>(1 + kMeasuredRows, rows - kMeasuredRows), rows);
        tableView->setColumnWidth(c, width);
    }
}

int TableWindow::preferredWidth() const {
    return tableWidthFor(*tableView, m_model->columnCount());
}
