#include "print/printing.h"

#include "chart/chart_model.h"
#include "chart/chart_widget.h"
#include "platform/prompter.h"
#include "print/table_print_layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace print {

QFont tablePrintFont() {
    const QString fixedSys = QStringLiteral("FixedSys");
    QFont font;
    if (QFontDatabase::families().contains(fixedSys, Qt::CaseInsensitive))
        font = QFont(fixedSys);
    else
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    font.setFixedPitch(true);
    return font;
}

int tableLineHeight(QPrinter& printer, const QFont& font) {
    return QFontMetrics(font, &printer).boundingRect(QStringLiteral("String Grid Printout")).height();
}

bool printTable(QPrinter& printer, const QList<QStringList>& rows, const QFont& font) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font, &printer);
    const int lineHeight = tableLineHeight(printer, font);
    const TablePrintPages layout = layoutTablePages(rows, printer.height(), lineHeight);
    for (int page = 0; page < layout.pages.size(); ++page) {
        if (page > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const QStringList& lines = layout.pages.at(page);
        for (int line = 0; line < lines.size(); ++line)
            painter.drawText(QPoint(1, tableLineTop(line, lineHeight) + metrics.ascent()), lines.at(line));
    }
    return painter.end();
}

namespace {

// The print dialog on the shared printer, through the prompter so that tests can answer it.
bool askPrinter(Prompter& prompter, QPrinter& printer, QWidget* parent = nullptr) {
    QPrintDialog dialog(&printer, parent);
    return prompter.runDialog(dialog) == QDialog::Accepted;
}

} // namespace

bool printTableWithDialog(Prompter& prompter, QPrinter& printer, const QList<QStringList>& rows,
                          QWidget* parent) {
    if (!askPrinter(prompter, printer, parent))
        return false;
    return printTable(printer, rows, tablePrintFont());
}

bool printGraph(ChartWidget& graph, QPrinter& printer, const ChartPageRenderer& renderer) {
    graph.setAllowFontPage(false);
    graph.setAllowTitlesPage(false);
    graph.setAllowColorsPage(false);
    graph.setAllowSubsetsPage(false);
    // Whether the customization was confirmed or cancelled, printing goes on.
    graph.setPEactions(pe::sgCustomize);
    graph.setAllowFontPage(true);
    graph.setAllowTitlesPage(true);
    graph.setAllowColorsPage(true);
    graph.setAllowSubsetsPage(true);
    return graph.runPrintDialog(printer, renderer, bool(renderer));
}

} // namespace print
