// "Output Tabular to graph": a table window's rows into a new graph window.
#include "chart/chart_widget.h"
#include "files/locale_formats.h"
#include "files/output_to_graph.h"
#include "files/range_progress_dialog.h"
#include "graph/graph_window.h"
#include "logger/table_to_graph.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_output_to_graph {

const double T0 = toDateTimeValue(QDateTime(QDate(2026, 7, 31), QTime(14, 5, 9)));

class OutputToGraph : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path());
    }
    void TearDown() override {
        for (const QPointer<GraphWindow>& w : windows)
            delete w.data();
        delete table.data();
        setGraphProgramDirectory(QString());
    }
    GraphWindowFactory factory() {
        return [this](const QString& caption) {
            auto* w = new GraphWindow(prompter, shared);
            w->setWindowTitle(caption);
            windows << w;
            return w;
        };
    }
    // A table window titled like a file, one row per list of fields.
    TableWindow* makeTable(const QList<QStringList>& rows) {
        table = new TableWindow;
        table->setWindowTitle(QStringLiteral("/data/readings.txt"));
        for (const QStringList& r : rows)
            table->model().appendRow(r);
        return table;
    }
    // Date and time cells of a moment `seconds` after T0 in the user's locale.
    static QStringList at(int seconds, const QStringList& values) {
        const LocaleFormats f;
        const double t = T0 + seconds / 86400.0;
        return QStringList{f.formatDate(t), f.formatTime(t)} + values;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    ManualClock clock;
    QPointer<TableWindow> table;
    QList<QPointer<GraphWindow>> windows;
};

TEST_F(OutputToGraph, EmptyTableMakesNoGraph) {
    makeTable({});
    EXPECT_EQ(outputTabularToGraph(*table, factory(), prompter, clock), nullptr);
    EXPECT_EQ(prompter.shown, QStringList{"No data to graph !"});
    EXPECT_TRUE(windows.isEmpty());
}

TEST_F(OutputToGraph, RowsBecomePointsInEachLocale) {
    for (const char* locale : {"en_US", "de_DE"}) {
        SCOPED_TRACE(locale);
        LocaleGuard guard(locale);
        const QLocale loc;
        prompter.shown.clear();
        makeTable({
            at(0, {loc.toString(450.5, 'f', 1), loc.toString(45.2, 'f', 1), loc.toString(-3.5, 'f', 1)}),
            at(10, {" OL", " -OL", "abc"}),
            QStringList{"not a date", "12:00:00", "1", "2", "3"},
            at(30, {"500", "50", "20"}),
        });
        // Look at the progress dialog while it shows.
        QString caption, status;
        bool cancelShown = true;
        int maximum = -1;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* scope = qobject_cast<RangeProgressDialog*>(w); scope && scope->isVisible()) {
                    caption = scope->windowTitle();
                    status = scope->bytesReceivedCaption->text();
                    cancelShown = scope->cancelButton->isVisible();
                    maximum = scope->progressBar->maximum();
                }
            }
        });

        GraphWindow* w = outputTabularToGraph(*table, factory(), prompter, clock);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(prompter.shown.isEmpty());
        EXPECT_EQ(caption, "Graphing Progress");
        EXPECT_EQ(status, "graphing.....");
        EXPECT_FALSE(cancelShown);
        EXPECT_EQ(maximum, 4);
        for (QWidget* top : QApplication::topLevelWidgets())
            EXPECT_FALSE(qobject_cast<RangeProgressDialog*>(top) && top->isVisible());

        EXPECT_EQ(w->windowTitle(), "/data/readings.txt");
        ChartWidget& c = *w->chart;
        ASSERT_EQ(c.Subsets(), 3);
        ASSERT_EQ(c.Points(), 4);
        EXPECT_NEAR(c.ManualMinX(), T0, 1e-9);
        EXPECT_NEAR(c.ManualMaxX(), T0 + 30 / 86400.0, 1e-9);
        for (int s = 0; s < 3; ++s) {
            EXPECT_NEAR(c.XDataII(s, 0), T0, 1e-9);
            EXPECT_NEAR(c.XDataII(s, 3), T0 + 30 / 86400.0, 1e-9);
        }
        EXPECT_FLOAT_EQ(c.YData(0, 0), 450.5f);
        EXPECT_FLOAT_EQ(c.YData(1, 0), 45.2f);
        EXPECT_FLOAT_EQ(c.YData(2, 0), -3.5f);
        // " OL" and letters are not drawn; " -OL" lies far below.
        EXPECT_FLOAT_EQ(c.YData(0, 1), TableNullValue);
        EXPECT_FLOAT_EQ(c.YData(1, 1), UnderRangeValue);
        EXPECT_FLOAT_EQ(c.YData(2, 1), TableNullValue);
        // The unreadable row is skipped: nothing drawn there.
        for (int s = 0; s < 3; ++s)
            EXPECT_FLOAT_EQ(c.YData(s, 2), TableNullValue);
        EXPECT_FLOAT_EQ(c.YData(0, 3), 500.0f);
        // Statistics and tools of a split chart.
        EXPECT_EQ(w->sampleCountField->text(), "4");
        EXPECT_FALSE(w->ppmMaxField->text().isEmpty());
        EXPECT_FALSE(w->crossButton->isEnabled());
        EXPECT_FALSE(w->isHidden());
        // The table is left as it was.
        EXPECT_EQ(table->model().filledRows(), 4);
        delete table.data();
    }
}

// A text table carries no unit, but a Celsius table cannot hold a temperature above 70 (its text
// says " OL" there): a table that does is in degrees Fahrenheit, and its graph reads it so.
TEST_F(OutputToGraph, TemperaturesAboveTheCelsiusRangeAreFahrenheit) {
    LocaleGuard guard("en_US");
    makeTable(
        {at(0, {"450", "45.0", "80.0"}), at(10, {"460", "46.0", "83.8"}), at(20, {"470", "47.0", "75.5"})});
    GraphWindow* f = outputTabularToGraph(*table, factory(), prompter, clock);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->temperatureFahrenheit());
    EXPECT_TRUE(f->temperatureMaxField->text().startsWith("83.8@"));
    EXPECT_TRUE(f->temperatureMinField->text().startsWith("75.5@"));
    delete table.data();

    makeTable(
        {at(0, {"450", "45.0", "20.5"}), at(10, {"460", "46.0", "70.0"}), at(20, {"470", "47.0", "25.0"})});
    GraphWindow* c = outputTabularToGraph(*table, factory(), prompter, clock);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->temperatureFahrenheit());
    EXPECT_TRUE(c->temperatureMaxField->text().startsWith("70.0@"));
}

TEST_F(OutputToGraph, UnreadableFirstOrLastRowStopsWithTheReason) {
    makeTable({at(0, {"1", "2", "3"}), QStringList{"31/31/2026", "25:00:00", "4", "5", "6"}});
    GraphWindow* w = outputTabularToGraph(*table, factory(), prompter, clock);
    ASSERT_NE(w, nullptr); // the new window stays, unprepared
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0], "'31/31/2026 25:00:00' is not a valid date and time");
    EXPECT_EQ(w->chart->Points(), GraphWindow(prompter, shared).chart->Points());

    prompter.shown.clear();
    delete table.data();
    makeTable({QStringList{"x", "y", "1", "2", "3"}, at(5, {"1", "2", "3"})});
    ASSERT_NE(outputTabularToGraph(*table, factory(), prompter, clock), nullptr);
    EXPECT_EQ(prompter.shown, QStringList{"'x y' is not a valid date and time"});
}

TEST_F(OutputToGraph, TableDestroyedWhileGraphingStopsReadingIt) {
    makeTable({at(0, {"1", "2", "3"}), at(1, {"4", "5", "6"}), at(2, {"7", "8", "9"})});
    QTimer::singleShot(0, [this] { delete table.data(); });
    GraphWindow* w = outputTabularToGraph(*table, factory(), prompter, clock);
    EXPECT_TRUE(table.isNull());
    ASSERT_NE(w, nullptr);
    // Prepared, but nothing of the table went in.
    EXPECT_EQ(w->chart->Points(), 3);
    EXPECT_FLOAT_EQ(w->chart->YData(0, 0), TableNullValue);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(OutputToGraph, ToolButtonActsOnTableWindowsOnly) {
    makeTable({at(0, {"1", "2", "3"})});
    GraphWindow other(prompter, shared);
    EXPECT_EQ(onOutputToGraphClicked(&other, factory(), prompter, clock), nullptr);
    EXPECT_EQ(onOutputToGraphClicked(nullptr, factory(), prompter, clock), nullptr);
    EXPECT_TRUE(windows.isEmpty());

    QMdiArea area;
    QMdiSubWindow* sub = area.addSubWindow(table);
    GraphWindow* w = onOutputToGraphClicked(sub, factory(), prompter, clock);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->chart->Points(), 1);
    EXPECT_FLOAT_EQ(w->chart->YData(2, 0), 3.0f);
}

} // namespace test_output_to_graph
