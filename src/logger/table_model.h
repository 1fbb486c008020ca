#pragma once
#include <QAbstractTableModel>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The rows of a table window: column 0 is the row number, columns 1-7 hold up to seven text fields
// of a line read from a text file. Rows are kept compactly in one byte pool (lengths, then the
// fields' bytes as read, UTF-8 expected) so a million rows take about the size of the file plus
// eight bytes a row, and bytes that are not valid UTF-8 are kept as they were for a later export.
//
// Like the grid it stands for, the table always has at least one data row: an empty table shows
// one empty row. Grid coordinates (gridRowCount, cellText) count the header row as row 0.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int FieldCount = 7;
    static constexpr int ColumnCount = FieldCount + 1;

    explicit TableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static QString headerText(int column);
    // The header's tool tip: what the column holds, with its unit; empty for the other columns.
    static QString headerToolTip(int column);

    // Rows holding data (0 for a new table, which still shows one empty row).
    qsizetype filledRows() const { return static_cast<qsizetype>(m_rowStart.size()) - 1; }
    // Data rows as shown: filledRows(), at least 1.
    qsizetype dataRows() const { return std::max<qsizetype>(filledRows(), 1); }
    // The grid's row count: the header row and the data rows.
    qsizetype gridRowCount() const { return dataRows() + 1; }

    // Field `field` (1-7) of data row `row` (1-based) as stored; empty when absent.
    std::string_view field(qsizetype row, int field) const;
    // All seven fields of data row `row` (1-based) at once; all empty when there is no such row.
    std::array<std::string_view, FieldCount> fields(qsizetype row) const;
    // The grid's cell text: row 0 the headers, column 0 the row numbers.
    QString cellText(int column, qsizetype gridRow) const;

    // Appends one data row from up to seven fields (more are ignored). Outside a fill each append
    // updates attached views; inside beginFill/endFill views are refreshed once at the end.
    void appendRow(std::span<const std::string_view> fields);
    void appendRow(const QStringList& fields);
    void beginFill();
    void endFill();
    bool filling() const { return m_filling; }
    void reserve(qsizetype rows, qsizetype bytes);
    void clear();

    // Bytes held, for diagnostics and the benchmark.
    std::size_t memoryUsed() const;

  private:
    // Each row: seven lengths as little-endian base-128 numbers, then the fields' bytes.
    std::vector<char> m_pool;
    std::vector<uint64_t> m_rowStart{0};
    bool m_filling = false;
};
