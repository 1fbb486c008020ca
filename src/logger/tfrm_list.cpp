#include "tfrm_list.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

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
    resize(560, 400);
}
