#include "print/table_print_layout.h"

#include <algorithm>

namespace print {

int tableColumnWidth(int column) {
    return column == 2 ? 17 : 10;
}

QString tablePrintLine(const QStringList& cells, int columnCount) {
    QString line;
    const int columns = std::max(columnCount, int(cells.size()));
    for (int c = 0; c < columns; ++c) {
        const QString cell = c < cells.size() ? cells.at(c) : QString();
        line += cell;
        const int missing = tableColumnWidth(c) - int(cell.size());
        if (missing > 0)
            line += QString(2 * missing, QLatin1Char(' '));
        else if (c + 1 < columns)
            line += QLatin1Char(' '); // a full cell still stands apart from the next one
    }
    return line;
}

int tableLinesPerPage(int pageHeight, int lineHeight) {
    if (lineHeight <= 0)
        return 1;
    return std::max(1, pageHeight / lineHeight);
}

int tableLineTop(int lineOnPage, int lineHeight) {
    return lineOnPage * lineHeight;
}

TablePrintPages layoutTablePages(const QList<QStringList>& rows, int pageHeight, int lineHeight) {
    TablePrintPages result;
    result.linesPerPage = tableLinesPerPage(pageHeight, lineHeight);
    int columnCount = 0;
    for (const QStringList& row : rows)
        columnCount = std::max(columnCount, int(row.size()));
    for (int i = 0; i < rows.size(); ++i) {
        if (i % result.linesPerPage == 0)
            result.pages.append(QStringList());
        result.pages.last().append(tablePrintLine(rows.at(i), columnCount));
    }
    return result;
}

} // namespace print
