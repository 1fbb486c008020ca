// The Data Sets pane and showDataSet: the grid's columns and cell texts, selection, clicks and the
// chart a set is put into.
#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"
#include "logger/data_set_pane.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_data_set_pane {

const double T0 = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(9, 5, 3)));

DataSet makeSet(double start, int interval, int records) {
    DataSet s;
    s.startTime = start;
    s.intervalSeconds = interval;
    s.recordCount = records;
    return s;
}

// Appends a set whose entry i (in record order, channels interleaved) holds time start + i / 10^6
// and value 1000 * (set index + 1) + i, so every entry is told apart by its value.
void addSet(DataSetStore& store, DataSet set) {
    const int index = int(store.sets.size());
    for (int i = 0; i < 3 * set.recordCount; ++i) {
        store.sampleTimes.push_back(set.startTime + (i / 3) * (set.intervalSeconds / 86400.0));
        store.sampleValues.push_back(float(1000 * (index + 1) + i));
    }
    store.sets.push_back(set);
}

QString cell(const DataSetPane& pane, int row, int column) {
    const QTableWidgetItem* item = pane.dataSetGrid->item(row, column);
    return item ? item->text() : QString();
}

void clickRow(DataSetPane& pane, int row) {
    const QRect r = pane.dataSetGrid->visualRect(pane.dataSetGrid->model()->index(row, 1));
    QTest::mouseClick(pane.dataSetGrid->viewport(), Qt::LeftButton, {}, r.center());
}

class DataSetViews : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path()); // no graph template
        window = new GraphWindow(prompter, shared);
        window->resize(1200, 700);
    }
    void TearDown() override {
        delete window.data();
        setGraphProgramDirectory(QString());
    }
    // The data-logger window as a download leaves it, shown so clicks reach the grid.
    DataSetPane* dataLogger() {
        DataSetPane* pane = prepareDataLoggerWindow(*window, store, T0);
        window->show();
        QApplication::processEvents();
        return pane;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    DataSetStore store;
    QPointer<GraphWindow> window;
};

TEST(DataSetPane, HeadersWidthsAndLook) {
    DataSetPane pane;
    EXPECT_EQ(pane.objectName(), "dataSetPane");
    EXPECT_EQ(pane.caption->text(), "Data Sets");
    const QStringList headers{"Set",        "DATE",      "TIME",      "Rate", "Nums", "Unit",
                              "ppm Offset", "RH Offset", "T1 Offset", "",     ""};
    const int widths[] = {25, 60, 60, 65, 40, 40, 60, 40, 40, 40, 40};
    ASSERT_EQ(pane.dataSetGrid->columnCount(), 11);
    for (int c = 0; c < 11; ++c) {
        EXPECT_EQ(pane.dataSetGrid->horizontalHeaderItem(c)->text(), headers[c]) << c;
        // The first widths, widened where the header needs more at the grid's font.
        EXPECT_EQ(DataSetPane::columnWidth(c), widths[c]) << c;
        EXPECT_GE(pane.dataSetGrid->columnWidth(c), widths[c]) << c;
        EXPECT_GE(pane.dataSetGrid->columnWidth(c), pane.dataSetGrid->horizontalHeader()->sectionSizeHint(c))
            << c;
        EXPECT_EQ(pane.dataSetGrid->horizontalHeader()->sectionResizeMode(c), QHeaderView::Interactive);
        EXPECT_EQ(cell(pane, 0, c), "");
    }
    // The grid starts with the header row and one empty row.
    EXPECT_EQ(pane.dataSetGrid->rowCount(), 1);
    EXPECT_EQ(pane.setCount(), 0);
    EXPECT_EQ(pane.dataSetGrid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(pane.dataSetGrid->verticalHeader()->isHidden());
    EXPECT_EQ(pane.dataSetGrid->viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST(DataSetPane, EveryColumnShowsItsWholeTextInEachLocale) {
    for (const char* name : {"en_US", "de_DE"}) {
        LocaleGuard locale(name);
        DataSetStore store;
        DataSet a = makeSet(T0, 3660, 12345);
        a.ppmOffset = -250;
        a.rhOffsetTenths = 255;
        a.tempOffsetTenths = 250;
        a.fahrenheit = 1;
        addSet(store, a);
        addSet(store, makeSet(T0 + 100, 2, 7));
        DataSetPane pane;
        pane.listDataSets(store);
        const QFontMetrics fm(pane.dataSetGrid->font());
        for (int r = 0; r < pane.dataSetGrid->rowCount(); ++r) {
            for (int c = 0; c < DataSetPane::ColumnCount; ++c) {
                const QString text = cell(pane, r, c);
                EXPECT_LE(fm.horizontalAdvance(text) + 6, pane.dataSetGrid->columnWidth(c))
                    << name << " column " << c << ": " << text.toStdString();
            }
        }
        int sum = 0;
        for (int c = 0; c < DataSetPane::ColumnCount; ++c)
            sum += pane.dataSetGrid->columnWidth(c);
        EXPECT_GE(pane.preferredWidth(), sum);
    }
}

TEST(DataSetPane, CellTextsOfEachColumn) {
    DataSetStore store;
    DataSet a = makeSet(T0, 90, 12);
    a.ppmOffset = -25;
    a.rhOffsetTenths = 0xFB;
    a.tempOffsetTenths = 0;
    a.fahrenheit = 1;
    DataSet b = makeSet(T0 + 1.5, 2, 0);
    b.rhOffsetTenths = 255;
    b.tempOffsetTenths = 7;
    DataSet c = makeSet(T0, 3660, 65535);
    store.sets = {a, b, c};

    DataSetPane pane;
    pane.listDataSets(store);
    ASSERT_EQ(pane.dataSetGrid->rowCount(), 3);
    EXPECT_EQ(pane.setCount(), 3);
    const QString date = QLocale().toString(QDate(2026, 7, 31), QLocale::ShortFormat);
    const QStringList rowA{"1", date, "09:05:03", "01:30", "12", "F", "-25", "25.1", "0.0", "", ""};
    for (int col = 0; col < 11; ++col)
        EXPECT_EQ(cell(pane, 0, col), rowA[col]) << col;
    EXPECT_EQ(cell(pane, 1, 0), "2");
    EXPECT_EQ(cell(pane, 1, 2), "21:05:03");
    EXPECT_EQ(cell(pane, 1, 3), "00:02");
    EXPECT_EQ(cell(pane, 1, 4), "0");
    EXPECT_EQ(cell(pane, 1, 5), "C");
    EXPECT_EQ(cell(pane, 1, 7), "25.5");
    EXPECT_EQ(cell(pane, 1, 8), "0.7");
    EXPECT_EQ(cell(pane, 2, 3), "61:00");
    EXPECT_EQ(cell(pane, 2, 4), "65535");
    // The first set's row is selected.
    EXPECT_EQ(pane.dataSetGrid->currentRow(), 0);
    EXPECT_TRUE(pane.dataSetGrid->item(0, 4)->isSelected());

    // Decimals and dates follow the user's locale.
    LocaleGuard german("de_DE");
    pane.listDataSets(store);
    EXPECT_EQ(cell(pane, 0, 1), QLocale().toString(QDate(2026, 7, 31), QLocale::ShortFormat));
    EXPECT_EQ(cell(pane, 0, 7), "25,1");
    EXPECT_EQ(cell(pane, 1, 7), "25,5");

    // A later listing replaces every row.
    store.sets = {b};
    pane.listDataSets(store);
    EXPECT_EQ(pane.dataSetGrid->rowCount(), 1);
    EXPECT_EQ(cell(pane, 0, 3), "00:02");
}

TEST_F(DataSetViews, HeaderRowCannotBeSelected) {
    DataSetPane* pane = dataLogger();
    addSet(store, makeSet(T0, 60, 3));
    addSet(store, makeSet(T0 + 1, 60, 4));
    pane->listDataSets(store);
    QSignalSpy chosen(pane, &DataSetPane::dataSetChosen);
    QHeaderView* header = pane->dataSetGrid->horizontalHeader();
    for (int c : {0, 1, 4}) {
        const QPoint at(header->sectionViewportPosition(c) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(pane->dataSetGrid->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(pane->dataSetGrid->currentRow(), 0);
    EXPECT_EQ(chosen.count(), 0);
}

TEST_F(DataSetViews, ClickingTheEmptyRowBeforeAnyDownloadDoesNothing) {
    DataSetPane* pane = dataLogger();
    ASSERT_FALSE(pane->isHidden());
    EXPECT_EQ(window->windowTitle(), "DataLogger");
    EXPECT_EQ(window->chart->Points(), 500);
    EXPECT_DOUBLE_EQ(window->chart->ManualMinX(), T0);
    EXPECT_DOUBLE_EQ(window->chart->ManualMaxX(), T0 + 500.0 / 86400.0);
    QSignalSpy chosen(pane, &DataSetPane::dataSetChosen);
    clickRow(*pane, 0);
    pane->onDataSetGridClicked();
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(window->chart->Points(), 500);
    EXPECT_EQ(window->sampleCountField->text(), "0");
}

TEST_F(DataSetViews, ClickAndKeyboardShowTheChosenSet) {
    DataSetPane* pane = dataLogger();
    addSet(store, makeSet(T0, 60, 3));
    addSet(store, makeSet(T0 + 1, 90, 5));
    addSet(store, makeSet(T0 + 2, 2, 7));
    pane->listDataSets(store);
    ASSERT_TRUE(showDataSet(*window, store, 0));
    QSignalSpy chosen(pane, &DataSetPane::dataSetChosen);

    clickRow(*pane, 1);
    ASSERT_EQ(chosen.count(), 1); // one click shows the set once
    EXPECT_EQ(chosen[0][0].toInt(), 1);
    EXPECT_EQ(window->chart->Points(), 5);
    EXPECT_FLOAT_EQ(window->chart->YData(0, 0), 2000.0f);

    pane->dataSetGrid->setFocus();
    QTest::keyClick(pane->dataSetGrid, Qt::Key_Down);
    EXPECT_EQ(pane->dataSetGrid->currentRow(), 2);
    EXPECT_EQ(window->chart->Points(), 7);
    EXPECT_EQ(window->sampleCountField->text(), "7");

    // Listing anew selects the first row without showing anything by itself.
    chosen.clear();
    pane->listDataSets(store);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(window->chart->Points(), 7);
}

TEST_F(DataSetViews, ShowDataSetPutsEachRecordIntoItsPoint) {
    prepareDataLoggerWindow(*window, store, T0);
    addSet(store, makeSet(T0 - 3, 60, 4));
    addSet(store, makeSet(T0, 90, 6));
    addSet(store, makeSet(T0 + 3, 60, 2));
    ASSERT_TRUE(showDataSet(*window, store, 1));

    ChartWidget& chart = *window->chart;
    ASSERT_EQ(chart.Subsets(), 3);
    ASSERT_EQ(chart.Points(), 6);
    const size_t first = store.firstSampleOf(1);
    EXPECT_EQ(first, 12u);
    for (int p = 0; p < 6; ++p) {
        for (int s = 0; s < 3; ++s) {
            const size_t entry = first + 3 * size_t(p) + size_t(s);
            EXPECT_DOUBLE_EQ(chart.XDataII(s, p), store.sampleTimes[entry]) << s << ' ' << p;
            EXPECT_FLOAT_EQ(chart.YData(s, p), store.sampleValues[entry]) << s << ' ' << p;
        }
    }
    EXPECT_DOUBLE_EQ(chart.ManualMinX(), T0);
    EXPECT_DOUBLE_EQ(chart.ManualMaxX(), T0 + 6 * 90 / 86400.0);
    chart.setWorkingAxis(0);
    EXPECT_DOUBLE_EQ(chart.ManualMinY(), 0.0);
    EXPECT_DOUBLE_EQ(chart.ManualMaxY(), 10000.0);
    chart.setWorkingAxis(1);
    EXPECT_DOUBLE_EQ(chart.ManualMinY(), -50.0);
    EXPECT_DOUBLE_EQ(chart.ManualMaxY(), 100.0);
    chart.setWorkingAxis(0);

    // Information fields from the header, statistics from the data.
    EXPECT_EQ(window->startTimeField->text(), graphstats::formatDateTime(T0));
    EXPECT_EQ(window->minutesBox->currentText(), "01");
    EXPECT_EQ(window->secondsBox->currentText(), "30");
    EXPECT_EQ(window->sampleCountField->text(), "6");
    EXPECT_FALSE(window->ppmMaxField->text().isEmpty());
    // Two Y axes: Cross and Text are off.
    EXPECT_FALSE(window->crossButton->isEnabled());
    EXPECT_FALSE(window->textButton->isEnabled());
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_FALSE(window->undoZoomButton->isEnabled());

    // The next set replaces everything of this one.
    ASSERT_TRUE(showDataSet(*window, store, 2));
    EXPECT_EQ(chart.Points(), 2);
    EXPECT_FLOAT_EQ(chart.YData(2, 1), store.sampleValues[store.firstSampleOf(2) + 5]);
}

TEST_F(DataSetViews, TemperatureLimitsFollowTheSetsUnit) {
    // Two sets of the same room, 23.9 to 26.1 degrees Celsius, one of them recorded in Fahrenheit.
    prepareDataLoggerWindow(*window, store, T0);
    const auto add = [&](bool fahrenheit, std::vector<float> temperatures) {
        DataSet set = makeSet(T0, 60, int(temperatures.size()));
        set.fahrenheit = fahrenheit ? 1 : 0;
        for (size_t i = 0; i < temperatures.size(); ++i) {
            for (float v : {800.0f, 45.0f, temperatures[i]}) {
                store.sampleTimes.push_back(T0 + double(i) * 60 / 86400);
                store.sampleValues.push_back(v);
            }
        }
        store.sets.push_back(set);
    };
    add(false, {23.9f, 26.1f});
    add(true, {75.0f, 79.0f});
    add(true, {158.0f, -40.0f});
    add(true, {158.1f, -40.1f});
    add(false, {70.1f, -40.1f});

    ASSERT_TRUE(showDataSet(*window, store, 0));
    EXPECT_EQ(window->temperatureMaxField->text(), "26.1@" + graphstats::formatDateTime(T0 + 60 / 86400.0));
    ASSERT_TRUE(showDataSet(*window, store, 1));
    EXPECT_EQ(window->temperatureMaxField->text(), "79.0@" + graphstats::formatDateTime(T0 + 60 / 86400.0));
    EXPECT_EQ(window->temperatureMinField->text(), "75.0@" + graphstats::formatDateTime(T0));
    ASSERT_TRUE(showDataSet(*window, store, 2));
    EXPECT_EQ(window->temperatureMaxField->text(), "158.0@" + graphstats::formatDateTime(T0));
    EXPECT_EQ(window->temperatureMinField->text(), "-40.0@" + graphstats::formatDateTime(T0 + 60 / 86400.0));
    ASSERT_TRUE(showDataSet(*window, store, 3));
    EXPECT_EQ(window->temperatureMaxField->text(), "OL");
    EXPECT_EQ(window->temperatureMinField->text(), "-OL");
    ASSERT_TRUE(showDataSet(*window, store, 4));
    EXPECT_EQ(window->temperatureMaxField->text(), "OL");
    EXPECT_EQ(window->temperatureMinField->text(), "-OL");
}

TEST_F(DataSetViews, EmptySetsAndSetsTheStoreDoesNotHold) {
    prepareDataLoggerWindow(*window, store, T0);
    addSet(store, makeSet(T0, 60, 3));
    // Outside the store, or a header claiming more records than the arrays hold: nothing changes.
    store.sets.push_back(makeSet(T0, 60, 100));
    for (int k : {-1, 1, 2})
        EXPECT_FALSE(showDataSet(*window, store, k));
    EXPECT_EQ(window->chart->Points(), 500);

    // A set of no records: an empty chart over start..start.
    store.sets.back() = makeSet(T0 + 0.25, 2, 0);
    ASSERT_TRUE(showDataSet(*window, store, 1));
    EXPECT_EQ(window->chart->Points(), 0);
    EXPECT_DOUBLE_EQ(window->chart->ManualMinX(), T0 + 0.25);
    EXPECT_DOUBLE_EQ(window->chart->ManualMaxX(), T0 + 0.25);
    EXPECT_EQ(window->sampleCountField->text(), "0");
    EXPECT_EQ(window->secondsBox->currentText(), "02");
}

TEST_F(DataSetViews, PaneIsInstalledOnce) {
    DataSetPane* pane = installDataSetPane(*window, store);
    EXPECT_EQ(window->dataSetPane(), pane);
    EXPECT_EQ(dataSetPaneOf(*window), pane);
    EXPECT_FALSE(pane->isHidden());
    EXPECT_EQ(installDataSetPane(*window, store), pane);
    EXPECT_EQ(dataSetPaneOf(GraphWindow(prompter, shared)), nullptr);
}

} // namespace test_data_set_pane
