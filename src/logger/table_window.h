#pragma once
#include "logger/table_model.h"

#include <QWidget>

class QTableView;

// The table window: rows read from a text file in a grid of eight columns, the row numbers in the
// first. It is a child window of the main window and is destroyed when closed. The main window
// recognises it with qobject_cast to route Save, Print and "Output Tabular to graph".
class TableWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int RowHeight = 18;

    explicit TableWindow(QWidget* parent = nullptr);

    TableModel& model() { return *m_model; }
    const TableModel& model() const { return *m_model; }

    // Suspends and resumes the grid's updates around a bulk fill; the grid is redrawn once and its
    // columns are sized to what they hold.
    void beginFill() { m_model->beginFill(); }
    void endFill();

    // Gives each column the width of its header and of the texts it holds at the grid's font. The
    // rows measured are the first and the last hundred: a column's texts share one format, and a
    // million rows must not be measured one by one.
    void fitColumns();
    // The width that shows every column without scrolling sideways.
    int preferredWidth() const;

    QTableView* tableView;

  private:
    TableModel* m_model;
};
