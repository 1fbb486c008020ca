#include "tfrm_list.h"

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

TfrmList::TfrmList(QWidget* parent) : QWidget(parent), m_model(new TableModel(this)) {
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose);

    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(m_model);
    Grid1->setShowGrid(true);
    Grid1->setWordWrap(false);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setCornerButtonEnabled(false);

    // Fixed row height and no measuring of contents: a million rows must cost nothing to lay out.
    QHeaderView* rows = Grid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(RowHeight);
    // The row numbers are the model's first column, so the row header itself stays hidden.
    rows->hide();

    QHeaderView* columns = Grid1->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultSectionSize(64);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
    fitColumns();
    resize(preferredWidth(), 400);
}

void TfrmList::endFill() {
    m_model->endFill();
    fitColumns();
}

void TfrmList::fitColumns() {
    const QFontMetrics fm(Grid1->font());
    const int padding = cellTextPadding(*Grid1);
    QHeaderView* header = Grid1->horizontalHeader();
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
        Grid1->setColumnWidth(c, width);
    }
}

int TfrmList::preferredWidth() const {
    return tableWidthFor(*Grid1, m_model->columnCount());
}
