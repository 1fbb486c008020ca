// InfluxDB line protocol out of live and export, read back by a parser of the protocol's grammar.
#include "cli/influx_line.h"
#include "cli_process.h"
#include "link/demo_memory.h"
#include "support/test_helpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <array>
#include <variant>

namespace test_cli_influx {

using namespace meter_memory;

// One line of InfluxDB line protocol, taken apart by the grammar:
//   measurement[,tag=value...] field=value[,field=value...] timestamp
// Measurement, tag keys and values and field keys escape comma, equals sign, space and backslash
// with a backslash; string fields are double-quoted with \" and \\; floats are decimal numbers,
// integers end in i; the timestamp is an integer.
struct Line {
    QString measurement;
    QMap<QString, QString> tags;
    QMap<QString, std::variant<double, QString>> fields;
    qint64 timestamp = 0;
};

std::optional<Line> parseLine(const QByteArray& bytes, QString* why) {
    const QString text = QString::fromUtf8(bytes);
    qsizetype i = 0;
    auto fail = [&](const QString& reason) -> std::optional<Line> {
        *why = reason + QStringLiteral(" at ") + QString::number(i) + QStringLiteral(" in ") + text;
        return std::nullopt;
    };
    // A name or tag value up to one of `stops`, unescaping.
    auto token = [&](const QString& stops, QString& out) {
        out.clear();
        while (i < text.size() && !stops.contains(text[i])) {
            if (text[i] == u'\\' && i + 1 < text.size() && QStringLiteral(", =\\").contains(text[i + 1]))
                ++i;
            else if (text[i] == u'=' || text[i] == u'"' || text[i] < u' ')
                return false;
            out += text[i++];
        }
        return !out.isEmpty();
    };
    Line line;
    if (!token(QStringLiteral(", "), line.measurement))
        return fail(QStringLiteral("bad measurement"));
    while (i < text.size() && text[i] == u',') {
        ++i;
        QString key, value;
        if (!token(QStringLiteral("="), key) || i >= text.size())
            return fail(QStringLiteral("bad tag key"));
        ++i;
        if (!token(QStringLiteral(", "), value))
            return fail(QStringLiteral("bad tag value"));
        line.tags.insert(key, value);
    }
    if (i >= text.size() || text[i] != u' ')
        return fail(QStringLiteral("no field set"));
    do {
        ++i;
        QString key;
        if (!token(QStringLiteral("="), key) || i >= text.size())
            return fail(QStringLiteral("bad field key"));
        ++i;
        if (i < text.size() && text[i] == u'"') {
            QString value;
            for (++i; i < text.size() && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size() && (text[i + 1] == u'"' || text[i + 1] == u'\\'))
                    ++i;
                value += text[i];
            }
            if (i >= text.size())
                return fail(QStringLiteral("unterminated string"));
            ++i;
            line.fields.insert(key, value);
        } else {
            const qsizetype start = i;
            while (i < text.size() && text[i] != u',' && text[i] != u' ')
                ++i;
            const QString number = text.mid(start, i - start);
            static const QRegularExpression floatPattern(
                QStringLiteral("^-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?$"));
            if (!floatPattern.match(number).hasMatch())
                return fail(QStringLiteral("not a float: ") + number);
            line.fields.insert(key, number.toDouble());
        }
    } while (i < text.size() && text[i] == u',');
    if (i >= text.size() || text[i] != u' ')
        return fail(QStringLiteral("no timestamp"));
    static const QRegularExpression integerPattern(QStringLiteral("^-?[0-9]{1,19}$"));
    const QString stamp = text.mid(i + 1);
    if (!integerPattern.match(stamp).hasMatch())
        return fail(QStringLiteral("timestamp not an integer: ") + stamp);
    line.timestamp = stamp.toLongLong();
    return line;
}

Line parsed(const QByteArray& bytes) {
    QString why;
    const std::optional<Line> line = parseLine(bytes, &why);
    EXPECT_TRUE(line.has_value()) << why.toStdString();
    return line.value_or(Line{});
}

QString stringField(const Line& line, const char* name) {
    const auto it = line.fields.find(QLatin1String(name));
    return it != line.fields.end() && std::holds_alternative<QString>(*it) ? std::get<QString>(*it)
                                                                           : QString();
}
std::optional<double> floatField(const Line& line, const char* name) {
    const auto it = line.fields.find(QLatin1String(name));
    if (it == line.fields.end() || !std::holds_alternative<double>(*it))
        return std::nullopt;
    return std::get<double>(*it);
}

TEST(InfluxLine, EscapesTagsAndStringsAndWritesEveryFieldType) {
    std::string out;
    const std::array<float, 3> values{1180.25f, 45.15f, -3.0f};
    influx::appendLine(out, "QZ 40,7=1\\x\n", 1785499509123000000, values, false);
    ASSERT_EQ(out.back(), '\n');
    EXPECT_EQ(out, "qz407,serial=QZ\\ 40\\,7\\=1\\\\x co2=1180.3,humidity=45.2,temperature=-3.0,unit=\"C\" "
                   "1785499509123000000\n");
    const Line line = parsed(QByteArray::fromStdString(out).chopped(1));
    EXPECT_EQ(line.measurement, "qz407");
    EXPECT_EQ(line.tags.value("serial"), "QZ 40,7=1\\x"); // the line feed cannot be in a tag: left out
    EXPECT_EQ(floatField(line, "co2"), 1180.3);
    EXPECT_EQ(stringField(line, "unit"), "C");
    EXPECT_EQ(line.timestamp, 1785499509123000000);

    std::string quoted;
    influx::appendStringField(quoted, "say \"OL\" \\ here");
    EXPECT_EQ(quoted, "\"say \\\"OL\\\" \\\\ here\"");
}

TEST(InfluxLine, OutOfRangeValuesAreLeftOutAndNamed) {
    std::string out;
    // 99999 is an over-range channel of a live reading; a humidity below 0 is under range.
    influx::appendLine(out, "S1", 0, std::array<float, 3>{99999.0f, -2.0f, 99999.0f}, true);
    const Line line = parsed(QByteArray::fromStdString(out).chopped(1));
    EXPECT_EQ(line.fields.size(), 4) << out;
    EXPECT_FALSE(floatField(line, "co2"));
    EXPECT_FALSE(floatField(line, "humidity"));
    EXPECT_FALSE(floatField(line, "temperature"));
    EXPECT_EQ(stringField(line, "co2_flag"), "OL");
    EXPECT_EQ(stringField(line, "humidity_flag"), "-OL");
    EXPECT_EQ(stringField(line, "temperature_flag"), "OL");
    EXPECT_EQ(stringField(line, "unit"), "F");
}

qint64 berlinNs(const QString& isoLocal) {
    QDateTime t = QDateTime::fromString(isoLocal, Qt::ISODate);
    t.setTimeZone(QTimeZone("Europe/Berlin"));
    return t.toMSecsSinceEpoch() * 1000000;
}

class CliInfluxTest : public ::testing::Test {
  protected:
    QTemporaryDir home;
    QString path(const QString& name) const { return home.filePath(name); }
    // The program runs in Berlin's time zone, so local time and UTC differ and change with the season.
    CliResult run(const QStringList& args) const {
        QProcess process;
        QProcessEnvironment env = cliEnvironment(home.path());
        env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        process.setProcessEnvironment(env);
        process.start(cliPath(), args);
        CliResult r;
        if (!process.waitForFinished(60000))
            process.kill();
        r.exitCode = process.exitCode();
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }
};

// Each influx line holds what the jsonl line of the same record holds: values, unit and time (to
// the second: jsonl times have no milliseconds), the local time read in Berlin's zone.
void expectSameRecords(const QList<QByteArray>& influxLines, const QList<QByteArray>& jsonLines,
                       const QString& serial) {
    ASSERT_EQ(influxLines.size(), jsonLines.size());
    const QMap<QString, const char*> names{{"ppm", "co2"}, {"rh", "humidity"}, {"temp", "temperature"}};
    for (qsizetype k = 0; k < influxLines.size(); ++k) {
        const Line line = parsed(influxLines[k]);
        const QJsonObject o = QJsonDocument::fromJson(jsonLines[k]).object();
        EXPECT_EQ(line.measurement, "qz407");
        EXPECT_EQ(line.tags,
                  (serial.isEmpty() ? QMap<QString, QString>{} : QMap<QString, QString>{{"serial", serial}}));
        for (auto it = names.begin(); it != names.end(); ++it) {
            if (o.value(it.key()).isNull()) {
                EXPECT_FALSE(floatField(line, it.value()));
                EXPECT_EQ(stringField(line, (QByteArray(it.value()) + "_flag").constData()),
                          o.value(it.key() + "_flag").toString());
            } else {
                EXPECT_EQ(floatField(line, it.value()), o.value(it.key()).toDouble())
                    << influxLines[k].constData();
            }
        }
        EXPECT_EQ(stringField(line, "unit"), o.value("unit").toString());
        EXPECT_EQ(line.timestamp / 1000000000, berlinNs(o.value("time").toString()) / 1000000000)
            << jsonLines[k].constData();
    }
}

TEST_F(CliInfluxTest, LiveWritesInfluxLinesOfTheReadingsInFahrenheitAndOverRange) {
    // A meter set to degrees Fahrenheit whose CO2 channel is over range.
    std::vector<uint8_t> m = buildDemoMemory();
    m[UnitAt] = 1;
    writeAll(path("f.img"), QByteArray(reinterpret_cast<const char*>(m.data()), qsizetype(m.size())));
    const QStringList common{"--demo",
                             "--demo-virtual-time",
                             "--demo-fault",
                             "memory=" + path("f.img") + ",range=1",
                             "live",
                             "--count",
                             "3",
                             "--interval",
                             "2",
                             "--format"};
    const CliResult influx = run(common + QStringList{"influx"});
    const CliResult json = run(common + QStringList{"jsonl"});
    ASSERT_EQ(influx.exitCode, 0) << influx.err.constData();
    ASSERT_EQ(json.exitCode, 0) << json.err.constData();
    expectSameRecords(influx.lines(), json.lines(), "QZ4070012345");
    const QList<QByteArray> lines = influx.lines();
    ASSERT_EQ(lines.size(), 3);
    const Line first = parsed(lines[0]);
    EXPECT_EQ(stringField(first, "co2_flag"), "OL");
    EXPECT_EQ(stringField(first, "unit"), "F");
    EXPECT_GT(floatField(first, "temperature").value_or(0), 59.0); // 15 to 30 degrees C in F
    EXPECT_LT(floatField(first, "temperature").value_or(0), 87.0);
    // The virtual clock starts at 14:05:09 in Berlin's summer time: 12:05:09 UTC.
    const qint64 start = QDateTime(QDate(2026, 7, 31), QTime(12, 5, 9), QTimeZone::utc()).toMSecsSinceEpoch();
    EXPECT_GE(first.timestamp, start * 1000000);
    EXPECT_LT(first.timestamp, (start + 1000) * 1000000);
    EXPECT_NEAR(double(parsed(lines[2]).timestamp - first.timestamp), 4e9, 0.1e9);
}

TEST_F(CliInfluxTest, ExportWritesEveryRecordAcrossADaylightSavingChange) {
    // The demo sets (one in degrees Fahrenheit) and a set recorded while the clocks went back:
    // 01:30 to 04:00 local time on 25 October 2026, every ten minutes.
    std::vector<uint8_t> m = buildDemoMemory();
    SetHeader header;
    header.start = QDateTime(QDate(2026, 10, 25), QTime(1, 30, 0));
    header.intervalMinutesBcd = 0x10;
    header.intervalSecondsBcd = 0x00;
    const uint32_t s = *beginDataSet(m, header);
    for (int k = 0; k < 16; ++k)
        ASSERT_TRUE(appendRecord(m, s, demoReading(k * 600.0)));
    const QString file = path("dst.407");
    writeAll(file, QByteArray(reinterpret_cast<const char*>(m.data()), qsizetype(m.size())));

    const CliResult influx = run({"export", file, "--format", "influx", "--serial", "room 1"});
    const CliResult json = run({"export", file, "--format", "jsonl"});
    ASSERT_EQ(influx.exitCode, 0) << influx.err.constData();
    ASSERT_EQ(json.exitCode, 0) << json.err.constData();
    const QList<QByteArray> lines = influx.lines();
    ASSERT_EQ(lines.size(), 120 + 500 + 2000 + 48 + 16);
    expectSameRecords(lines.first(120 + 500 + 2000 + 48), json.lines().first(120 + 500 + 2000 + 48),
                      "room 1");
    EXPECT_TRUE(influx.out.contains("unit=\"F\""));
    // The meter's clock ran on evenly while the wall clocks went back: the set is read in the summer
    // time of its first record and stays ten minutes apart in UTC, with no hour twice.
    const qint64 start =
        QDateTime(QDate(2026, 10, 24), QTime(23, 30, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(parsed(lines[120 + 500 + 2000 + 48 + k]).timestamp, (start + k * 600000) * 1000000) << k;

    // Without --serial no tag; --serial goes with influx only.
    EXPECT_TRUE(run({"export", file, "--format", "influx", "--set", "1"}).out.startsWith("qz407 co2="));
    const CliResult wrong = run({"export", file, "--format", "csv", "--serial", "x"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains("--serial is for --format influx")) << wrong.err.constData();
}

} // namespace test_cli_influx
