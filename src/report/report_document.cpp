#include "report_document.h"

#include "chart/chart_widget.h"
#include "graph/limit_statistics.h"
#include "platform/checked_save_file.h"
#include "platform/clock.h"
#include "platform/version_info.h"

#include <QBuffer>
#include <QDir>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <array>
#include <cmath>

namespace report {

namespace {

using graphstats::TemperatureUnit;

constexpr double kGap = 8.0; // paper units between the blocks of a page
constexpr double kMinChartHeight = 160.0;
constexpr double kSideBySideWidth = 900.0; // narrower pages put the limits under the figures
constexpr double kRowFactor = 1.45;        // table row height over the font's line height
constexpr double kValueRowFactor = 1.2;    // the same in the table of values, which is read less
constexpr double kMarginMm = 12.0;

const QColor kRule(110, 110, 110);
const QColor kHeadFill(232, 232, 232);

QString channelName(int channel, TemperatureUnit unit) {
    switch (channel) {
    case graphstats::Ppm:
        return QStringLiteral("CO2 (ppm)");
    case graphstats::Humidity:
        return QStringLiteral("Humidity (%RH)");
    default:
        return QStringLiteral("Temperature (%1)").arg(temperatureSymbol(unit));
    }
}

// "1234@7/31/26 12:00:00" into the value and its time; "OL", "-OL" and "****" have no time.
std::pair<QString, QString> splitExtreme(const QString& text) {
    const qsizetype at = text.indexOf(u'@');
    if (at < 0)
        return {text, QString()};
    return {text.left(at), text.mid(at + 1)};
}

struct Column {
    QString title;
    double share; // of the table's width
    Qt::Alignment align;
};

// A table of rows under a header row, each cell clipped to its column.
double drawTable(QPainter& painter, const QRectF& area, const std::vector<Column>& columns,
                 const std::vector<QStringList>& rows, const QFont& font, bool shaded,
                 double rowFactor = kRowFactor) {
    const QFont bold = [&] {
        QFont f = font;
        f.setBold(true);
        return f;
    }();
    const double rowHeight = QFontMetricsF(font).height() * rowFactor;
    double y = area.top();
    const auto drawRow = [&](const QStringList& cells, bool head) {
        if (head && shaded)
            painter.fillRect(QRectF(area.left(), y, area.width(), rowHeight), kHeadFill);
        painter.setFont(head ? bold : font);
        double x = area.left();
        for (size_t c = 0; c < columns.size(); ++c) {
            const double w = columns[c].share * area.width();
            const QRectF cell(x + 3.0, y, w - 6.0, rowHeight);
            painter.drawText(cell, int(Qt::AlignVCenter | columns[c].align), cells.value(qsizetype(c)));
            x += w;
        }
        y += rowHeight;
        painter.setPen(QPen(kRule, head ? 0.8 : 0.3));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(Qt::black);
    };
    QStringList head;
    for (const Column& c : columns)
        head << c.title;
    drawRow(head, true);
    for (const QStringList& r : rows)
        drawRow(r, false);
    return y - area.top();
}

double tableHeight(size_t rows, const QFont& font) {
    return double(rows + 1) * QFontMetricsF(font).height() * kRowFactor;
}

// The page layout of the document, shared by counting and drawing so the two never disagree.
class Layout {
  public:
    Layout(const ChartPrintOptions& options, QSizeF page) : m_options(options), m_page(page) {}

    QFont titleFont() const { return paper::font(16, true); }
    QFont factsFont() const { return paper::font(9.5); }
    QFont figuresFont() const { return paper::font(9); }
    QFont footerFont() const { return paper::font(8); }
    QFont tableFont() const { return paper::font(8); }

    double headerHeight() const {
        if (!m_options.headerFooter)
            return 0.0;
        return QFontMetricsF(titleFont()).height() + QFontMetricsF(factsFont()).height() + 6.0 + kGap;
    }
    double footerHeight() const {
        return m_options.headerFooter ? QFontMetricsF(footerFont()).height() + 4.0 + kGap : 0.0;
    }
    QRectF body() const {
        return QRectF(0.0, headerHeight(), m_page.width(), m_page.height() - headerHeight() - footerHeight());
    }
    bool sideBySide() const { return m_page.width() >= kSideBySideWidth; }
    double figuresHeight(const Figures& f) const {
        const double stats = tableHeight(f.channels.size(), figuresFont());
        const double limits = f.limits.empty() ? 0.0 : tableHeight(f.limits.size(), figuresFont());
        return kGap + (sideBySide() ? std::max(stats, limits) : stats + (limits > 0 ? kGap + limits : 0.0));
    }

    // The value table: blocks of columns side by side, as many rows in each as the body holds.
    static constexpr double kBlockWidth = 320.0;
    int tableBlocks() const { return std::max(1, int((m_page.width() + kGap) / (kBlockWidth + kGap))); }
    double valueRowHeight() const { return QFontMetricsF(tableFont()).height() * kValueRowFactor; }
    // Rows of values in a block, under its header row.
    int rowsPerBlock() const { return std::max(1, int(body().height() / valueRowHeight()) - 1); }
    int rowsPerTablePage() const { return tableBlocks() * rowsPerBlock(); }
    int tablePages(int rows) const {
        if (!m_options.valueTable || rows <= 0)
            return 0;
        return (rows + rowsPerTablePage() - 1) / rowsPerTablePage();
    }

    const ChartPrintOptions& options() const { return m_options; }
    QSizeF page() const { return m_page; }

  private:
    ChartPrintOptions m_options;
    QSizeF m_page;
};

class Painter {
  public:
    Painter(QPainter& painter, const Layout& layout, const QDateTime& printed, int pages)
        : p(painter), m_layout(layout), m_printed(printed), m_pages(pages) {}

    void header(const Section& s, const QString& caption) {
        if (!m_layout.options().headerFooter)
            return;
        const QSizeF page = m_layout.page();
        const QFont title = m_layout.titleFont();
        const double titleHeight = QFontMetricsF(title).height();
        p.setPen(Qt::black);
        p.setFont(m_layout.factsFont());
        const QString right = caption.isEmpty() ? s.subtitle : caption;
        const double rightWidth = QFontMetricsF(m_layout.factsFont()).horizontalAdvance(right) + kGap;
        p.drawText(QRectF(0, 0, page.width(), titleHeight), Qt::AlignRight | Qt::AlignBottom, right);
        p.setFont(title);
        const QString shownTitle =
            QFontMetricsF(title).elidedText(s.title, Qt::ElideRight, page.width() - rightWidth);
        p.drawText(QRectF(0, 0, page.width() - rightWidth, titleHeight), Qt::AlignLeft | Qt::AlignBottom,
                   shownTitle);
        p.setFont(m_layout.factsFont());
        const double factsHeight = QFontMetricsF(m_layout.factsFont()).height();
        p.drawText(QRectF(0, titleHeight + 2.0, page.width(), factsHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   factsLine(s.facts));
        const double rule = titleHeight + factsHeight + 5.0;
        p.setPen(QPen(kRule, 1.0));
        p.drawLine(QPointF(0, rule), QPointF(page.width(), rule));
        p.setPen(Qt::black);
    }

    void footer(int page) {
        if (!m_layout.options().headerFooter)
            return;
        const QSizeF size = m_layout.page();
        const QFont font = m_layout.footerFont();
        const double h = QFontMetricsF(font).height();
        const QRectF line(0, size.height() - h, size.width(), h);
        p.setPen(QPen(kRule, 0.6));
        p.drawLine(QPointF(0, line.top() - 3.0), QPointF(size.width(), line.top() - 3.0));
        p.setPen(Qt::black);
        p.setFont(font);
        const QLocale locale;
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, programText());
        p.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter,
                   QStringLiteral("Printed %1")
                       .arg(locale.toString(m_printed.date(), QLocale::ShortFormat) + u' ' +
                            locale.toString(m_printed.time(), QLocale::ShortFormat)));
        p.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Page %1 of %2").arg(page).arg(m_pages));
    }

    void chartPage(const Section& s, int page) {
        header(s, QString());
        const Figures figures = figuresOf(s);
        const QRectF body = m_layout.body();
        const double figuresHeight = m_layout.figuresHeight(figures);
        const double chartHeight = std::max(kMinChartHeight, body.height() - figuresHeight);
        if (s.chart)
            s.chart->drawOnPaper(p, QRectF(body.left(), body.top(), body.width(), chartHeight),
                                 m_layout.options());
        const QRectF below(body.left(), body.top() + chartHeight + kGap, body.width(),
                           body.height() - chartHeight - kGap);
        drawFigures(figures, below);
        footer(page);
    }

    void tablePage(const Section& s, int firstRow, int rows, int page) {
        header(s, QStringLiteral("Values, %1 to %2 of %3")
                      .arg(firstRow + 1)
                      .arg(firstRow + rows)
                      .arg(s.facts.samples));
        const QRectF body = m_layout.body();
        const QFont font = m_layout.tableFont();
        const double rowHeight = m_layout.valueRowHeight();
        const int perBlock = m_layout.rowsPerBlock();
        const QString temperature = QStringLiteral("Temp. (%1)").arg(temperatureSymbol(s.unit));
        const std::vector<Column> columns = {
            {QStringLiteral("No."), 0.11, Qt::AlignRight}, {QStringLiteral("Date"), 0.25, Qt::AlignLeft},
            {QStringLiteral("Time"), 0.2, Qt::AlignLeft},  {QStringLiteral("ppm"), 0.12, Qt::AlignRight},
            {QStringLiteral("%RH"), 0.1, Qt::AlignRight},  {temperature, 0.22, Qt::AlignRight}};
        const ChartModel& m = s.chart->model();
        const QLocale locale;
        const QString timeFormat = graphstats::longTimeFormat(locale);
        const auto value = [&](int subset, int point, int decimals) {
            if (subset >= m.subsets())
                return QString();
            const double y = m.y(subset, point);
            if (m.isNull(y) || !std::isfinite(y))
                return QString();
            if (y >= 90000.0)
                return graphstats::kOverRange;
            if (y <= -99999.0)
                return graphstats::kUnderRange;
            return graphstats::formatFixed(y, decimals, locale);
        };
        for (int b = 0; b * perBlock < rows; ++b) {
            const int first = firstRow + b * perBlock;
            const int count = std::min(perBlock, firstRow + rows - first);
            std::vector<QStringList> cells;
            cells.reserve(size_t(count));
            for (int i = first; i < first + count; ++i) {
                const QDateTime at = fromDateTimeValue(m.x(0, i));
                cells.push_back({QString::number(i + 1), locale.toString(at.date(), QLocale::ShortFormat),
                                 locale.toString(at.time(), timeFormat), value(0, i, 0), value(1, i, 1),
                                 value(2, i, 1)});
            }
            const QRectF block(body.left() + b * (Layout::kBlockWidth + kGap), body.top(),
                               Layout::kBlockWidth, rowHeight * (count + 1));
            drawTable(p, block, columns, cells, font, m_layout.options().printFriendly, kValueRowFactor);
        }
        footer(page);
    }

  private:
    QString factsLine(const Facts& f) const {
        const QLocale locale;
        QStringList parts;
        if (f.samples > 0) {
            parts << QStringLiteral("Start: %1").arg(graphstats::formatDateTime(f.start, locale))
                  << QStringLiteral("End: %1").arg(graphstats::formatDateTime(f.end, locale));
        }
        if (f.intervalSeconds > 0)
            parts << QStringLiteral("Sampling interval: %1").arg(intervalText(f.intervalSeconds));
        parts << QStringLiteral("Samples: %1").arg(locale.toString(f.samples));
        if (!f.serialNumber.isEmpty())
            parts << QStringLiteral("Serial number: %1").arg(f.serialNumber);
        return parts.join(QStringLiteral("     "));
    }

    void drawFigures(const Figures& f, const QRectF& area) {
        const QFont font = m_layout.figuresFont();
        const bool shaded = m_layout.options().printFriendly;
        const bool side = m_layout.sideBySide() && !f.limits.empty();
        const double statsWidth = side ? area.width() * 0.64 : area.width();
        std::vector<QStringList> rows;
        for (const ChannelRow& r : f.channels)
            rows.push_back({r.channel, r.max, r.maxTime, r.min, r.minTime, r.avg});
        const double statsHeight = drawTable(p, QRectF(area.left(), area.top(), statsWidth, area.height()),
                                             {{QStringLiteral("Channel"), 0.24, Qt::AlignLeft},
                                              {QStringLiteral("MAX"), 0.11, Qt::AlignRight},
                                              {QStringLiteral("at"), 0.2, Qt::AlignLeft},
                                              {QStringLiteral("MIN"), 0.11, Qt::AlignRight},
                                              {QStringLiteral("at"), 0.2, Qt::AlignLeft},
                                              {QStringLiteral("AVG"), 0.14, Qt::AlignRight}},
                                             rows, font, shaded);
        if (f.limits.empty())
            return;
        std::vector<QStringList> limits;
        for (const LimitRow& r : f.limits)
            limits.push_back({r.limit, r.timeAbove});
        const QRectF limitArea = side ? QRectF(area.left() + statsWidth + 2 * kGap, area.top(),
                                               area.width() - statsWidth - 2 * kGap, area.height())
                                      : QRectF(area.left(), area.top() + statsHeight + kGap,
                                               area.width() * 0.6, area.height() - statsHeight - kGap);
        drawTable(p, limitArea,
                  {{QStringLiteral("Limit"), 0.45, Qt::AlignLeft},
                   {QStringLiteral("Time above (share)"), 0.55, Qt::AlignRight}},
                  limits, font, shaded);
    }

    QPainter& p;
    const Layout& m_layout;
    QDateTime m_printed;
    int m_pages;
};

} // namespace

QString temperatureSymbol(TemperatureUnit unit) {
    return unit == TemperatureUnit::Fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

QString intervalText(int seconds) {
    if (seconds <= 0)
        return QString();
    const int h = seconds / 3600;
    const int m = seconds / 60 % 60;
    const int s = seconds % 60;
    QStringList parts;
    if (h > 0)
        parts << QStringLiteral("%1 h").arg(h);
    if (m > 0)
        parts << QStringLiteral("%1 min").arg(m);
    if (s > 0)
        parts << QStringLiteral("%1 s").arg(s);
    return parts.join(u' ');
}

QString programText() {
    const QString version = readFileVersion(VersionBlock::program());
    return version.isEmpty() ? QStringLiteral("QZ407") : QStringLiteral("QZ407 %1").arg(version);
}

int recordedPoints(const ChartWidget& chart) {
    const ChartModel& m = chart.model();
    if (m.subsets() < 1)
        return 0;
    const std::span<const double> x = m.xRow(0);
    for (int p = m.points() - 1; p >= 0; --p) {
        if (!isDateTimeValue(x[size_t(p)]))
            continue;
        for (int s = 0; s < std::min(m.subsets(), graphstats::kChannels); ++s) {
            const double y = m.y(s, p);
            if (!m.isNull(y) && std::isfinite(y))
                return p + 1;
        }
    }
    return 0;
}

Facts factsOf(const ChartWidget& chart) {
    Facts f;
    const ChartModel& m = chart.model();
    f.samples = recordedPoints(chart);
    if (f.samples == 0)
        return f;
    const std::span<const double> x = m.xRow(0).first(size_t(f.samples));
    f.start = x.front();
    f.end = x.back();
    const double interval =
        limitstats::samplingInterval({x, m.yRow(0).first(size_t(f.samples))}, m.look.nullDataValueY);
    f.intervalSeconds = int(std::lround(interval * 86400.0));
    return f;
}

Figures figuresOf(const Section& section, const QLocale& locale) {
    Figures f;
    if (!section.chart)
        return f;
    const ChartModel& m = section.chart->model();
    const int points = recordedPoints(*section.chart);
    std::array<graphstats::Series, graphstats::kChannels> series;
    for (int c = 0; c < graphstats::kChannels && c < m.subsets(); ++c)
        series[size_t(c)] = {m.xRow(c).first(size_t(points)), m.yRow(c).first(size_t(points))};
    const graphstats::Result r =
        graphstats::compute(series, m.subsets() >= graphstats::kChannels ? points : 0, locale, section.unit);
    const std::vector<int> drawn = m.drawnSubsets();
    for (int c = 0; c < graphstats::kChannels; ++c) {
        if (c >= m.subsets() || std::find(drawn.begin(), drawn.end(), c) == drawn.end())
            continue;
        const auto [max, maxAt] = splitExtreme(r.max[size_t(c)]);
        const auto [min, minAt] = splitExtreme(r.min[size_t(c)]);
        f.channels.push_back({channelName(c, section.unit), max, maxAt, min, minAt, r.avg[size_t(c)]});
    }
    const limitstats::RecordingFigures recording = limitstats::computeRecording(m);
    for (const limitstats::LimitFigure& l : recording.limits) {
        if (std::find(drawn.begin(), drawn.end(), l.channel) == drawn.end())
            continue;
        QString name = limitstats::limitName(l.channel, l.limit, locale);
        if (l.channel == graphstats::Temperature)
            name += u' ' + temperatureSymbol(section.unit);
        f.limits.push_back({name, limitstats::timeAboveText(l.time, locale)});
    }
    return f;
}

int pageCount(const std::vector<Section>& sections, const ChartPrintOptions& options, QSizeF page) {
    const Layout layout(options, page);
    int pages = 0;
    for (const Section& s : sections)
        pages += 1 + layout.tablePages(s.chart ? recordedPoints(*s.chart) : 0);
    return pages;
}

bool render(QPagedPaintDevice& device, const std::vector<Section>& sections, const ChartPrintOptions& options,
            const QDateTime& printed) {
    QPainter painter;
    if (!paper::begin(painter, device))
        return false;
    const Layout layout(options, paper::pageSize(device));
    const int pages = pageCount(sections, options, layout.page());
    Painter draw(painter, layout, printed, pages);
    int page = 0;
    bool ok = true;
    const auto nextPage = [&] {
        if (page++ > 0 && !device.newPage())
            ok = false;
        return ok;
    };
    for (const Section& s : sections) {
        if (!nextPage())
            break;
        draw.chartPage(s, page);
        const int rows = s.chart ? recordedPoints(*s.chart) : 0;
        for (int first = 0; ok && layout.tablePages(rows) > 0 && first < rows;
             first += layout.rowsPerTablePage()) {
            if (!nextPage())
                break;
            draw.tablePage(s, first, std::min(layout.rowsPerTablePage(), rows - first), page);
        }
    }
    return painter.end() && ok;
}

bool writePdf(const QString& fileName, const std::vector<Section>& sections, const ChartPrintOptions& options,
              QString* error, const QDateTime& printed) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The report could not be written to %1: %2")
                         .arg(QDir::toNativeSeparators(fileName), why);
        return false;
    };
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4), options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
            QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
        pdf.setCreator(programText());
        pdf.setTitle(sections.empty() ? QString() : sections.front().title);
        if (!render(pdf, sections, options, printed))
            return fail(QStringLiteral("the pages could not be drawn."));
    }
    QString reason;
    if (!saveFileWhole(fileName, bytes, &reason))
        return fail(reason);
    return true;
}

} // namespace report
