#include "logger/table_model.h"
#include "logger/table_to_graph.h"
#include "logger/table_window.h"
#include "platform/clock.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <gtest/gtest.h>

#include <memory>
#include <string>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_table {

// Cells in a fixed test notation: "yyyy-MM-dd HH:mm:ss" and decimal points.
TableParsers testParsers() {
    return TableParsers{
        [](std::string_view text) -> std::optional<double> {
            const QDateTime dt = QDateTime::fromString(
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), "yyyy-MM-dd HH:mm:ss");
            if (!dt.isValid())
                return std::nullopt;
            return toDateTimeValue(dt);
        },
        [](std::string_view text) -> std::optional<double> {
            bool ok = false;
            const double v =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toDouble(&ok);
            return ok ? std::optional(v) : std::nullopt;
        },
    };
}

double at(const char* text) {
    return toDateTimeValue(QDateTime::fromString(QString::fromLatin1(text), "yyyy-MM-dd HH:mm:ss"));
}

TEST(TableModel, NewTableShowsHeadersAndOneEmptyRow) {
    TableModel m;
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.columnCount(), 8);
    EXPECT_EQ(m.gridRowCount(), 2);
    EXPECT_EQ(m.filledRows(), 0);
    const QStringList headers{"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(m.cellText(c, 0), headers[c]);
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), headers[c]);
        EXPECT_EQ(m.cellText(c, 1), "");
    }
    EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsSelectable);
    EXPECT_TRUE(m.flags(m.index(0, 1)) & Qt::ItemIsSelectable);
}

TEST(TableModel, MeasurementHeadersTellTheirUnitsInTheirTips) {
    TableModel model;
    const auto tip = [&](int c) { return model.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(); };
    EXPECT_EQ(tip(3), "CO2 concentration (ppm)");
    EXPECT_EQ(tip(4), "Relative humidity (%RH)");
    EXPECT_EQ(tip(5), "Temperature (°C or °F, as the meter recorded it)");
    EXPECT_EQ(tip(1), "");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
              "ppm"); // the header itself stays
}

TEST(TableModel, RowsKeepTheirFieldsExactly) {
    TableModel m;
    const std::string big(70000, 'q'); // lengths beyond one and two length bytes
    const std::string mid(200, 'm');
    m.appendRow(QStringList{"a", "", "c"});
    const std::string_view fields[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    m.appendRow(fields);
    m.appendRow(std::vector<std::string_view>{big, mid, " OL", "\xB0"});
    m.appendRow(std::vector<std::string_view>{});
    ASSERT_EQ(m.filledRows(), 4);
    EXPECT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.cellText(0, 1), "1");
    EXPECT_EQ(m.cellText(0, 4), "4");
    EXPECT_EQ(m.field(1, 1), "a");
    EXPECT_EQ(m.field(1, 2), "");
    EXPECT_EQ(m.field(1, 3), "c");
    EXPECT_EQ(m.field(1, 4), "");
    EXPECT_EQ(m.field(2, 7), "7");
    EXPECT_EQ(m.field(3, 1), big);
    EXPECT_EQ(m.field(3, 2), mid);
    EXPECT_EQ(m.field(3, 3), " OL");
    EXPECT_EQ(m.field(3, 4), "\xB0"); // kept as read, not as displayed
    EXPECT_EQ(m.field(4, 1), "");
    // Out of range asks give empty text, never a read past the rows.
    EXPECT_EQ(m.field(0, 1), "");
    EXPECT_EQ(m.field(5, 1), "");
    EXPECT_EQ(m.field(1, 8), "");
    EXPECT_EQ(m.cellText(3, 99), "");
    EXPECT_EQ(m.data(m.index(1, 2)).toString(), "2");
    const auto row3 = m.fields(3);
    EXPECT_EQ(row3[0], big);
    EXPECT_EQ(row3[2], " OL");
    EXPECT_EQ(row3[6], "");
    EXPECT_EQ(m.fields(9)[0], "");
}

TEST(TableModel, ViewsAreToldPerRowOrOnceForAFill) {
    TableModel m;
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.appendRow(QStringList{"x", "y"}); // fills the empty row
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 1);
    m.appendRow(QStringList{"x", "y"});
    EXPECT_EQ(inserted.count(), 1);

    m.beginFill();
    for (int i = 0; i < 1000; ++i)
        m.appendRow(QStringList{"x", "y"});
    m.endFill();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(m.rowCount(), 1002);
    m.clear();
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.filledRows(), 0);
}

TEST(TableModel, AMillionRowsStayCompact) {
    TableWindow list;
    TableModel& m = list.model();
    const std::string_view row[] = {"7/31/26", "2:05:09 PM", "450.0", "45.2", "23.4"};
    list.beginFill();
    for (int i = 0; i < 1'000'000; ++i)
        m.appendRow(row);
    list.endFill();
    EXPECT_EQ(list.tableView->model()->rowCount(), 1'000'000);
    EXPECT_EQ(m.cellText(0, 1'000'000), "1000000");
    // 35 bytes of text, 7 length bytes and an 8-byte row start.
    EXPECT_LE(m.memoryUsed(), 1'000'000u * 52);
}

TEST(TableWindow, GridLooksAsTheTableWindowShould) {
    TableWindow list;
    EXPECT_EQ(list.tableView->model()->columnCount(), 8);
    EXPECT_EQ(list.tableView->model()->headerData(0, Qt::Horizontal).toString(), "No");
    EXPECT_EQ(list.tableView->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_EQ(list.tableView->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(list.tableView->horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
    EXPECT_EQ(list.tableView->selectionMode(), QAbstractItemView::ContiguousSelection);
    EXPECT_TRUE(list.tableView->showGrid());
    EXPECT_TRUE(list.testAttribute(Qt::WA_DeleteOnClose));
}

TEST(TableToGraph, ConvertsRowsAndReadsMarkers) {
    TableModel m;
    m.appendRow(QStringList{"2026-07-31", "14:05:09", "412.0", "45.2", "23.4"});
    m.appendRow(QStringList{"2026-07-31", "14:05:10", " OL", " -OL", "abc"});
    m.appendRow(QStringList{"2026-07-31", "14:05:11", "", "-OL", " -OL"});
    std::vector<qsizetype> reached;
    const TableGraphData d = tableToGraph(m, testParsers(), [&](qsizetype r) { reached.push_back(r); });
    ASSERT_EQ(d.outcome, TableGraphData::Converted);
    EXPECT_EQ(d.firstTime, at("2026-07-31 14:05:09"));
    EXPECT_EQ(d.lastTime, at("2026-07-31 14:05:11"));
    EXPECT_EQ(d.x, (std::vector<double>{at("2026-07-31 14:05:09"), at("2026-07-31 14:05:10"), d.lastTime}));
    EXPECT_EQ(d.y[0], (std::vector<float>{412.0f, TableNullValue, TableNullValue}));
    EXPECT_EQ(d.y[1], (std::vector<float>{45.2f, UnderRangeValue, TableNullValue})); // only " -OL" counts
    EXPECT_EQ(d.y[2], (std::vector<float>{23.4f, TableNullValue, UnderRangeValue}));
    EXPECT_TRUE(d.skippedRows.empty());
    EXPECT_EQ(reached, std::vector<qsizetype>{3});
}

TEST(TableToGraph, EmptyTableAndUnreadableEnds) {
    TableModel m;
    TableGraphData d = tableToGraph(m, testParsers());
    EXPECT_EQ(d.outcome, TableGraphData::NoData);
    EXPECT_EQ(d.message, "No data to graph !");

    m.appendRow(QStringList{"", "14:05:09", "1"});
    EXPECT_EQ(tableToGraph(m, testParsers()).outcome, TableGraphData::NoData);

    TableModel badFirst;
    badFirst.appendRow(QStringList{"31/07/2026", "14:05:09", "1"});
    badFirst.appendRow(QStringList{"2026-07-31", "14:05:10", "1"});
    d = tableToGraph(badFirst, testParsers());
    EXPECT_EQ(d.outcome, TableGraphData::BadFirstOrLast);
    EXPECT_EQ(d.message, "'31/07/2026 14:05:09' is not a valid date and time");
    EXPECT_TRUE(d.x.empty());

    TableModel badLast;
    badLast.appendRow(QStringList{"2026-07-31", "14:05:09", "1"});
    badLast.appendRow(QStringList{"2026-07-31", "", "1"});
    d = tableToGraph(badLast, testParsers());
    EXPECT_EQ(d.outcome, TableGraphData::BadFirstOrLast);
    EXPECT_EQ(d.message, "'2026-07-31 ' is not a valid date and time");
}

TEST(TableToGraph, UnreadableRowsInBetweenAreSkipped) {
    TableModel m;
    m.appendRow(QStringList{"2026-07-31", "14:05:09", "400", "40", "20"});
    m.appendRow(QStringList{"garbage", "", "401", "41", "21"});
    m.appendRow(QStringList{"2026-07-31", "14:05:11", "402", "42", "22"});
    m.appendRow(QStringList{"2026-07-31", "25:00:00", "403", "43", "23"});
    m.appendRow(QStringList{"2026-07-31", "14:05:13", "404", "44", "24"});
    const TableGraphData d = tableToGraph(m, testParsers());
    ASSERT_EQ(d.outcome, TableGraphData::Converted);
    EXPECT_EQ(d.skippedRows, (std::vector<qsizetype>{2, 4}));
    ASSERT_EQ(d.x.size(), 5u);
    // Skipped points keep the time before them and draw nothing.
    EXPECT_EQ(d.x[1], d.x[0]);
    EXPECT_EQ(d.x[3], d.x[2]);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(d.y[s][1], TableNullValue);
        EXPECT_EQ(d.y[s][3], TableNullValue);
    }
    EXPECT_EQ(d.y[0][4], 404.0f);
    EXPECT_TRUE(std::is_sorted(d.x.begin(), d.x.end()));
}

} // namespace test_table
