// What publishing costs: CPU per InfluxDB line and per reading published to a real mosquitto broker
// (QoS 1, acknowledged), and the CPU the logger with MQTT uses over a minute of readings every second.
// The broker runs on a free loopback port with a configuration of its own; without mosquitto
// installed the MQTT figures are skipped.
#include "bench_support.h"
#include "cli/influx_line.h"
#include "cli/mqtt_publisher.h"
#include "cli/record_writer.h"
#include "live/live_reading.h"

#include "cli/mqtt_broker.h" // the tests' broker helper (tests/cli)

#include <QProcess>
#include <benchmark/benchmark.h>

#include <array>
#include <csignal>
#include <fstream>
#include <unistd.h>

namespace {

void BM_InfluxLine(benchmark::State& state) {
    std::string out;
    const std::array<float, 3> values{1180.0f, 45.2f, 22.5f};
    int64_t ns = 1785499509000000000;
    for (auto _ : state) {
        out.clear();
        influx::appendLine(out, "QZ4070012345", ns, values, false);
        ns += 1000000000;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InfluxLine);

// One reading as live --format influx writes it (the RecordWriter path, time conversion included).
void BM_InfluxLiveReading(benchmark::State& state) {
    RecordWriter writer(TextFormat::Influx);
    writer.setSerial(QStringLiteral("QZ4070012345"));
    LiveReading reading;
    reading.ppm = 1180;
    reading.humidity = 45.2f;
    reading.temperature = 22.5f;
    const QDateTime taken = QDateTime::currentDateTime();
    std::string out;
    for (auto _ : state) {
        out.clear();
        writer.appendReading(out, taken, reading);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InfluxLiveReading);

// Process CPU (both threads) per reading published with QoS 1, the broker's acknowledgement
// awaited every 100 readings.
void BM_MqttPublishReading(benchmark::State& state) {
    if (mqtt_test::program("mosquitto").isEmpty()) {
        state.SkipWithError("mosquitto is not installed");
        return;
    }
    mqtt_test::Broker broker;
    QString error;
    if (!broker.start(&error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    MqttOptions options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = broker.port();
    MqttPublisher publisher(options, MeterIdentity{QStringLiteral("QZ4070012345"), QStringLiteral("1.05")});
    if (publisher.start(&error) != MqttPublisher::Start::Connected) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    LiveReading reading;
    reading.ppm = 1180;
    reading.humidity = 45.2f;
    reading.temperature = 22.5f;
    const QDateTime taken = QDateTime::currentDateTime();
    int64_t n = 0;
    for (auto _ : state) {
        publisher.publishReading(taken, reading);
        if (++n % 100 == 0)
            publisher.waitForDelivery(10000);
    }
    publisher.waitForDelivery(10000);
    publisher.finish(1000);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MqttPublishReading)->MeasureProcessCPUTime()->UseRealTime();

// User + system CPU seconds a process has used so far.
double cpuSecondsOf(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) // state ... cmajflt
        fields >> skip;
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// qz407-cli log --mqtt on the simulated meter in real time, a reading a second, for 60 s: the share
// of one core it used (counter cpu_percent).
void BM_LogWithMqttIdleCpu(benchmark::State& state) {
    if (mqtt_test::program("mosquitto").isEmpty()) {
        state.SkipWithError("mosquitto is not installed");
        return;
    }
    mqtt_test::Broker broker;
    QString error;
    if (!broker.start(&error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    QTemporaryDir dir;
    const int seconds = int(state.range(0));
    double percent = 0;
    for (auto _ : state) {
        QProcess log;
        log.start(QStringLiteral(QZ407_CLI_PATH),
                  {"--demo", "log", "--dir", dir.path(), "--interval", "1", "--mqtt", broker.url()});
        if (!log.waitForStarted()) {
            state.SkipWithError("qz407-cli did not start");
            return;
        }
        QThread::sleep(2); // start-up and the meter's first probe are not idle time
        const double before = cpuSecondsOf(log.processId());
        QThread::sleep(seconds);
        const double used = cpuSecondsOf(log.processId()) - before;
        ::kill(pid_t(log.processId()), SIGTERM);
        log.waitForFinished(10000);
        percent = 100.0 * used / seconds;
    }
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_LogWithMqttIdleCpu)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
