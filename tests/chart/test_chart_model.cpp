// The chart's plain model and its stored state.
#include "chart/chart_model.h"
#include "chart/chart_state.h"

#include "platform/clock.h"

#include <array>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_chart_model {

constexpr double kNull = 99999.0;

ChartModel filledModel(int subsets, int points) {
    ChartModel m;
    m.setSubsets(subsets);
    m.setPoints(points);
    for (int s = 0; s < subsets; ++s) {
        for (int p = 0; p < points; ++p) {
            m.setX(s, p, 45000.0 + p / 1440.0);
            m.setY(s, p, s * 100.0 + p);
        }
    }
    return m;
}

// A model with something in every part of it, to prove the stored state carries everything.
ChartModel richModel() {
    ChartModel m = filledModel(3, 6);
    m.setY(1, 2, kNull);
    m.setSubsetLabel(0, QStringLiteral("ppm"));
    m.setSubsetLabel(1, QStringLiteral("%RH"));
    m.setSubsetLabel(2, QStringLiteral("Temp."));
    m.setSubsetColor(0, peRgb(255, 255, 0));
    m.setSubsetColor(2, peRgb(255, 0, 0));
    m.setRandomSubset(0, 2);
    m.setRandomSubset(1, 0);
    m.setMultiAxesSubsets(0, 1);
    m.setMultiAxesSubsets(1, 2);
    m.setMultiAxesProportion(0, 0.5);
    m.setMultiAxesProportion(1, 0.5);
    m.yAxis(0) = {QString(), pe::sgManualMinAndMax, 0.0, 10000.0};
    m.yAxis(1) = {QStringLiteral("RH / Temp"), pe::sgManualMinAndMax, -49.7, 100.0};
    m.setWorkingAxis(1);
    m.xScaleControl = pe::sgManualMinAndMax;
    m.manualMinX = 45000.0;
    m.manualMaxX = 45000.01;
    *m.annotation(4) = {pe::sgCrossMark, 45000.002, 812.5, QStringLiteral("12:00:00\r812.5"), peRgb(1, 2, 3)};
    *m.annotation(5) = {pe::sgNoSymbol, 45000.003, 900.0, QStringLiteral("note \u00e9"), 0x81FFFFFFu};
    m.vertLine(0)->color = peRgb(0, 0, 255);
    *m.vertLine(1) = {45000.004, QStringLiteral("B"), peRgb(255, 0, 0)};
    m.table.resize(15, 2);
    m.table.text[0] = QStringLiteral("Start Time:");
    m.table.colors[1] = peRgb(255, 0, 0);
    m.table.backColor = 0x81FFFFFFu;
    m.table.location = 16;
    m.table.x = 550;
    m.table.y = 50;
    m.table.moveable = pe::sgTAMoveableNoHotSpots;
    m.table.border = pe::sgInset;
    m.table.textSize = 80;
    m.table.show = true;
    m.table.dragX = -7;
    m.look.mainTitle = QStringLiteral("Main");
    m.look.subTitle = QStringLiteral(" ");
    m.look.xAxisLabel = QStringLiteral("Time");
    m.look.gridStyle = pe::sgDot;
    m.look.allowAxisPage = false;
    m.look.allowZooming = pe::sgHorzPlusVertZooming;
    m.look.dateTimeMode = pe::sgVBDateTime;
    m.look.allowGraphAnnotHotSpots = true;
    m.zoomStack.push_back({45000.001, 45000.002, {{100.0, 200.0}, {-10.0, 10.0}}});
    m.limitLines = {{0, 2000.0}, {0, 1000.0}, {2, 26.5}, {1, -0.25}};
    return m;
}

// CRC-32 (IEEE), to forge blocks whose checksum is right but whose content lies.
quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

void putU32(QByteArray& bytes, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Re-seals a block after its payload was edited: length and checksum made to match again.
QByteArray resealed(QByteArray block) {
    const QByteArray payload = block.mid(20);
    putU32(block, 12, quint32(payload.size()));
    putU32(block, 16, crc32(payload));
    return block;
}

TEST(ChartModelData, CountChangesKeepRemainingValues) {
    ChartModel m = filledModel(3, 5);
    ASSERT_TRUE(m.setPoints(8));
    EXPECT_EQ(m.points(), 8);
    for (int s = 0; s < 3; ++s) {
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(m.y(s, p), s * 100.0 + p);
        EXPECT_EQ(m.x(s, 7), 0.0);
        EXPECT_EQ(m.y(s, 7), kNull);
    }
    ASSERT_TRUE(m.setPoints(2));
    EXPECT_EQ(m.y(2, 1), 201.0);
    EXPECT_EQ(m.x(2, 1), 45000.0 + 1 / 1440.0);
    ASSERT_TRUE(m.setSubsets(2));
    ASSERT_TRUE(m.setSubsets(4));
    EXPECT_EQ(m.y(1, 1), 101.0);
    EXPECT_EQ(m.y(2, 1), kNull); // subset 2 was dropped, then came back empty
    EXPECT_EQ(m.y(3, 0), kNull);
}

TEST(ChartModelData, RefusesCountsThatDoNotFit) {
    ChartModel m = filledModel(3, 4);
    EXPECT_FALSE(m.setPoints(-1));
    EXPECT_FALSE(m.setPoints(int(ChartModel::kMaxCells)));
    EXPECT_FALSE(m.setSubsets(ChartModel::kMaxSubsets + 1));
    EXPECT_EQ(m.points(), 4);
    EXPECT_EQ(m.subsets(), 3);
    EXPECT_EQ(m.y(2, 3), 203.0);
}

TEST(ChartModelData, BulkWritesArePointAfterPoint) {
    ChartModel m;
    m.setSubsets(3);
    m.setPoints(4);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int i = 0; i < 12; ++i) {
        xs.push_back(1000.0 + i);
        ys.push_back(float(i) + 0.5f);
    }
    m.setXArray(xs);
    m.setYArray(std::span<const float>(ys));
    for (int p = 0; p < 4; ++p) {
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(m.x(s, p), 1000.0 + 3 * p + s);
            EXPECT_EQ(m.y(s, p), double(3 * p + s) + 0.5);
        }
    }
    // A short array writes what it reaches; a long one stops at the last cell.
    const std::array<double, 4> shortArray{-1, -2, -3, -4};
    m.setYArray(shortArray);
    EXPECT_EQ(m.y(0, 1), -4.0);
    EXPECT_EQ(m.y(1, 1), 4.5);
    std::vector<double> longArray(100, 7.0);
    m.setXArray(longArray);
    EXPECT_EQ(m.x(2, 3), 7.0);
}

TEST(ChartModelData, CellWritesForAllAndOutOfRange) {
    ChartModel m = filledModel(3, 4);
    m.setY(1, 4, 5.0);  // one past the last point
    m.setY(3, 0, 5.0);  // no such subset
    m.setX(0, -1, 5.0); // negative point
    EXPECT_EQ(m, filledModel(3, 4));
    m.setX(-1, 0, 0.0);
    m.setY(-1, 0, kNull);
    for (int s = 0; s < 3; ++s) {
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(m.x(s, p), 0.0);
            EXPECT_TRUE(m.isNull(m.y(s, p)));
        }
    }
}

TEST(ChartModelLayout, SubsetsToDrawAndStackedAxes) {
    ChartModel m = filledModel(3, 2);
    EXPECT_EQ(m.drawnSubsets(), (std::vector<int>{0, 1, 2}));
    m.setRandomSubset(-1, 0);
    EXPECT_TRUE(m.drawnSubsets().empty()); // emptied list: nothing drawn
    m.setRandomSubset(0, 0);
    m.setRandomSubset(1, 2);
    EXPECT_EQ(m.drawnSubsets(), (std::vector<int>{0, 2}));

    EXPECT_EQ(m.axisCount(), 1);
    EXPECT_DOUBLE_EQ(m.multiAxesProportion(0), 1.0);
    m.setMultiAxesSubsets(0, 1);
    m.setMultiAxesSubsets(1, 2);
    EXPECT_EQ(m.axisCount(), 2);
    EXPECT_EQ(m.axisOfSubset(0), 0);
    EXPECT_EQ(m.axisOfSubset(1), 1);
    EXPECT_EQ(m.axisOfSubset(2), 1);
    EXPECT_DOUBLE_EQ(m.multiAxesProportion(1), 0.5);
    m.setMultiAxesSubsets(-1, 0);
    m.setMultiAxesProportion(0, 1.0);
    EXPECT_EQ(m.axisCount(), 1);
    EXPECT_EQ(m.axisOfSubset(2), 0);
    EXPECT_DOUBLE_EQ(m.multiAxesProportion(0), 1.0);
}

TEST(ChartModelLayout, ColoursAndDateTimes) {
    EXPECT_EQ(colorFromPe(peRgb(255, 0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(colorFromPe(0x00FF0000u), QColor(0, 0, 255));
    EXPECT_EQ(colorFromPe(0xFF00FF00u).alpha(), 255); // opacity 255 and 0 are both opaque
    EXPECT_EQ(colorFromPe(0x81FFFFFFu), QColor(255, 255, 255, 129));
    EXPECT_EQ(peFromColor(QColor(255, 255, 255, 129)), 0x81FFFFFFu);
    EXPECT_EQ(peFromColor(QColor(0, 128, 0)), peRgb(0, 128, 0));
    EXPECT_DOUBLE_EQ(daysToAxisSeconds(25569.0), 0.0);
    EXPECT_DOUBLE_EQ(daysToAxisSeconds(25570.5), 1.5 * 86400);
    EXPECT_DOUBLE_EQ(axisSecondsToDays(daysToAxisSeconds(45123.25)), 45123.25);
}

TEST(ChartStateFormat, RoundTripKeepsEverything) {
    const ChartModel original = richModel();
    const QByteArray block = ChartState::store(original);
    EXPECT_TRUE(block.startsWith("QZ407CHT"));
    ChartModel restored;
    QString error;
    ASSERT_TRUE(ChartState::restore(block, restored, error)) << error.toStdString();
    EXPECT_EQ(restored, original);
    EXPECT_EQ(ChartState::store(restored), block);

    ChartModel empty;
    ASSERT_TRUE(ChartState::restore(ChartState::store(empty), restored, error));
    EXPECT_EQ(restored, empty);
}

TEST(ChartStateFormat, RefusesEveryTruncationAndByteFlip) {
    const QByteArray block = ChartState::store(richModel());
    const ChartModel sentinel = filledModel(2, 3);
    for (qsizetype n = 0; n < block.size(); ++n) {
        ChartModel target = sentinel;
        QString error;
        ASSERT_FALSE(ChartState::restore(block.left(n), target, error)) << "prefix " << n;
        EXPECT_FALSE(error.isEmpty());
        ASSERT_EQ(target, sentinel);
    }
    for (qsizetype i = 0; i < block.size(); ++i) {
        QByteArray bad = block;
        bad[i] = char(bad[i] ^ 0x5A);
        ChartModel target = sentinel;
        QString error;
        ASSERT_FALSE(ChartState::restore(bad, target, error)) << "byte " << i;
        ASSERT_EQ(target, sentinel);
    }
}

// X values are dates: NaN, the infinities and values beyond the years 1 to 9999 are refused
// wherever an X value is kept (data, X scale, annotations, lines, zoom); annotation Y values must
// be finite. The limits hold for restore exactly as for the model.
TEST(ChartStateFormat, RefusesXValuesThatAreNoDates) {
    const double bads[] = {std::nan(""), HUGE_VAL,          -HUGE_VAL,
                           1e300,        kEndDateTimeValue, kFirstDateTimeValue - 1};
    const std::pair<std::function<void(ChartModel&, double)>, const char*> places[] = {
        {[](ChartModel& m, double v) { m.setX(1, 2, v); }, "an X value is not a date"},
        {[](ChartModel& m, double v) { m.manualMinX = v; }, "X minimum is not a date"},
        {[](ChartModel& m, double v) { m.manualMaxX = v; }, "X maximum is not a date"},
        {[](ChartModel& m, double v) { m.annotation(0)->x = v; }, "annotation X is not a date"},
        {[](ChartModel& m, double v) { m.vertLine(0)->x = v; }, "line annotation X is not a date"},
        {[](ChartModel& m, double v) {
             m.zoomStack.push_back({v, 45000.0, {}});
         },
         "zoom X minimum is not a date"},
    };
    for (const auto& [place, expected] : places) {
        for (double bad : bads) {
            ChartModel m = filledModel(3, 4);
            place(m, bad);
            ChartModel target = filledModel(1, 1);
            QString error;
            EXPECT_FALSE(ChartState::restore(ChartState::store(m), target, error)) << expected << " " << bad;
            EXPECT_TRUE(error.contains(QLatin1String(expected))) << error.toStdString();
            EXPECT_EQ(target, filledModel(1, 1));
        }
    }
    ChartModel m = filledModel(3, 4);
    m.annotation(0)->y = std::nan("");
    ChartModel target;
    QString error;
    EXPECT_FALSE(ChartState::restore(ChartState::store(m), target, error));
    EXPECT_TRUE(error.contains("annotation Y is not a finite number")) << error.toStdString();

    // The first and last dates themselves are fine.
    m = filledModel(3, 4);
    m.setX(0, 0, kFirstDateTimeValue);
    m.setX(2, 3, std::nextafter(kEndDateTimeValue, 0.0));
    EXPECT_TRUE(ChartState::restore(ChartState::store(m), target, error)) << error.toStdString();
}

TEST(ChartStateFormat, LimitsOfTheModelAreTheLimitsOfRestore) {
    ChartModel m;
    EXPECT_TRUE(m.setSubsets(ChartModel::kMaxSubsets));
    EXPECT_FALSE(m.setSubsets(ChartModel::kMaxSubsets + 1));
    EXPECT_EQ(m.annotation(ChartModel::kMaxAnnotations), nullptr);
    EXPECT_EQ(m.vertLine(ChartModel::kMaxAnnotations), nullptr);
    ASSERT_NE(m.annotation(ChartModel::kMaxAnnotations - 1), nullptr);
    ASSERT_NE(m.vertLine(ChartModel::kMaxAnnotations - 1), nullptr);
    ChartModel back;
    QString error;
    ASSERT_TRUE(ChartState::restore(ChartState::store(m), back, error)) << error.toStdString();
    EXPECT_EQ(back, m);

    // One more subset or annotation than the model can hold is refused.
    QByteArray block = ChartState::store(filledModel(3, 0));
    putU32(block, 20, ChartModel::kMaxSubsets + 1);
    EXPECT_FALSE(ChartState::restore(resealed(block), back, error));
    EXPECT_TRUE(error.contains("subset count")) << error.toStdString();
}

TEST(ChartStateFormat, RefusesWellSealedLies) {
    const QByteArray block = ChartState::store(filledModel(3, 4));
    auto refused = [](const QByteArray& bytes, const char* expected) {
        ChartModel target = filledModel(1, 1);
        QString error;
        const bool ok = ChartState::restore(bytes, target, error);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(error.contains(QLatin1String(expected))) << error.toStdString();
        EXPECT_EQ(target, filledModel(1, 1));
    };
    QByteArray bad = block;
    bad[0] = 'X';
    refused(bad, "signature");
    bad = block;
    putU32(bad, 8, 4);
    refused(bad, "version 4");
    putU32(bad, 8, 0);
    refused(bad, "version 0");
    bad = block;
    putU32(bad, 12, quint32(block.size()));
    refused(bad, "length mismatch");

    bad = block; // far more points than bytes
    putU32(bad, 20 + 4, 1000000);
    refused(resealed(bad), "truncated");
    bad = block;
    putU32(bad, 20, 0xFFFFFFFFu); // negative subset count
    refused(resealed(bad), "subset count");
    bad = block; // a subset-label count claiming more labels than bytes remain
    putU32(bad, 20 + 8 + 3 * 4 * 16, 0x00FFFFFFu);
    refused(resealed(bad), "subset labels");
    bad = block + QByteArray("junk");
    refused(resealed(bad), "unexpected bytes");
}

// Limit lines came with version 2 of the block. A version 1 block is the same payload without
// them: it restores as a chart without limit lines, and never reads a limit line list.
TEST(ChartStateFormat, VersionOneBlocksRestoreWithoutLimitLines) {
    ChartModel m = richModel();
    m.limitLines.clear();
    QByteArray block = ChartState::store(m);
    // The empty list of limit lines, then the Celsius unit, end the payload.
    ASSERT_EQ(block.right(5), QByteArray(5, '\0'));
    QByteArray v1 = block.left(block.size() - 5);
    putU32(v1, 8, 1);
    ChartModel restored = filledModel(1, 1);
    QString error;
    ASSERT_TRUE(ChartState::restore(resealed(v1), restored, error)) << error.toStdString();
    EXPECT_EQ(restored, m);
    EXPECT_EQ(ChartState::store(restored), block); // written again in the newest version

    QByteArray v1WithList = block.left(block.size() - 1); // a version 1 block knows no list
    putU32(v1WithList, 8, 1);
    EXPECT_FALSE(ChartState::restore(resealed(v1WithList), restored, error));
    EXPECT_TRUE(error.contains("unexpected bytes")) << error.toStdString();
}

// The temperature unit came with version 3, as one byte after the limit lines: a version 2 block
// restores as Celsius, a Fahrenheit chart keeps its unit, and a byte that is no yes/no is refused.
TEST(ChartStateFormat, TemperatureUnitSinceVersionThree) {
    ChartModel m = richModel();
    m.temperatureFahrenheit = true;
    const QByteArray block = ChartState::store(m);
    ASSERT_EQ(block.right(1), QByteArray(1, '\1'));
    ChartModel restored;
    QString error;
    ASSERT_TRUE(ChartState::restore(block, restored, error)) << error.toStdString();
    EXPECT_TRUE(restored.temperatureFahrenheit);
    EXPECT_EQ(restored, m);

    QByteArray v2 = block.left(block.size() - 1);
    putU32(v2, 8, 2);
    ASSERT_TRUE(ChartState::restore(resealed(v2), restored, error)) << error.toStdString();
    EXPECT_FALSE(restored.temperatureFahrenheit);

    QByteArray bad = block;
    bad[bad.size() - 1] = 2;
    EXPECT_FALSE(ChartState::restore(resealed(bad), restored, error));
    EXPECT_TRUE(error.contains("temperature unit is not a yes/no value")) << error.toStdString();
}

TEST(ChartStateFormat, RefusesLimitLinesTheModelCannotHold) {
    const auto refusedWith = [](const std::vector<LimitLine>& lines, const char* expected) {
        ChartModel m = filledModel(3, 4);
        m.limitLines = lines;
        ChartModel target = filledModel(1, 1);
        QString error;
        EXPECT_FALSE(ChartState::restore(ChartState::store(m), target, error)) << expected;
        EXPECT_TRUE(error.contains(QLatin1String(expected))) << error.toStdString();
        EXPECT_EQ(target, filledModel(1, 1));
    };
    refusedWith({{0, 1000.0}, {0, std::nan("")}}, "limit line value is not a finite number");
    refusedWith({{2, HUGE_VAL}}, "limit line value is not a finite number");
    refusedWith({{ChartModel::kMaxSubsets, 5.0}}, "limit line subset value");
    refusedWith({{-1, 5.0}}, "limit line subset value");
    refusedWith(std::vector<LimitLine>(ChartModel::kMaxLimitLines + 1, LimitLine{0, 1.0}),
                "limit lines count");

    ChartModel full = filledModel(3, 4);
    full.limitLines.assign(ChartModel::kMaxLimitLines, LimitLine{ChartModel::kMaxSubsets - 1, -1e30});
    ChartModel back;
    QString error;
    ASSERT_TRUE(ChartState::restore(ChartState::store(full), back, error)) << error.toStdString();
    EXPECT_EQ(back, full);

    // A count claiming more lines than bytes remain stops at the count.
    QByteArray block = ChartState::store(filledModel(3, 4));
    putU32(block, block.size() - 5, 3);
    EXPECT_FALSE(ChartState::restore(resealed(block), back, error));
    EXPECT_TRUE(error.contains("limit lines count 3 needs more bytes")) << error.toStdString();
}

} // namespace test_chart_model
