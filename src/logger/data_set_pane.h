#pragma once
// The data set views of the data-logger graph window: the Data Sets pane that lists every decoded
// set, and showDataSet, which puts one set into the window's chart.
#include "logger/data_set.h"

#include <QString>
#include <QWidget>

class QLabel;
class QTableWidget;
class GraphWindow;

// The pane `dataSetPane`: the caption "Data Sets" above the grid `dataSetGrid`. The grid's header row is
// the table's horizontal header, so grid row k + 1 (set k) is table row k. A new pane shows the
// headers and one empty row.
class DataSetPane : public QWidget {
    Q_OBJECT
  public:
    static constexpr int ColumnCount = 11;

    explicit DataSetPane(QWidget* parent = nullptr);

    // One row per set of the store, then the first set's row selected. Without any set the grid
    // keeps one empty row.
    void listDataSets(const DataSetStore& store);
    // Back to the headers and one empty row.
    void clearSets();
    // Sets listed (0 while only the empty row shows).
    int setCount() const { return m_sets; }

    // The texts of a set's row, columns 0-10, in the user's locale.
    static QStringList rowTexts(int k, const DataSet& set);
    // The interval as "mm:ss", each part at least two digits (90 s gives "01:30").
    static QString rateText(int intervalSeconds);
    static QString headerText(int column);
    // The column's width as first laid out; fitColumns widens it to its texts.
    static int columnWidth(int column);
    // Each column as wide as its header and its cells at the grid's font, never narrower than its
    // first width.
    void fitColumns();
    // The pane's width that shows every column without scrolling sideways.
    int preferredWidth() const;

    QLabel* caption = nullptr;
    QTableWidget* dataSetGrid = nullptr;

  public slots:
    // The selected row's set is shown when its DATE cell is not empty.
    void onDataSetGridClicked();

  signals:
    // The user chose set k (0-based) in the grid.
    void dataSetChosen(int k);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void currentRowChanged(int row, int previousRow);

    int m_sets = 0;
    bool m_listing = false;      // the selection moves by listDataSets, not by the user
    bool m_mousePressed = false; // a mouse press moves the selection; its click shows the set
};

// Puts set k of the store into the window's chart: configureGraph for 3 subsets of N points over
// the set's time span, one bulk write of the set's 3N times and one of its 3N values, the
// statistics, the information fields from the set's header, zoom undone and a redraw. A k outside
// the store, or a store whose sample arrays do not hold the set, leaves the window as it was and
// returns false.
bool showDataSet(GraphWindow& window, const DataSetStore& store, int k);

// The window's Data Sets pane, created and handed to the window on first use, made visible and
// connected so that choosing a row shows that set of `store`. `store` must outlive the window.
DataSetPane* installDataSetPane(GraphWindow& window, const DataSetStore& store);
// The window's Data Sets pane, or nullptr when it has none.
DataSetPane* dataSetPaneOf(const GraphWindow& window);

// Prepares a new data-logger graph window as the download and the collection open create it: the
// caption "DataLogger", its visible Data Sets pane, and an empty chart of 3 subsets of 500 points
// from `now` to `now` + 500 seconds, with annotation hot spots allowed.
DataSetPane* prepareDataLoggerWindow(GraphWindow& window, const DataSetStore& store, double now);
