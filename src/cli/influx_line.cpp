#include "influx_line.h"

#include "files/locale_formats.h"
#include "files/text_lines.h"
#include "platform/clock.h"

#include <charconv>
#include <cmath>

namespace influx {

namespace {

constexpr const char* FieldNames[3] = {"co2", "humidity", "temperature"};

// One decimal, rounded as the text files and JSON lines round it, so the formats agree.
void appendFixed1(std::string& out, float value) {
    static const LocaleFormats c(QLocale::c());
    c.appendFixed1(out, value);
}

} // namespace

void appendTagValue(std::string& out, std::string_view value) {
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            continue;
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        out += c;
    }
}

void appendStringField(std::string& out, std::string_view value) {
    out += '"';
    for (const char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

void appendLine(std::string& out, std::string_view serial, int64_t epochNs, std::span<const float, 3> values,
                bool fahrenheit) {
    out += "qz407";
    if (!serial.empty()) {
        out += ",serial=";
        appendTagValue(out, serial);
    }
    char separator = ' ';
    for (int s = 0; s < 3; ++s) {
        const float value = values[std::size_t(s)];
        if (overloadMarker(s, value))
            continue;
        out += separator;
        out += FieldNames[s];
        out += '=';
        appendFixed1(out, value);
        separator = ',';
    }
    out += separator;
    out += fahrenheit ? "unit=\"F\"" : "unit=\"C\"";
    for (int s = 0; s < 3; ++s) {
        if (const char* marker = overloadMarker(s, values[std::size_t(s)])) {
            out += ',';
            out += FieldNames[s];
            out += "_flag=";
            appendStringField(out, marker + 1); // the marker without its leading space
        }
    }
    out += ' ';
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, epochNs).ptr;
    out.append(digits, end);
    out += '\n';
}

int64_t utcOffsetMs(double dateTimeValue) {
    const QDateTime local = fromDateTimeValue(dateTimeValue);
    return local.isValid() ? int64_t(local.offsetFromUtc()) * 1000 : 0;
}

int64_t epochNs(double dateTimeValue, int64_t offsetMs) {
    // Milliseconds of local wall-clock time since 1970-01-01 00:00, less the zone's offset.
    constexpr double UnixEpochDay = 25569.0;
    constexpr double MsPerDay = 86400000.0;
    const auto localMs = int64_t(std::llround((dateTimeValue - UnixEpochDay) * MsPerDay));
    return (localMs - offsetMs) * 1000000;
}

} // namespace influx
