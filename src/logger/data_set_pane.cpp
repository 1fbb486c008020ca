#include "data_set_pane.h"

#include <QSplitter>

#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"
#include "logger/data_set_chart.h"
#include "logger/table_sizing.h"
#include "platform/clock.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <numeric>
#include <span>

namespace {

struct Column {
    const char* header;
    int width;
};

constexpr std::array<Column, DataSetPane::ColumnCount> kColumns{{
    {"Set", 25},
    {"DATE", 60},
    {"TIME", 60},
    {"Rate", 65},
    {"Nums", 40},
    {"Unit", 40},
    {"ppm Offset", 60},
    {"RH Offset", 40},
    {"T1 Offset", 40},
    {"", 40},
    {"", 40},
}};

constexpr int kDateColumn = 1;
constexpr int kRowHeight = 18;

QString twoDigits(int value) {
    return value < 10 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}

QString tenthsText(int tenths, const QLocale& locale) {
    return locale.toString(tenths * 0.1, 'f', 1);
}

} // namespace

DataSetPane::DataSetPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("dataSetPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    caption = new QLabel(QStringLiteral("Data Sets"), this);
    caption->setObjectName(QStringLiteral("dataSetsCaption"));
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);

    dataSetGrid = new QTableWidget(this);
    dataSetGrid->setObjectName(QStringLiteral("dataSetGrid"));
    dataSetGrid->setColumnCount(ColumnCount);
    QStringList headers;
    for (int c = 0; c < ColumnCount; ++c)
        headers << headerText(c);
    dataSetGrid->setHorizontalHeaderLabels(headers);
    dataSetGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    dataSetGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    dataSetGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dataSetGrid->setWordWrap(false);
    // The header row is a header, not a row: it cannot be selected or sorted by.
    QHeaderView* header = dataSetGrid->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(4);
    for (int c = 0; c < ColumnCount; ++c)
        dataSetGrid->setColumnWidth(c, columnWidth(c));
    // No fixed column; rows keep one height (never resized to their contents).
    QHeaderView* rows = dataSetGrid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);
    dataSetGrid->viewport()->setCursor(Qt::PointingHandCursor);
    dataSetGrid->viewport()->installEventFilter(this);
    layout->addWidget(dataSetGrid, 1);

    connect(dataSetGrid, &QTableWidget::cellClicked, this, [this](int, int) { onDataSetGridClicked(); });
    connect(dataSetGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) { currentRowChanged(row, previousRow); });
    clearSets();
}

QString DataSetPane::headerText(int column) {
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(kColumns[size_t(column)].header)
                                               : QString();
}

int DataSetPane::columnWidth(int column) {
    return column >= 0 && column < ColumnCount ? kColumns[size_t(column)].width : 0;
}

QString DataSetPane::rateText(int intervalSeconds) {
    return twoDigits(intervalSeconds / 60) + u':' + twoDigits(intervalSeconds % 60);
}

QStringList DataSetPane::rowTexts(int k, const DataSet& set) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QDateTime start = fromDateTimeValue(set.startTime);
    return {
        QString::number(k + 1),
        locale.toString(start.date(), QLocale::ShortFormat),
        start.time().toString(QStringLiteral("HH:mm:ss")),
        rateText(set.intervalSeconds),
        QString::number(set.recordCount),
        set.fahrenheit != 0 ? QStringLiteral("F") : QStringLiteral("C"),
        QString::number(set.ppmOffset),
        tenthsText(set.rhOffsetTenths, locale),
        tenthsText(set.tempOffsetTenths, locale),
        QString(),
        QString(),
    };
}

void DataSetPane::clearSets() {
    m_listing = true;
    dataSetGrid->clearContents();
    dataSetGrid->setRowCount(1);
    for (int c = 0; c < ColumnCount; ++c)
        dataSetGrid->setItem(0, c, new QTableWidgetItem);
    dataSetGrid->clearSelection();
    dataSetGrid->setCurrentCell(-1, -1);
    m_sets = 0;
    m_listing = false;
    fitColumns();
}

void DataSetPane::fitColumns() {
    const QFontMetrics fm(dataSetGrid->font());
    const int padding = cellTextPadding(*dataSetGrid);
    QHeaderView* header = dataSetGrid->horizontalHeader();
    for (int c = 0; c < ColumnCount; ++c) {
        int width = std::max(columnWidth(c), header->sectionSizeHint(c));
        for (int r = 0; r < dataSetGrid->rowCount(); ++r) {
            if (const QTableWidgetItem* item = dataSetGrid->item(r, c))
                width = std::max(width, fm.horizontalAdvance(item->text()) + padding);
        }
        dataSetGrid->setColumnWidth(c, width);
    }
}

int DataSetPane::preferredWidth() const {
    const QMargins m = layout()->contentsMargins();
    return tableWidthFor(*dataSetGrid, ColumnCount) + m.left() + m.right();
}

void DataSetPane::listDataSets(const DataSetStore& store) {
    m_listing = true;
    dataSetGrid->setUpdatesEnabled(false);
    dataSetGrid->clearContents();
    const int count = int(store.sets.size());
    dataSetGrid->setRowCount(std::max(count, 1));
    if (count == 0) {
        for (int c = 0; c < ColumnCount; ++c)
            dataSetGrid->setItem(0, c, new QTableWidgetItem);
    }
    for (int k = 0; k < count; ++k) {
        const QStringList texts = rowTexts(k, store.sets[size_t(k)]);
        for (int c = 0; c < ColumnCount; ++c)
            dataSetGrid->setItem(k, c, new QTableWidgetItem(texts[c]));
    }
    m_sets = count;
    // The first set's row is highlighted.
    dataSetGrid->setCurrentCell(0, 0);
    dataSetGrid->scrollToTop();
    fitColumns();
    dataSetGrid->setUpdatesEnabled(true);
    m_listing = false;
    // Wider texts may need a wider pane: take up to half the window's splitter for it.
    if (auto* splitter = qobject_cast<QSplitter*>(parentWidget()); splitter && isVisible()) {
        QList<int> sizes = splitter->sizes();
        const int index = splitter->indexOf(this);
        const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
        if (index >= 0 && sizes.size() == 2 && sizes[index] < preferredWidth()) {
            sizes[index] = std::min(preferredWidth(), total / 2);
            sizes[1 - index] = total - sizes[index];
            splitter->setSizes(sizes);
        }
    }
}

void DataSetPane::onDataSetGridClicked() {
    const int row = dataSetGrid->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem* date = dataSetGrid->item(row, kDateColumn);
    if (!date || date->text().isEmpty())
        return; // the empty row of a pane that lists no set
    emit dataSetChosen(row);
}

void DataSetPane::currentRowChanged(int row, int previousRow) {
    // Moving the selection with the keyboard shows the set as a click does; a mouse press is
    // followed by its click, which shows it once.
    if (m_listing || m_mousePressed || row == previousRow)
        return;
    onDataSetGridClicked();
}

bool DataSetPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dataSetGrid->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            m_mousePressed = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_mousePressed = false;
    }
    return QWidget::eventFilter(watched, event);
}

bool showDataSet(GraphWindow& window, const DataSetStore& store, int k) {
    // A store whose arrays do not hold the whole set is not drawn from memory that is not there.
    const std::optional<DataSetSamples> samples = k < 0 ? std::nullopt : store.samplesOf(size_t(k));
    if (!samples)
        return false;
    const DataSet& set = store.sets[size_t(k)];

    const DataSetChartFrame frame = dataSetChartFrame(set);
    const int n = frame.points;
    const double start = frame.start;
    window.configureGraph(3, n, start, frame.end, frame.ppmMin, frame.ppmMax, frame.otherMin, frame.otherMax);
    ChartWidget& chart = *window.chart;
    writeDataSetSamples(chart, *samples);

    window.setTemperatureFahrenheit(set.fahrenheit != 0);
    window.computeGraphStatistics();
    // The header knows the start and the interval exactly; the statistics only estimate them.
    window.startTimeField->setText(graphstats::formatDateTime(start));
    window.minutesBox->setCurrentIndex(set.intervalSeconds / 60);
    window.secondsBox->setCurrentIndex(set.intervalSeconds % 60);
    window.sampleCountField->setText(QString::number(n));

    window.onUndoZoomClicked();
    chart.setPEactions(pe::sgResetImage);
    chart.setPEactions(pe::sgInvalidateImage);
    return true;
}

DataSetPane* dataSetPaneOf(const GraphWindow& window) {
    return qobject_cast<DataSetPane*>(window.dataSetPane());
}

DataSetPane* installDataSetPane(GraphWindow& window, const DataSetStore& store) {
    DataSetPane* pane = dataSetPaneOf(window);
    if (!pane) {
        pane = new DataSetPane;
        window.setDataSetPane(pane);
        QObject::connect(pane, &DataSetPane::dataSetChosen, &window,
                         [&window, &store](int k) { showDataSet(window, store, k); });
        // Room for every column of the grid, but never more than half the window.
        if (QSplitter* splitter = window.splitter()) {
            const int total = std::max(window.width(), 800);
            const int paneWidth = std::min(pane->preferredWidth(), total / 2);
            splitter->setSizes({paneWidth, total - paneWidth});
        }
    }
    pane->setVisible(true);
    return pane;
}

DataSetPane* prepareDataLoggerWindow(GraphWindow& window, const DataSetStore& store, double now) {
    window.setWindowTitle(GraphWindow::kDataLoggerCaption);
    DataSetPane* pane = installDataSetPane(window, store);
    window.configureGraph(3, 500, now, now + 500.0 / 86400.0, 0.0f, 10000.0f, -50.0f, 100.0f);
    window.chart->setAllowGraphAnnotHotSpots(true);
    return pane;
}
