#pragma once
// The line layout of a printed table: each grid row becomes one text line of padded cells, the
// lines are cut into pages of a fixed number of lines. Pure, so it is tested without a printer.
#include <QList>
#include <QString>
#include <QStringList>

namespace print {

// Width in characters of a printed column: 17 for the time column (2), 10 for the others.
int tableColumnWidth(int column);

// One printed line: each cell followed by two blanks per character it falls short of its column
// width; a cell as long as its width or longer is followed by one blank, so that it never runs
// into the next cell ("30 Jul 2026 18:00:00"). Columns beyond the row's own cells (up to
// columnCount) print as empty cells.
QString tablePrintLine(const QStringList& cells, int columnCount);

// Lines per page: page height div line height. At least one, so that a font taller than the page
// (or a zero height) still prints one line per page instead of dividing by zero.
int tableLinesPerPage(int pageHeight, int lineHeight);

// Top of line `lineOnPage` (0-based) below the top of the printable area. The first line starts
// at the top, so all of a page's lines fit within the page height.
int tableLineTop(int lineOnPage, int lineHeight);

struct TablePrintPages {
    int linesPerPage = 1;
    QList<QStringList> pages; // the lines of each page, in order
};

// Rows of the grid, row 0 being the header row, laid out for a page of `pageHeight` and lines of
// `lineHeight` (both printer pixels). Row i lands on page i div L as its line i mod L; the header
// row therefore appears on the first page only. The column count is that of the widest row.
TablePrintPages layoutTablePages(const QList<QStringList>& rows, int pageHeight, int lineHeight);

} // namespace print
