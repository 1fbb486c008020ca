#include "record_writer.h"

#include "files/text_lines.h"
#include "live/live_reading.h"
#include "logger/data_set.h"
#include "platform/clock.h"

#include <QLocale>

#include <array>
#include <charconv>

namespace {
constexpr const char* JsonNames[3] = {"ppm", "rh", "temp"};
}

std::optional<TextFormat> textFormatNamed(const QString& name) {
    const QString n = name.toLower();
    if (n == QLatin1String("txt"))
        return TextFormat::Txt;
    if (n == QLatin1String("csv"))
        return TextFormat::Csv;
    if (n == QLatin1String("jsonl"))
        return TextFormat::Jsonl;
    if (n == QLatin1String("influx"))
        return TextFormat::Influx;
    return std::nullopt;
}

QString textFormatName(TextFormat format) {
    switch (format) {
    case TextFormat::Csv:
        return QStringLiteral("csv");
    case TextFormat::Jsonl:
        return QStringLiteral("jsonl");
    case TextFormat::Influx:
        return QStringLiteral("influx");
    default:
        return QStringLiteral("txt");
    }
}

RecordWriter::RecordWriter(TextFormat format)
    : m_format(format), m_locale(QLocale()),
      m_iso(QLocale::c(), QStringLiteral("yyyy-MM-dd"), QStringLiteral("HH:mm:ss")),
      m_separator(effectiveSeparator(format == TextFormat::Csv ? ',' : '\t', m_locale)) {}

void RecordWriter::appendSet(std::string& out, const DataSetStore& store, std::size_t k) const {
    const auto samples = store.samplesOf(k);
    if (!samples)
        return;
    const bool fahrenheit = store.sets[k].fahrenheit != 0;
    const std::size_t points = samples->times.size() / 3;
    out.reserve(out.size() +
                points * (m_format == TextFormat::Txt || m_format == TextFormat::Csv ? 40 : 100));
    const int64_t offsetMs =
        m_format == TextFormat::Influx && points > 0 ? influx::utcOffsetMs(samples->times[0]) : 0;
    for (std::size_t p = 0; p < points; ++p) {
        const std::span<const float, 3> values(samples->values.data() + 3 * p, 3);
        const double time = samples->times[3 * p];
        if (!appendRecord(out, int(k) + 1, time, values, fahrenheit, influx::epochNs(time, offsetMs)))
            break;
    }
}

void RecordWriter::appendReading(std::string& out, const QDateTime& taken, const LiveReading& r) const {
    const std::array<float, 3> values{float(r.ppm), r.humidity, r.temperature};
    appendRecord(out, 0, toDateTimeValue(taken), values, r.fahrenheit, taken.toMSecsSinceEpoch() * 1000000);
}

bool RecordWriter::appendRecord(std::string& out, int setNumber, double time,
                                std::span<const float, 3> values, bool fahrenheit, int64_t epochNs) const {
    if (m_format == TextFormat::Txt || m_format == TextFormat::Csv)
        return appendGraphTextLine(out, m_locale, time, values, m_separator);
    if (time == 0.0)
        return false;
    if (m_format == TextFormat::Influx) {
        influx::appendLine(out, m_serial, epochNs, values, fahrenheit);
        return true;
    }
    out += '{';
    if (setNumber > 0) {
        char digits[12];
        const auto end = std::to_chars(digits, digits + sizeof digits, setNumber).ptr;
        out += "\"set\":";
        out.append(digits, end);
        out += ',';
    }
    out += "\"time\":\"";
    m_iso.appendDate(out, time);
    out += 'T';
    m_iso.appendTime(out, time);
    out += '"';
    for (int s = 0; s < 3; ++s) {
        out += ",\"";
        out += JsonNames[s];
        out += "\":";
        const float value = values[std::size_t(s)];
        if (const char* marker = overloadMarker(s, value)) {
            out += "null,\"";
            out += JsonNames[s];
            out += "_flag\":\"";
            out += marker + 1; // the marker without its leading space
            out += '"';
        } else {
            m_iso.appendFixed1(out, value);
        }
    }
    out += fahrenheit ? ",\"unit\":\"F\"}\n" : ",\"unit\":\"C\"}\n";
    return true;
}
