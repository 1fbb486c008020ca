// qz407-cli's meter commands, run as a process on the simulated meter.
#include "cli/chosen_time_clock.h"
#include "cli_process.h"
#include "link/demo_memory.h"
#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "logger/data_set_decoder.h"
#include "logger/memory_download.h"
#include "platform/clock.h"
#include "setup/setup_exchange.h"
#include "support/memory_images.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <csignal>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_cli_meter_commands {

using namespace meter_memory;

class CliMeterTest : public ::testing::Test {
  protected:
    QTemporaryDir home;
    QString path(const QString& name) const { return home.filePath(name); }
    CliResult run(const QStringList& args) const { return runCliProcess(args, home.path()); }

    // The demo memory with settings in which every field differs from its neighbours.
    QString distinctSettingsMemory() const {
        std::vector<uint8_t> m = buildDemoMemory();
        m[IntervalAt] = 0x01;
        m[IntervalAt + 1] = 0x30;
        m[FirmwareAt] = 123;
        write16(m, AltitudeAt, 3000);
        m[UnitAt] = 0;
        m[RhOffsetAt] = 0xE7;   // -2.5 %RH
        m[TempOffsetAt] = 0xA6; // -90 tenths of a degree F: -5.0 degrees C
        write16(m, PpmOffsetAt, 0xFE70);
        m[PowerOffAt] = 4;
        const QString file = path(QStringLiteral("settings.img"));
        writeAll(file, bytesOf(m));
        return file;
    }
};

TEST_F(CliMeterTest, InfoJsonCarriesEveryFieldOfTheInformationRead) {
    const QString memory = distinctSettingsMemory();
    const CliResult r =
        run({"--demo", "--demo-virtual-time", "--demo-fault", "memory=" + memory, "info", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
    const QJsonObject o = doc.object();

    ManualClock clock;
    SimulatedMeter meter(clock);
    const QByteArray imageBytes = readAll(memory);
    const std::vector<uint8_t> image(imageBytes.begin(), imageBytes.end());
    EXPECT_EQ(o.value("serialNumber").toString(), QString::fromStdString(meter.serialNumber()));
    EXPECT_EQ(o.value("dataSets").toInt(), 4);
    const uint32_t position = read24(image, PositionAt);
    EXPECT_EQ(o.value("memoryPosition").toInteger(), position);
    EXPECT_EQ(o.value("memoryAvailable").toInteger(), (LastAddress - position) / 8);
    EXPECT_EQ(o.value("interval").toString(), "01:30");
    EXPECT_DOUBLE_EQ(o.value("firmware").toDouble(), 1.23);
    EXPECT_EQ(o.value("alarm").toBool(), true);
    EXPECT_EQ(o.value("alarmHigh").toInt(), 1000);
    EXPECT_EQ(o.value("alarmLow").toInt(), 500);
    EXPECT_EQ(o.value("altitude").toInt(), 3000);
    EXPECT_EQ(o.value("unit").toString(), "C");
    EXPECT_DOUBLE_EQ(o.value("rhOffset").toDouble(), -2.5);
    EXPECT_DOUBLE_EQ(o.value("temperatureOffset").toDouble(), -5.0);
    EXPECT_EQ(o.value("ppmOffset").toInt(), -400);
    EXPECT_EQ(o.value("powerOffCode").toInt(), 4);
    EXPECT_EQ(o.value("powerOff").toString(), "2 hours");
    // The virtual clock starts at 2026-07-31 14:05:09; the probe and the read take well under a second.
    EXPECT_TRUE(o.value("meterTime").toString().startsWith("2026-07-31T14:05:")) << r.out.constData();
    EXPECT_TRUE(o.value("meterTimeText").toString().startsWith("07/31/2026   14:05:"));
    EXPECT_EQ(o.value("col2000").toInt(), 1873);
    EXPECT_EQ(o.value("col400").toInt(), 612);
    EXPECT_EQ(o.value("col0").toInt(), 147);
    EXPECT_EQ(o.size(), 21);
}

TEST_F(CliMeterTest, InfoTextShowsTheDialogsReadOutsInTheLocale) {
    const QString memory = distinctSettingsMemory();
    const CliResult r = run(
        {"--demo", "--demo-virtual-time", "--demo-fault", "memory=" + memory, "--locale", "de_DE", "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.lines();
    ASSERT_EQ(lines.size(), 18) << r.out.constData();
    auto line = [](const char* caption, const char* value) {
        return QByteArray(caption).leftJustified(24, ' ') + value;
    };
    EXPECT_EQ(lines[2], line("Recording Interval:", "01:30"));
    EXPECT_EQ(lines[3], line("Data Sets In Memory:", "4"));
    EXPECT_EQ(lines[4], line("FirmWare Version:", "1,23"));
    EXPECT_EQ(lines[5], line("SN:", "QZ4070012345"));
    EXPECT_EQ(lines[6], line("ALARM:", "ON"));
    EXPECT_EQ(lines[9], line("time to off:", "2 hours"));
    EXPECT_EQ(lines[11], line("RH offset:", "-2,5"));
    EXPECT_EQ(lines[12], line("Temp. offset:", "-5,0"));
    EXPECT_EQ(lines[13], line("ppm offset:", "-400"));
    EXPECT_EQ(lines[14], line("altitude compensation:", "3000"));
    EXPECT_EQ(lines[17], line("Col 0", "147"));
}

TEST_F(CliMeterTest, NoMeterExitsTwoAndAFailingInformationReadThree) {
    CliResult r = run({"--demo", "--demo-virtual-time", "--demo-fault", "absent", "info"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("There is no connection with meter !")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());

    // The meter stays plugged in but never acknowledges the clock: a meter error, not a lost meter.
    r = run({"--demo", "--demo-virtual-time", "--demo-fault", "refuse=t", "set-clock"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.endsWith("qz407-cli: Fail code=406\n")) << r.err.constData();
}

TEST_F(CliMeterTest, DownloadWritesTheMetersMemoryAsACollection) {
    const QString file = path("day.407");
    const CliResult r = run({"--demo", "download", "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.lines(), QList<QByteArray>{QDir::toNativeSeparators(file).toUtf8()});

    ManualClock clock;
    SimulatedMeter meter(clock);
    const std::vector<uint8_t>& memory = meter.memory();
    const uint32_t total = totalBytesFor(meter.reportedSize());
    const QByteArray bytes = readAll(file);
    ASSERT_EQ(bytes.size(), qsizetype(total));
    EXPECT_EQ(bytes, QByteArray(reinterpret_cast<const char*>(memory.data()), total));

    const QDateTime now = clock.nowDateTime();
    const DecodedDataSets expected = decodeDataSets(memory, now);
    const DecodedDataSets got = decodeDataSets(
        std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), now);
    ASSERT_EQ(got.code, DecodeOk);
    EXPECT_EQ(got.sets.size(), 4u);
    EXPECT_EQ(got.sets, expected.sets);
    EXPECT_EQ(got.sampleValues, expected.sampleValues);
    EXPECT_EQ(got.sampleTimes, expected.sampleTimes);

    // Not a terminal: one progress line at each tenth, then nothing else on standard error.
    const QList<QByteArray> progress = r.err.split('\n');
    ASSERT_EQ(progress.size(), 11) << r.err.constData();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(progress[i].startsWith("download: " + QByteArray::number((i + 1) * 10) + "% ("))
            << progress[i].constData();
    EXPECT_EQ(progress[9], "download: 100% (" + QByteArray::number(total) + " of " +
                               QByteArray::number(total) + " bytes)");
}

TEST_F(CliMeterTest, DownloadAlsoWritesEachSetAsText) {
    const QString sets = path("sets");
    const CliResult r = run({"--demo", "--demo-virtual-time", "--locale", "en_US", "download", "-o",
                             path("a.407"), "--sets", sets, "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QStringList names = QDir(sets).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"set01_20260727_101500.csv", "set02_20260728_080000.csv",
                                  "set03_20260729_073000.csv", "set04_20260730_180000.csv"}));
    EXPECT_EQ(r.lines().size(), 5);
    // Set 2 holds 500 records; its first line is that of the graph window's CSV export.
    const QByteArray set2 = readAll(QDir(sets).filePath(names.value(1)));
    EXPECT_EQ(set2.count("\r\n"), 500);
    EXPECT_TRUE(set2.startsWith("7/28/26,8:00:00")) << set2.left(60).constData();
}

TEST_F(CliMeterTest, UnplugDuringADownloadExitsTwoAndLeavesNoFile) {
    const QString folder = path("out");
    QDir().mkpath(folder);
    const CliResult r = run({"--demo", "--demo-virtual-time", "--demo-fault", "unplug-after=300", "download",
                             "-o", folder + "/day.407"});
    EXPECT_EQ(r.exitCode, 2) << r.err.constData();
    EXPECT_TRUE(r.err.contains("There was error,please try again!   error code=")) << r.err.constData();
    EXPECT_TRUE(r.err.endsWith("qz407-cli: No Connection\n")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
}

TEST_F(CliMeterTest, DownloadsThatCannotGiveACollectionWriteNone) {
    // The meter records: refused before any block is asked for.
    CliResult r =
        run({"--demo", "--demo-virtual-time", "--demo-fault", "recording", "download", "-o", path("x.407")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("The meter is recording data, please stop recording before loading data."))
        << r.err.constData();

    // A memory without data sets: the window's message, and no collection.
    writeAll(path("blank.img"), bytesOf(blankMemory()));
    r = run({"--demo", "--demo-virtual-time", "--demo-fault", "memory=" + path("blank.img"), "download", "-o",
             path("x.407")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.endsWith("qz407-cli: There was not any data recorded in momery of meter !\n"))
        << r.err.constData();

    // A folder that does not exist is found before the meter is asked anything.
    r = run({"--demo", "--demo-virtual-time", "download", "-o", path("missing/x.407")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("missing: no such folder")) << r.err.constData();
    EXPECT_FALSE(r.err.contains("download: ")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(path("x.407")));
}

TEST_F(CliMeterTest, LiveGivesCountLinesOfJson) {
    const CliResult r = run(
        {"--demo", "--demo-virtual-time", "live", "--count", "5", "--format", "jsonl", "--interval", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.lines();
    ASSERT_EQ(lines.size(), 5) << r.out.constData();
    QDateTime previous;
    for (const QByteArray& line : lines) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        EXPECT_EQ(o.keys(), QStringList({"ppm", "rh", "temp", "time", "unit"}));
        // The demo values swing within 430-1930 ppm, 24-66 %RH and 16-29 degrees C.
        EXPECT_GT(o.value("ppm").toDouble(), 400);
        EXPECT_LT(o.value("ppm").toDouble(), 2000);
        EXPECT_GT(o.value("rh").toDouble(), 20);
        EXPECT_LT(o.value("rh").toDouble(), 70);
        EXPECT_GT(o.value("temp").toDouble(), 15);
        EXPECT_LT(o.value("temp").toDouble(), 30);
        EXPECT_EQ(o.value("unit").toString(), "C");
        const QDateTime t = QDateTime::fromString(o.value("time").toString(), Qt::ISODate);
        ASSERT_TRUE(t.isValid()) << line.constData();
        if (previous.isValid()) {
            EXPECT_EQ(previous.secsTo(t), 2);
        }
        previous = t;
    }
}

TEST_F(CliMeterTest, LiveWaitsForAnUnpluggedMeterToComeBack) {
    const CliResult r =
        run({"--demo", "--demo-virtual-time", "--demo-fault", "unplug-after=6,replug-after=5000", "live",
             "--count", "4", "--interval", "1", "--format", "jsonl"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(r.err.contains("No Connection: waiting for the meter to come back")) << r.err.constData();
    EXPECT_TRUE(r.err.contains("On Connection")) << r.err.constData();
    // The lines before the unplug follow the interval; the one after it comes seconds later.
    const auto timeOf = [](const QByteArray& line) {
        return QDateTime::fromString(QJsonDocument::fromJson(line).object().value("time").toString(),
                                     Qt::ISODate);
    };
    EXPECT_EQ(timeOf(lines[0]).secsTo(timeOf(lines[1])), 1);
    EXPECT_GE(timeOf(lines[1]).secsTo(timeOf(lines[3])), 5);
}

#ifdef Q_OS_UNIX
TEST_F(CliMeterTest, CtrlCEndsLiveAfterAWholeLine) {
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(home.path()));
    process.start(cliPath(),
                  {"--demo", "--demo-virtual-time", "live", "--format", "jsonl", "--interval", "1"});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 3 && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    ASSERT_GE(out.count('\n'), 3);
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    ASSERT_TRUE(out.endsWith('\n'));
    for (const QByteArray& line : out.trimmed().split('\n'))
        EXPECT_TRUE(QJsonDocument::fromJson(line).isObject()) << line.constData();
}
#endif

TEST_F(CliMeterTest, SetIntervalChecksItsInputBeforeTheMeter) {
    CliResult r = run({"--demo", "--demo-virtual-time", "set-interval", "00:30"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "OK\n");
    r = run({"--demo", "--demo-virtual-time", "--demo-fault", "absent", "set-interval", "61:00"});
    EXPECT_EQ(r.exitCode, 1); // refused before any meter is looked for
    EXPECT_TRUE(r.err.contains("Invalid Input"));
    r = run({"--demo", "--demo-virtual-time", "--demo-fault", "refuse=I", "set-interval", "60:60"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.endsWith("qz407-cli: Fail\n")) << r.err.constData();
}

TEST_F(CliMeterTest, SetClockTakesAnIsoTime) {
    CliResult r = run({"--demo", "--demo-virtual-time", "set-clock", "--time", "2026-01-02T03:04:05"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "OK\n");
    r = run({"--demo", "set-clock", "--time", "2026-13-02T03:04:05"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("is not an ISO 8601 date and time"));
    r = run({"--demo", "set-clock", "--time", "1999-12-31T23:59:59"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("2000 to 2099"));
}

// The clock command takes its block's time from its clock as the block goes out: with the chosen
// time's clock the meter's clock is set to that time, however long the exchange waited.
TEST(ChosenTimeClock, TheMeterReceivesTheChosenTime) {
    ManualClock clock;
    SimulatedMeter meter(clock);
    clock.advance(12345);
    const QDateTime chosen(QDate(2031, 2, 3), QTime(4, 5, 6));
    ChosenTimeClock chosenClock(clock, chosen);
    CommandFrame frame;
    SetupExchange::Reply reply{};
    ASSERT_EQ(SetupExchange(meter, chosenClock, frame, reply).setClock(), 0);
    // The block went out 100 ms after the frame; the meter's clock runs on from the time it got.
    EXPECT_EQ(meter.meterTime().toString(Qt::ISODate), "2031-02-03T04:05:06");
    EXPECT_EQ(meter.writtenBlocks().size(), 1u);
    EXPECT_EQ(meter.writtenBlocks()[0][6], 0x31);
}

TEST_F(CliMeterTest, BadUsageExitsOneWithTheUsage) {
    CliResult r = run({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Usage: qz407-cli [--demo] [--locale NAME] COMMAND [options]"));
    r = run({"--demo", "fly"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("qz407-cli: unknown command 'fly'\nUsage: qz407-cli")) << r.err.constData();
    r = run({"--demo", "info", "--colour"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Usage: qz407-cli [--demo] [--locale NAME] info [--json]"))
        << r.err.constData();
    r = run({"export"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains("export: missing argument\nUsage: qz407-cli [--demo] [--locale NAME] export FILE.407"))
        << r.err.constData();
    r = run({"--demo", "live", "--interval", "0.1"});
    EXPECT_EQ(r.exitCode, 1);
    r = run({"--locale", "xx_YY", "--demo", "info"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("unknown locale 'xx_YY'"));
    r = run({"--demo-fault", "absent", "info"});
    EXPECT_EQ(r.exitCode, 1); // a demo aid without --demo
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliMeterTest, EveryCommandHasItsHelp) {
    const CliResult all = run({"--help"});
    EXPECT_EQ(all.exitCode, 0);
    for (const char* command : {"info", "download", "export", "live", "log", "set-clock", "set-interval"}) {
        EXPECT_TRUE(all.out.contains(QByteArray("\n    ") + command + ' ')) << command;
        const CliResult help = run({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(help.out.startsWith(QByteArray("Usage: qz407-cli [--demo] [--locale NAME] ") + command))
            << help.out.constData();
        EXPECT_EQ(run({"help", command}).out, help.out);
    }
    EXPECT_FALSE(all.out.contains("demo-fault")); // the test aids stay out of the help
}

} // namespace test_cli_meter_commands
