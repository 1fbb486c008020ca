// qz407-cli log: day files, rotation at local midnight, restarts, a meter that comes and goes, SIGTERM
// and MQTT, run as a process on the simulated meter.
#include "cli_process.h"
#include "mqtt_broker.h"
#include "support/test_helpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <csignal>

namespace test_cli_log {

class CliLogTest : public ::testing::Test {
  protected:
    QTemporaryDir home;
    QString dir() const { return home.filePath("logs"); }
    QString file(const char* day, const char* suffix = "csv") const {
        return dir() + QStringLiteral("/qz407-%1.%2").arg(QLatin1String(day), QLatin1String(suffix));
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = cliEnvironment(home.path());
        env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        return env;
    }
    CliResult run(const QStringList& args) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(cliPath(), QStringList{"--demo", "--demo-virtual-time", "log", "--dir", dir()} + args);
        CliResult r;
        if (!process.waitForFinished(60000))
            process.kill();
        r.exitCode = process.exitCode();
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }
    QList<QByteArray> linesOf(const QString& path) const {
        QList<QByteArray> lines = readAll(path).split('\n');
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        return lines;
    }
};

// Every ten minutes from 23:58 on 28 March 2026, the night the clocks in Berlin go forward at 02:00.
TEST_F(CliLogTest, ANewFileAtLocalMidnightAndEvenReadingsAcrossTheClockChange) {
    const CliResult r = run(
        {"--interval", "600", "--count", "20", "--format", "jsonl", "--demo-start", "2026-03-28T23:58:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(QDir(dir()).entryList(QDir::Files),
              QStringList({"qz407-2026-03-28.jsonl", "qz407-2026-03-29.jsonl"}));
    const QList<QByteArray> first = linesOf(file("2026-03-28", "jsonl"));
    const QList<QByteArray> second = linesOf(file("2026-03-29", "jsonl"));
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 19);
    const QTimeZone berlin("Europe/Berlin");
    QDateTime previous;
    QStringList times;
    for (const QByteArray& line : first + second) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        ASSERT_FALSE(o.isEmpty()) << line.constData();
        QDateTime t = QDateTime::fromString(o.value("time").toString(), Qt::ISODate);
        t.setTimeZone(berlin);
        if (previous.isValid()) {
            EXPECT_EQ(previous.secsTo(t), 600) << line.constData();
        }
        previous = t;
        times << o.value("time").toString();
    }
    EXPECT_EQ(times[0], "2026-03-28T23:58:00");
    EXPECT_EQ(times[1], "2026-03-29T00:08:00");
    EXPECT_EQ(times[12], "2026-03-29T01:58:00");
    EXPECT_EQ(times[13], "2026-03-29T03:08:00"); // 02:08 does not exist that night
}

TEST_F(CliLogTest, ARestartAppendsToTheDaysFileUnderItsOneHeader) {
    CliResult r =
        run({"--interval", "60", "--count", "2", "--locale", "en_US", "--demo-start", "2026-07-31T10:00:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString path = file("2026-07-31");
    QList<QByteArray> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Date,Time,ppm,%RH,Temp.\r");
    EXPECT_TRUE(lines[1].startsWith("7/31/26,10:00:00")) << lines[1].constData();

    // A crash cut the last line short; the next run ends it and goes on below.
    QByteArray bytes = readAll(path);
    bytes.chop(7);
    writeAll(path, bytes);
    r = run({"--interval", "60", "--count", "2", "--locale", "en_US", "--demo-start", "2026-07-31T10:05:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    lines = linesOf(path);
    ASSERT_EQ(lines.size(), 5) << readAll(path).constData();
    EXPECT_EQ(readAll(path).count("Date,Time"), 1);
    EXPECT_TRUE(lines[3].startsWith("7/31/26,10:05:00")) << lines[3].constData();
    EXPECT_TRUE(lines[4].startsWith("7/31/26,10:06:00")) << lines[4].constData();
}

TEST_F(CliLogTest, WaitsForAMeterThatIsAwayAtTheStartOrUnpluggedInTheMiddle) {
    CliResult r = run({"--interval", "1", "--count", "2", "--demo-fault", "absent,replug-after=3000",
                       "--format", "jsonl", "--demo-start", "2026-07-31T10:00:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("No Connection: waiting for the meter\nqz407-cli: On Connection\n"))
        << r.err.constData();
    EXPECT_EQ(linesOf(file("2026-07-31", "jsonl")).size(), 2);

    r = run({"--interval", "1", "--count", "6", "--demo-fault", "unplug-after=6,replug-after=5000",
             "--format", "jsonl", "--demo-start", "2026-07-31T11:00:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("No Connection: waiting for the meter to come back")) << r.err.constData();
    EXPECT_TRUE(r.err.contains("On Connection")) << r.err.constData();
    const QList<QByteArray> lines = linesOf(file("2026-07-31", "jsonl"));
    ASSERT_EQ(lines.size(), 8);
    // The readings before the unplug follow the interval; the one after it comes seconds later.
    const auto timeOf = [](const QByteArray& line) {
        return QDateTime::fromString(QJsonDocument::fromJson(line).object().value("time").toString(),
                                     Qt::ISODate);
    };
    qint64 longest = 0;
    for (qsizetype k = 3; k < lines.size(); ++k)
        longest = std::max(longest, timeOf(lines[k - 1]).secsTo(timeOf(lines[k])));
    EXPECT_GE(longest, 5);
}

TEST_F(CliLogTest, SigtermEndsItCleanlyWithEveryLineWhole) {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(cliPath(), {"--demo", "--demo-virtual-time", "log", "--dir", dir(), "--interval", "1",
                              "--demo-start", "2026-07-31T10:00:00"});
    ASSERT_TRUE(process.waitForStarted());
    const QString path = file("2026-07-31");
    for (int i = 0; i < 200 && readAll(path).count('\n') < 5; ++i)
        QThread::msleep(20);
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    const QByteArray bytes = readAll(path);
    EXPECT_GE(bytes.count('\n'), 5);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
}

TEST_F(CliLogTest, PublishesTheLoggedReadingsAndKeepsLoggingWithoutABroker) {
    if (mqtt_test::program("mosquitto").isEmpty() || mqtt_test::program("mosquitto_sub").isEmpty())
        GTEST_SKIP() << "mosquitto and mosquitto-clients are not installed (./scripts/setup installs them)";
    mqtt_test::Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    mqtt_test::Subscriber sub(broker, {"qz407/+/state"});
    ASSERT_TRUE(sub.start());
    CliResult r = run({"--interval", "1", "--count", "3", "--format", "jsonl", "--demo-start",
                       "2026-07-31T10:00:00", "--mqtt", broker.url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = linesOf(file("2026-07-31", "jsonl"));
    ASSERT_EQ(lines.size(), 3);
    ASSERT_TRUE(sub.waitFor([](const QList<mqtt_test::Message>& m) { return m.size() >= 3; }));
    EXPECT_EQ(sub.payloadsOf("qz407/QZ4070012345/state"), lines);

    // No broker at the start: the file goes on, and the end says what was not delivered.
    r = run({"--interval", "1", "--count", "2", "--format", "jsonl", "--demo-start", "2026-07-31T11:00:00",
             "--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(mqtt_test::freePort())});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("cannot connect: Connection refused; trying again, readings are queued"))
        << r.err.constData();
    EXPECT_TRUE(r.err.contains("MQTT: 2 readings were not delivered")) << r.err.constData();
    EXPECT_EQ(linesOf(file("2026-07-31", "jsonl")).size(), 5);
}

} // namespace test_cli_log
