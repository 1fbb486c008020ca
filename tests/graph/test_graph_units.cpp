// View > Show Units in a graph window: Y axis titles and the units beside and in the tips of the
// MAX/MIN/AVG fields.
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "support/scripted_prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcustomplot.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_graph_units {

constexpr double kStart = 46234.5;

class GraphUnitsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setGraphProgramDirectory(dir.path());
        w = std::make_unique<GraphWindow>(prompter, shared);
        w->configureGraph(3, 10, kStart, kStart + 0.01, 0, 10000, -50, 100);
        w->show();
    }
    void TearDown() override {
        w.reset();
        setGraphProgramDirectory(QString());
    }
    QString drawnTitle(int axis) {
        w->chart->setPEactions(pe::sgResetImage);
        return w->chart->customPlot()->axisRect(axis)->axis(QCPAxis::atLeft)->label();
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    GraphShared shared;
    std::unique_ptr<GraphWindow> w;
};

TEST_F(GraphUnitsTest, OffByDefaultTheAxesStayUntitledAndTheTipsStillNameTheUnit) {
    EXPECT_EQ(drawnTitle(0), "");
    EXPECT_EQ(drawnTitle(1), "");
    for (QLabel* l : w->unitLabels)
        EXPECT_TRUE(l->isHidden());
    EXPECT_EQ(w->ppmMaxField->toolTip(), "ppm MAX (ppm)");
    EXPECT_EQ(w->humidityMinField->toolTip(), "RH MIN (%RH)");
    EXPECT_EQ(w->temperatureAvgField->toolTip(), "T1 AVG (°C)");
    w->setTemperatureFahrenheit(true);
    EXPECT_EQ(w->temperatureMaxField->toolTip(), "T1 MAX (°F)");
    EXPECT_EQ(drawnTitle(1), "");
}

TEST_F(GraphUnitsTest, ShownTheAxesAndRowsCarryTheUnitsOfTheirChannels) {
    shared.showUnits = true;
    w->applyUnits();
    EXPECT_EQ(drawnTitle(0), "ppm");
    EXPECT_EQ(drawnTitle(1), "%RH, °C");
    EXPECT_EQ(w->unitLabels[0]->text(), "ppm");
    EXPECT_EQ(w->unitLabels[1]->text(), "%RH");
    EXPECT_EQ(w->unitLabels[2]->text(), "°C");
    for (QLabel* l : w->unitLabels)
        EXPECT_FALSE(l->isHidden());

    w->setTemperatureFahrenheit(true);
    EXPECT_EQ(drawnTitle(1), "%RH, °F");
    EXPECT_EQ(w->unitLabels[2]->text(), "°F");

    // One Y axis for all channels: one title with every unit.
    w->splitAxesBox->setChecked(false);
    EXPECT_EQ(drawnTitle(0), "ppm, %RH, °F");

    // A label of the user's own (Graph Option) wins over the unit title.
    w->chart->setWorkingAxis(0);
    w->chart->setYAxisLabel("CO2");
    EXPECT_EQ(drawnTitle(0), "CO2");
    w->chart->setYAxisLabel("");

    // The titles are the view's only: the stored chart keeps its empty labels.
    ChartWidget stored(prompter);
    ASSERT_TRUE(stored.loadState(w->chart->storeState()));
    EXPECT_EQ(stored.model().yAxisAt(0).label, "");

    shared.showUnits = false;
    w->applyUnits();
    EXPECT_EQ(drawnTitle(0), "");
    for (QLabel* l : w->unitLabels)
        EXPECT_TRUE(l->isHidden());
}

} // namespace test_graph_units
