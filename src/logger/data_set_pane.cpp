#include "data_set_pane.h"

#include <QSplitter>

#include "graph/graph_statistics.h"
#include "graph/pes_graph.h"
#include "graph/tfrm_graph.h"
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
    setObjectName(QStringLiteral("pnlDataSets"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    caption = new QLabel(QStringLiteral("Data Sets"), this);
    caption->setObjectName(QStringLiteral("lblDataSets"));
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);

    Grid2 = new QTableWidget(this);
    Grid2->setObjectName(QStringLiteral("Grid2"));
    Grid2->setColumnCount(ColumnCount);
    QStringList headers;
    for (int c = 0; c < ColumnCount; ++c)
        headers << headerText(c);
    Grid2->setHorizontalHeaderLabels(headers);
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid2->setWordWrap(false);
    // The header row is a header, not a row: it cannot be selected or sorted by.
    QHeaderView* header = Grid2->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(4);
    for (int c = 0; c < ColumnCount; ++c)
        Grid2->setColumnWidth(c, columnWidth(c));
    // No fixed column; rows keep one height (never resized to their contents).
    QHeaderView* rows = Grid2->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);
    Grid2->viewport()->setCursor(Qt::PointingHandCursor);
    Grid2->viewport()->installEventFilter(this);
    layout->addWidget(Grid2, 1);

    connect(Grid2, &QTableWidget::cellClicked, this, [this](int, int) { Grid2Click(); });
    connect(Grid2, &QTableWidget::currentCellChanged, this,
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
    Grid2->clearContents();
    Grid2->setRowCount(1);
    for (int c = 0; c < ColumnCount; ++c)
        Grid2->setItem(0, c, new QTableWidgetItem);
    Grid2->clearSelection();
    Grid2->setCurrentCell(-1, -1);
    m_sets = 0;
    m_listing = false;
    fitColumns();
}

void DataSetPane::fitColumns() {
    const QFontMetrics fm(Grid2->font());
    const int padding = cellTextPadding(*Grid2);
    QHeaderView* header = Grid2->horizontalHeader();
    for (int c = 0; c < ColumnCount; ++c) {
        int width = std::max(columnWidth(c), header->sectionSizeHint(c));
        for (int r = 0; r < Grid2->rowCount(); ++r) {
            if (const QTableWidgetItem* item = Grid2->item(r, c))
                width = std::max(width, fm.horizontalAdvance(item->text()) + padding);
        }
        Grid2->setColumnWidth(c, width);
    }
}

int DataSetPane::preferredWidth() const {
    const QMargins m = layout()->contentsMargins();
    return tableWidthFor(*Grid2, ColumnCount) + m.left() + m.right();
}

void DataSetPane::listDataSets(const DataSetStore& store) {
    m_listing = true;
    Grid2->setUpdatesEnabled(false);
    Grid2->clearContents();
    const int count = int(store.sets.size());
    Grid2->setRowCount(std::max(count, 1));
    if (count == 0) {
        for (int c = 0; c < ColumnCount; ++c)
            Grid2->setItem(0, c, new QTableWidgetItem);
    }
    for (int k = 0; k < count; ++k) {
        const QStringList texts = rowTexts(k, store.sets[size_t(k)]);
        for (int c = 0; c < ColumnCount; ++c)
            Grid2->setItem(k, c, new QTableWidgetItem(texts[c]));
    }
    m_sets = count;
    // The first set's row is highlighted.
    Grid2->setCurrentCell(0, 0);
    Grid2->scrollToTop();
    fitColumns();
    Grid2->setUpdatesEnabled(true);
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

void DataSetPane::Grid2Click() {
    const int row = Grid2->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem* date = Grid2->item(row, kDateColumn);
    if (!date || date->text().isEmpty())
        return; // the empty row of a pane that lists no set
    emit dataSetChosen(row);
}

void DataSetPane::currentRowChanged(int row, int previousRow) {
    // Moving the selection with the keyboard shows the set as a click does; a mouse press is
    // followed by its click, which shows it once.
    if (m_listing || m_mousePressed || row == previousRow)
        return;
    Grid2Click();
}

bool DataSetPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid2->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            m_mousePressed = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_mousePressed = false;
    }
    return QWidget::eventFilter(watched, event);
}

bool showDataSet(TfrmGraph& window, const DataSetStore& store, int k) {
    // A store whose arrays do not hold the whole set is not drawn from memory that is not there.
    const std::optional<DataSetSamples> samples = k < 0 ? std::nullopt : store.samplesOf(size_t(k));
    if (!samples)
        return false;
    const DataSet& set = store.sets[size_t(k)];

    const int n = set.recordCount;
    const double start = set.startTime;
    const double end = start + n * (set.intervalSeconds / 86400.0);
    window.ConfigureGraph(3, n, start, end, 0.0f, 10000.0f, -50.0f, 100.0f);

    // Records are stored ppm, %RH, temperature after one another, which is the chart's point-after-
    // point order, so each array goes in with one bulk write.
    PESGraph& chart = *window.PESGraph1;
    chart.setXDataArray(samples->times);
    chart.setYDataArray(samples->values);

    window.setTemperatureFahrenheit(set.fahrenheit != 0);
    window.ComputeGraphStatistics();
    // The header knows the start and the interval exactly; the statistics only estimate them.
    window.txtStartTime->setText(graphstats::formatDateTime(start));
    window.ComboBox1->setCurrentIndex(set.intervalSeconds / 60);
    window.ComboBox2->setCurrentIndex(set.intervalSeconds % 60);
    window.txtDataNo->setText(QString::number(n));

    window.UndoZoomClick();
    chart.setPEactions(pe::sgResetImage);
    chart.setPEactions(pe::sgInvalidateImage);
    return true;
}

DataSetPane* dataSetPaneOf(const TfrmGraph& window) {
    return qobject_cast<DataSetPane*>(window.dataSetPane());
}

DataSetPane* installDataSetPane(TfrmGraph& window, const DataSetStore& store) {
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

DataSetPane* prepareDataLoggerWindow(TfrmGraph& window, const DataSetStore& store, double now) {
    window.setWindowTitle(TfrmGraph::kDataLoggerCaption);
    DataSetPane* pane = installDataSetPane(window, store);
    window.ConfigureGraph(3, 500, now, now + 500.0 / 86400.0, 0.0f, 10000.0f, -50.0f, 100.0f);
    window.PESGraph1->setAllowGraphAnnotHotSpots(true);
    return pane;
}
