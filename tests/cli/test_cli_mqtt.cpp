// live --mqtt against a real mosquitto broker that the tests start on a free loopback port.
#include "cli_process.h"
#include "mqtt_broker.h"
#include "support/test_helpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>

namespace test_cli_mqtt {

using namespace mqtt_test;

const QString Serial = QStringLiteral("QZ4070012345");
const QString Prefix = QStringLiteral("qz407/QZ4070012345");

class CliMqttTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (program("mosquitto").isEmpty() || program("mosquitto_sub").isEmpty())
            GTEST_SKIP()
                << "mosquitto and mosquitto-clients are not installed (./scripts/setup installs them)";
    }
    QTemporaryDir home;
    CliResult run(const QStringList& args) const { return runCliProcess(args, home.path()); }

  public:
    QString homePath() const { return home.path(); }

  protected:
    // The CLI running on its own, its standard output collected as it comes.
    void startCli(QProcess& process, const QStringList& args) const {
        process.setProcessEnvironment(cliEnvironment(home.path()));
        process.start(cliPath(), args);
        ASSERT_TRUE(process.waitForStarted());
    }
};

// The state messages without the copies a QoS 1 redelivery may add right after the original.
QList<QByteArray> withoutRedeliveries(const QList<QByteArray>& payloads) {
    QList<QByteArray> list;
    for (const QByteArray& p : payloads)
        if (list.isEmpty() || list.back() != p)
            list.append(p);
    return list;
}

TEST_F(CliMqttTest, DemoLivePublishesDiscoveryAvailabilityAndTheJsonlReadings) {
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {"qz407/#", "homeassistant/#"});
    ASSERT_TRUE(sub.start());

    const CliResult r = run({"--demo", "--demo-virtual-time", "live", "--count", "3", "--format", "jsonl",
                             "--mqtt", broker.url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_EQ(r.lines().size(), 3);
    ASSERT_TRUE(sub.waitFor([](const QList<Message>& m) {
        return !m.isEmpty() && m.back().topic.endsWith("/availability") && m.back().payload == "offline";
    })) << broker.log().constData();

    // The three state messages are the three jsonl lines, and came after "online".
    EXPECT_EQ(sub.payloadsOf(Prefix + "/state"), r.lines());
    EXPECT_EQ(sub.payloadsOf(Prefix + "/availability"), (QList<QByteArray>{"online", "offline"}));
    QStringList order;
    for (const Message& m : sub.messages())
        order << m.topic.section(u'/', -1);
    EXPECT_LT(order.indexOf("config"), order.indexOf("state"));
    EXPECT_LT(order.indexOf("availability"), order.indexOf("state"));

    // A client that arrives later finds the discovery configs and the availability retained.
    const QList<Message> retained =
        retainedMessages(broker, {"homeassistant/#", Prefix + "/availability"}, 4);
    ASSERT_EQ(retained.size(), 4);
    const struct {
        const char* key;
        const char* deviceClass;
        const char* unit;
        const char* field;
    } sensors[] = {{"co2", "carbon_dioxide", "ppm", "ppm"},
                   {"humidity", "humidity", "%", "rh"},
                   {"temperature", "temperature", "\u00B0C", "temp"}};
    for (const auto& s : sensors) {
        const QString topic = QStringLiteral("homeassistant/sensor/qz407_%1_%2/config").arg(Serial, s.key);
        const auto it = std::find_if(retained.begin(), retained.end(),
                                     [&](const Message& m) { return m.topic == topic; });
        ASSERT_NE(it, retained.end()) << topic.toStdString();
        EXPECT_TRUE(it->retained);
        QJsonParseError parseError;
        const QJsonObject o = QJsonDocument::fromJson(it->payload, &parseError).object();
        ASSERT_EQ(parseError.error, QJsonParseError::NoError) << it->payload.constData();
        EXPECT_EQ(o.value("device_class").toString(), s.deviceClass);
        EXPECT_EQ(o.value("unit_of_measurement").toString(), QString::fromUtf8(s.unit));
        EXPECT_EQ(o.value("state_class").toString(), "measurement");
        EXPECT_EQ(o.value("state_topic").toString(), Prefix + "/state");
        EXPECT_EQ(o.value("value_template").toString(), QStringLiteral("{{ value_json.%1 }}").arg(s.field));
        EXPECT_EQ(o.value("availability_topic").toString(), Prefix + "/availability");
        EXPECT_EQ(o.value("payload_available").toString(), "online");
        EXPECT_EQ(o.value("payload_not_available").toString(), "offline");
        EXPECT_EQ(o.value("unique_id").toString(), QStringLiteral("qz407_%1_%2").arg(Serial, s.key));
        const QJsonObject device = o.value("device").toObject();
        EXPECT_EQ(device.value("identifiers").toArray().first().toString(), "qz407_" + Serial);
        EXPECT_EQ(device.value("serial_number").toString(), Serial);
        EXPECT_EQ(device.value("model").toString(), "QZ407");
        EXPECT_EQ(device.value("sw_version").toString(), "1.05"); // the demo meter's firmware
    }
    const auto availability = std::find_if(
        retained.begin(), retained.end(), [](const Message& m) { return m.topic.endsWith("/availability"); });
    ASSERT_NE(availability, retained.end());
    EXPECT_EQ(availability->payload, "offline"); // a clean end says so itself
}

TEST_F(CliMqttTest, NoDiscoveryAndAPrefixOfOurOwn) {
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {"#"});
    ASSERT_TRUE(sub.start());
    const CliResult r = run({"--demo", "--demo-virtual-time", "live", "--count", "1", "--mqtt", broker.url(),
                             "--no-discovery", "--mqtt-prefix", "office/co2/"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_TRUE(
        sub.waitFor([](const QList<Message>& m) { return !m.isEmpty() && m.back().payload == "offline"; }));
    QStringList topics;
    for (const Message& m : sub.messages())
        topics << m.topic;
    EXPECT_EQ(topics,
              QStringList({"office/co2/availability", "office/co2/state", "office/co2/availability"}));
}

TEST_F(CliMqttTest, AKilledProgramLeavesTheLastWillOffline) {
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {Prefix + "/#"});
    ASSERT_TRUE(sub.start());
    QProcess cli;
    startCli(cli, {"--demo", "live", "--interval", "0.5", "--format", "jsonl", "--mqtt", broker.url()});
    ASSERT_TRUE(sub.waitFor([](const QList<Message>& m) {
        return !m.isEmpty() && m.back().topic.endsWith("/state");
    })) << cli.readAllStandardError().constData();
    ::kill(pid_t(cli.processId()), SIGKILL);
    cli.waitForFinished();
    EXPECT_TRUE(sub.waitFor([](const QList<Message>& m) {
        return m.back().topic == Prefix + "/availability" && m.back().payload == "offline";
    })) << broker.log().constData();
}

// Runs the CLI with readings every half second and stops the broker after two of them for 2.5
// seconds, long enough for the CLI to take its last reading while the broker is away. The CLI tries
// again at once, then 1 and 2 more seconds later (at most 6 s after the loss), and waits up to 5 s
// after its last reading for the queue to drain. Returns the lines written and standard error.
struct OutageRun {
    QList<QByteArray> lines;
    QByteArray err;
    int exitCode = -1;
};
OutageRun runThroughAnOutage(CliMqttTest& test, Broker& broker, const QStringList& extra) {
    OutageRun run;
    QProcess cli;
    cli.setProcessEnvironment(cliEnvironment(test.homePath()));
    cli.start(cliPath(), QStringList{"--demo", "live", "--interval", "0.5", "--count", "6", "--format",
                                     "jsonl", "--mqtt", broker.url()} +
                             extra);
    QByteArray out;
    while (out.count('\n') < 2 && cli.waitForReadyRead(10000))
        out += cli.readAllStandardOutput();
    broker.stop();
    QThread::msleep(2500);
    QString error;
    EXPECT_TRUE(broker.start(&error)) << error.toStdString();
    EXPECT_TRUE(cli.waitForFinished(20000));
    out += cli.readAllStandardOutput();
    run.err = cli.readAllStandardError();
    run.exitCode = cli.exitCode();
    run.lines = out.trimmed().split('\n');
    return run;
}

TEST_F(CliMqttTest, ABrokerThatGoesAwayGetsEveryReadingInOrderWhenItIsBack) {
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {Prefix + "/state"});
    ASSERT_TRUE(sub.start());
    const OutageRun run = runThroughAnOutage(*this, broker, {});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("MQTT: lost the broker at mqtt://127.0.0.1:")) << run.err.constData();
    EXPECT_TRUE(run.err.contains("MQTT: connected to mqtt://127.0.0.1:" + QByteArray::number(broker.port()) +
                                 " again"))
        << run.err.constData();
    ASSERT_EQ(run.lines.size(), 6);
    ASSERT_TRUE(sub.waitFor([&](const QList<Message>&) {
        return withoutRedeliveries(sub.payloadsOf(Prefix + "/state")).size() >= 6;
    })) << broker.log().constData();
    EXPECT_EQ(withoutRedeliveries(sub.payloadsOf(Prefix + "/state")), run.lines);
}

// With room for two readings, the oldest of those taken while the broker is away are dropped and
// counted; the newest two arrive.
TEST_F(CliMqttTest, AFullQueueDropsTheOldestReadingsAndSaysHowMany) {
    Broker broker;
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {Prefix + "/state"});
    ASSERT_TRUE(sub.start());
    const OutageRun run = runThroughAnOutage(*this, broker, {"--mqtt-queue", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    static const QRegularExpression dropped(
        "the queue holds 2 readings: (\\d+) oldest dropped so far\n(?!.*dropped)",
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = dropped.match(QString::fromUtf8(run.err));
    ASSERT_TRUE(match.hasMatch()) << run.err.constData();
    const qsizetype count = match.captured(1).toInt();
    EXPECT_GE(count, 1);

    const QList<QByteArray>& lines = run.lines;
    ASSERT_EQ(lines.size(), 6);
    ASSERT_TRUE(sub.waitFor([&](const QList<Message>&) {
        return withoutRedeliveries(sub.payloadsOf(Prefix + "/state")).size() >= 6 - count;
    }));
    // Those sent before the loss, then the last two.
    QList<QByteArray> expected = lines.first(4 - count);
    expected << lines[4] << lines[5];
    EXPECT_EQ(withoutRedeliveries(sub.payloadsOf(Prefix + "/state")), expected);
}

TEST_F(CliMqttTest, APasswordFromTheUrlOrAFileAndAWrongOneRefused) {
    Broker broker(QStringLiteral("meter"), QStringLiteral("s3cret pass"));
    QString error;
    ASSERT_TRUE(broker.start(&error)) << error.toStdString();
    Subscriber sub(broker, {Prefix + "/state"}, QStringLiteral("meter"), QStringLiteral("s3cret pass"));
    ASSERT_TRUE(sub.start());
    const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(broker.port());
    const QStringList live{"--demo", "--demo-virtual-time", "live", "--count", "1", "--format", "jsonl",
                           "--mqtt"};

    CliResult r = run(live + QStringList{"mqtt://meter:s3cret%20pass@" + hostPort});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    const QString file = home.filePath("password");
    writeAll(file, "s3cret pass\n");
    r = run(live + QStringList{"mqtt://meter@" + hostPort, "--mqtt-password-file", file});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(sub.waitFor([](const QList<Message>& m) { return m.size() == 2; }));

    r = run(live + QStringList{"mqtt://meter:wrong@" + hostPort});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(
        r.err.contains("qz407-cli: mqtt://" + hostPort.toUtf8() + ": the broker refused the connection: "))
        << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    r = run(live + QStringList{"mqtt://" + hostPort});
    EXPECT_EQ(r.exitCode, 4) << r.err.constData();
}

TEST(CliMqttOptions, BadUrlsAndANoBrokerAreClearErrors) {
    QTemporaryDir home;
    const QStringList live{"--demo", "--demo-virtual-time", "live", "--count", "1", "--mqtt"};
    CliResult r = runCliProcess(live + QStringList{"http://127.0.0.1"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("bad MQTT URL 'http://127.0.0.1': it must begin with mqtt:// or mqtts://"))
        << r.err.constData();
    r = runCliProcess(live + QStringList{"mqtt://127.0.0.1:99999"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    r = runCliProcess(live + QStringList{"mqtt://:pw@127.0.0.1"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    r = runCliProcess({"--demo", "live", "--mqtt-prefix", "x"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--mqtt-prefix needs --mqtt")) << r.err.constData();
    r = runCliProcess(live + QStringList{"mqtt://u@127.0.0.1", "--mqtt-password-file", home.filePath("none")},
                      home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("none: No such file or directory")) << r.err.constData();

    // Nothing listens on the port: refused at once.
    r = runCliProcess(live + QStringList{QStringLiteral("mqtt://127.0.0.1:%1").arg(freePort())}, home.path());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.err.contains(": cannot connect: Connection refused")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
}

} // namespace test_cli_mqtt
