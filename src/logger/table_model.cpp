#include "table_model.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <array>
#include <climits>

namespace {

const char* const Headers[TableModel::ColumnCount] = {"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""};

char* putLength(char* out, std::size_t n) {
    do {
        *out++ = static_cast<char>((n & 0x7F) | (n >= 0x80 ? 0x80 : 0));
        n >>= 7;
    } while (n != 0);
    return out;
}

std::size_t lengthBytes(std::size_t n) {
    std::size_t bytes = 1;
    while (n >= 0x80) {
        n >>= 7;
        ++bytes;
    }
    return bytes;
}

std::size_t getLength(const char*& p) {
    std::size_t n = 0;
    int shift = 0;
    unsigned char byte = 0;
    do {
        byte = static_cast<unsigned char>(*p++);
        n |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    return n;
}

} // namespace

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent) {}

int TableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(std::min<qsizetype>(dataRows(), INT_MAX));
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TableModel::headerToolTip(int column) {
    // What a column holds and its unit; a text file does not say which temperature unit it holds.
    switch (column) {
    case 3:
        return QStringLiteral("CO2 concentration (ppm)");
    case 4:
        return QStringLiteral("Relative humidity (%RH)");
    case 5:
        return QStringLiteral("Temperature (°C or °F, as the meter recorded it)");
    default:
        return {};
    }
}

QString TableModel::headerText(int column) {
    if (column < 0 || column >= ColumnCount)
        return {};
    return QString::fromLatin1(Headers[column]);
}

std::string_view TableModel::field(qsizetype row, int field) const {
    if (row < 1 || row > filledRows() || field < 1 || field > FieldCount)
        return {};
    const char* p = m_pool.data() + m_rowStart[static_cast<std::size_t>(row - 1)];
    std::array<std::size_t, FieldCount> lengths{};
    for (auto& n : lengths)
        n = getLength(p);
    for (int i = 0; i < field - 1; ++i)
        p += lengths[static_cast<std::size_t>(i)];
    return {p, lengths[static_cast<std::size_t>(field - 1)]};
}

std::array<std::string_view, TableModel::FieldCount> TableModel::fields(qsizetype row) const {
    std::array<std::string_view, FieldCount> out{};
    if (row < 1 || row > filledRows())
        return out;
    const char* p = m_pool.data() + m_rowStart[static_cast<std::size_t>(row - 1)];
    std::array<std::size_t, FieldCount> lengths{};
    for (auto& n : lengths)
        n = getLength(p);
    for (std::size_t i = 0; i < FieldCount; ++i) {
        out[i] = {p, lengths[i]};
        p += lengths[i];
    }
    return out;
}

QString TableModel::cellText(int column, qsizetype gridRow) const {
    if (gridRow == 0)
        return headerText(column);
    if (column == 0)
        return gridRow <= filledRows() ? QString::number(gridRow) : QString();
    const std::string_view f = field(gridRow, column);
    return QString::fromUtf8(f.data(), static_cast<qsizetype>(f.size()));
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.column(), index.row() + 1);
    if (role == Qt::BackgroundRole && index.column() == 0)
        return QGuiApplication::palette().button();
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal)
        return headerToolTip(section);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return headerText(section);
    return section + 1;
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The row-number column is fixed like a header: it is not part of a selection.
    if (index.column() == 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TableModel::appendRow(std::span<const std::string_view> fields) {
    const std::size_t count = std::min<std::size_t>(fields.size(), FieldCount);
    const qsizetype row = filledRows(); // 0-based index of the new row
    const bool replacesEmptyRow = row == 0;
    if (!m_filling && !replacesEmptyRow)
        beginInsertRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
    std::size_t bytes = FieldCount - count;
    for (std::size_t i = 0; i < count; ++i)
        bytes += lengthBytes(fields[i].size()) + fields[i].size();
    const std::size_t start = m_pool.size();
    if (m_pool.capacity() < start + bytes)
        m_pool.reserve(std::max(start + bytes, m_pool.capacity() * 2));
    m_pool.resize(start + bytes);
    char* out = m_pool.data() + start;
    for (std::size_t i = 0; i < FieldCount; ++i)
        out = putLength(out, i < count ? fields[i].size() : 0);
    for (std::size_t i = 0; i < count; ++i)
        out = std::copy(fields[i].begin(), fields[i].end(), out);
    m_rowStart.push_back(m_pool.size());
    if (m_filling)
        return;
    if (replacesEmptyRow)
        emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
    else
        endInsertRows();
}

void TableModel::appendRow(const QStringList& fields) {
    std::vector<QByteArray> bytes;
    std::vector<std::string_view> views;
    for (const QString& f : fields)
        bytes.push_back(f.toUtf8());
    for (const QByteArray& b : bytes)
        views.emplace_back(b.constData(), static_cast<std::size_t>(b.size()));
    appendRow(views);
}

void TableModel::beginFill() {
    if (m_filling)
        return;
    beginResetModel();
    m_filling = true;
}

void TableModel::endFill() {
    if (!m_filling)
        return;
    m_filling = false;
    m_pool.shrink_to_fit();
    m_rowStart.shrink_to_fit();
    endResetModel();
}

void TableModel::reserve(qsizetype rows, qsizetype bytes) {
    m_rowStart.reserve(static_cast<std::size_t>(std::max<qsizetype>(rows, 0)) + 1);
    m_pool.reserve(static_cast<std::size_t>(std::max<qsizetype>(bytes, 0)));
}

void TableModel::clear() {
    const bool wasFilling = m_filling;
    if (!wasFilling)
        beginResetModel();
    m_pool.clear();
    m_rowStart.assign(1, 0);
    if (!wasFilling)
        endResetModel();
}

std::size_t TableModel::memoryUsed() const {
    return m_pool.capacity() + m_rowStart.capacity() * sizeof(uint64_t);
}
