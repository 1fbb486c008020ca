// ChartWidget on paper: the chart drawn into a page at paper units, the print-friendly scheme, and
// the chart's print dialog.
#include "chart/chart_print_dialog.h"
#include "chart/chart_widget_layers.h"
#include "platform/prompter.h"

#include <QDateTime>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <algorithm>
#include <qcustomplot.h>

namespace paper {

bool begin(QPainter& painter, QPagedPaintDevice& device) {
    if (!painter.begin(&device))
        return false;
    painter.scale(device.logicalDpiX() / kUnitsPerInch, device.logicalDpiY() / kUnitsPerInch);
    return true;
}

QSizeF pageSize(const QPagedPaintDevice& device) {
    return {device.width() * kUnitsPerInch / std::max(1, device.logicalDpiX()),
            device.height() * kUnitsPerInch / std::max(1, device.logicalDpiY())};
}

QFont font(double points, bool bold) {
    QFont f;
    f.setPixelSize(std::max(1, qRound(points * kUnitsPerPoint)));
    f.setBold(bold);
    return f;
}

} // namespace paper

namespace chartdraw {

QPen paperGridPen() {
    return QPen(QColor(200, 200, 200), 0, Qt::DotLine);
}

QColor paperCurveColor(const QColor& color) {
    // Perceived brightness: yellow is nearly as bright as white, blue nearly as dark as black.
    const int luma = (299 * color.red() + 587 * color.green() + 114 * color.blue()) / 1000;
    constexpr int kDarkest = 130;
    if (luma <= kDarkest)
        return color;
    return color.darker(100 * luma / kDarkest + 20);
}

QPen paperCurvePen(const QColor& color, int subset) {
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    QPen pen(paperCurveColor(color), 1.5, kStyles[std::abs(subset) % 4]);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace chartdraw

void ChartWidget::drawOnPaper(QPainter& painter, const QRectF& target, const ChartPrintOptions& options) {
    if (!(target.width() >= 1.0 && target.height() >= 1.0))
        return;
    // The chart is laid out on a picture, whose fonts are sized for its own resolution, and the
    // picture is scaled into the page: text keeps its point size on any device.
    QPicture picture;
    const double toPicture = picture.logicalDpiX() / paper::kUnitsPerInch;
    QSizeF layout = target.size() * toPicture;
    if (!options.fitToPage) {
        layout = QSizeF(m_plot->width() >= 200 ? m_plot->width() : 1000,
                        m_plot->height() >= 150 ? m_plot->height() : 700);
    }
    const double scale =
        std::min(target.width() * toPicture / layout.width(), target.height() * toPicture / layout.height()) /
        toPicture;

    const ChartLook look = m_model.look;
    if (options.printFriendly) {
        m_model.look.deskColor = peRgb(255, 255, 255);
        m_model.look.graphBackColor = peRgb(255, 255, 255);
        m_model.look.graphForeColor = peRgb(60, 60, 60);
        m_model.look.textColor = peRgb(0, 0, 0);
        m_paperScheme = true;
    }
    refresh();
    QCPPainter chartPainter;
    if (chartPainter.begin(&picture)) {
        chartPainter.setMode(QCPPainter::pmVectorized);
        chartPainter.setMode(QCPPainter::pmNoCaching);
        m_plot->toPainter(&chartPainter, qRound(layout.width()), qRound(layout.height()));
        chartPainter.end();
    }
    m_model.look = look;
    m_paperScheme = false;
    applyLook();
    m_plot->replot(QCustomPlot::rpQueuedReplot);

    painter.save();
    const QSizeF drawn = layout * scale;
    painter.translate(target.left() + (target.width() - drawn.width()) / 2.0,
                      target.top() + (target.height() - drawn.height()) / 2.0);
    // Playing a picture scales it from its resolution to the device's on top of the painter's own
    // scaling to paper units: that part is taken back out.
    const double deviceDpi = painter.device() ? painter.device()->logicalDpiX() : paper::kUnitsPerInch;
    const double undoPlay = picture.logicalDpiX() / deviceDpi;
    painter.scale(scale * undoPlay, scale * undoPlay);
    painter.drawPicture(QPointF(0, 0), picture);
    painter.restore();
}

bool ChartWidget::printChartPage(QPrinter& printer, const ChartPrintOptions& options) {
    QPainter painter;
    if (!paper::begin(painter, printer))
        return false;
    QRectF area(QPointF(0, 0), paper::pageSize(printer));
    if (options.headerFooter) {
        const QFont head = paper::font(14, true);
        const QFont foot = paper::font(8);
        const double headHeight = QFontMetricsF(head).height();
        const double footHeight = QFontMetricsF(foot).height();
        painter.setPen(Qt::black);
        QString title = MainTitle().trimmed();
        if (title.isEmpty() && window())
            title = window()->windowTitle();
        painter.setFont(head);
        painter.drawText(QRectF(area.left(), area.top(), area.width(), headHeight), Qt::AlignLeft, title);
        painter.setFont(foot);
        painter.drawText(QRectF(area.left(), area.bottom() - footHeight, area.width(), footHeight),
                         Qt::AlignRight,
                         QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
        area.adjust(0, headHeight * 1.5, 0, -footHeight * 1.5);
    }
    drawOnPaper(painter, area, options);
    return painter.end();
}

bool ChartWidget::runPrintDialog(QPrinter& printer, const ChartPageRenderer& renderer, bool valueTable) {
    const ChartPageRenderer pages = renderer ? renderer : [this](QPrinter& p, const ChartPrintOptions& o) {
        return printChartPage(p, o);
    };
    // The printer is shared with the other print jobs: its orientation goes back as it was.
    const QPageLayout::Orientation orientation = printer.pageLayout().orientation();
    ChartPrintDialog dialog(printer, m_printOptions, pages, m_prompter, this);
    dialog.setValueTableAvailable(valueTable);
    const bool accepted = m_prompter.runDialog(dialog) == QDialog::Accepted;
    m_printOptions = dialog.options();
    bool done = false;
    if (accepted && dialog.outcome() == ChartPrintDialog::Outcome::Print) {
        dialog.applyOrientation(printer);
        done = pages(printer, m_printOptions);
    } else if (accepted) {
        done = dialog.outcome() == ChartPrintDialog::Outcome::PdfWritten;
    }
    printer.setPageOrientation(orientation);
    return done;
}
