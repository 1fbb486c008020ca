#include "meter_config.h"

#include <QLocale>
#include <cmath>

namespace meter_config {

namespace {

// An integer as typed: optional sign and decimal digits, blanks around it allowed.
std::optional<int> parseInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<uint8_t> tenthsCell(const QString& text, float limit, float scale) {
    const auto value = parseDecimal(text);
    if (!value || *value < -limit || *value > limit)
        return std::nullopt;
    // Single precision and truncation toward zero, as the meter's own arithmetic does it.
    const float scaled = *value * scale;
    return static_cast<uint8_t>(static_cast<int>(scaled));
}

} // namespace

uint8_t toBcd(int value) {
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

void writeTimeBlock(const QDateTime& now, std::span<uint8_t, 32> block) {
    const QDate d = now.date();
    const QTime t = now.time();
    block[0] = toBcd(t.second());
    block[1] = toBcd(t.minute());
    block[2] = toBcd(t.hour());
    block[3] = toBcd(d.day());
    block[4] = toBcd(d.month());
    block[6] = toBcd(d.year() % 100);
    block[7] = 0x00;
    block[8] = 'r';
    block[9] = 't';
    block[10] = 'c';
}

std::optional<Interval> parseInterval(const QString& minutes, const QString& seconds) {
    auto field = [](const QString& text) -> std::optional<std::pair<int, uint8_t>> {
        const QString s = text.trimmed();
        if (s.isEmpty() || s.size() > 2)
            return std::nullopt;
        for (QChar c : s)
            if (c < u'0' || c > u'9')
                return std::nullopt;
        const int value = s.toInt();
        const int first = s[0].unicode() - u'0';
        const uint8_t bcd = s.size() == 1 ? uint8_t(first) : uint8_t(first * 16 + (s[1].unicode() - u'0'));
        return std::pair{value, bcd};
    };
    const auto m = field(minutes);
    const auto s = field(seconds);
    if (!m || !s || m->first > 60 || s->first > 60 || (m->first == 0 && s->first == 0))
        return std::nullopt;
    return Interval{m->second, s->second};
}

std::optional<float> parseDecimal(const QString& text) {
    const QString s = text.trimmed();
    bool ok = false;
    float value = QLocale().toFloat(s, &ok);
    if (!ok)
        value = QLocale::c().toFloat(s, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<uint8_t> humidityOffsetCell(const QString& text) {
    return tenthsCell(text, 10.0f, 10.0f);
}

std::optional<uint8_t> temperatureOffsetCell(const QString& text, bool fahrenheit) {
    return fahrenheit ? tenthsCell(text, 9.0f, 10.0f) : tenthsCell(text, 5.0f, 18.0f);
}

const QString& temperatureOffsetMessage(bool fahrenheit) {
    return fahrenheit ? kInvalidTemperatureF : kInvalidTemperatureC;
}

Co2Offset parseCo2Offset(const QString& text) {
    Co2Offset result;
    const auto value = parseInteger(text);
    if (!value)
        return result;
    // Checked before the value is cut to 16 bits, so 65636 is refused rather than sent as 100.
    if (*value < -400 || *value > 400) {
        result.status = Co2Offset::Status::OutOfRange;
        return result;
    }
    const auto raw = static_cast<uint16_t>(static_cast<int16_t>(*value));
    result.status = Co2Offset::Status::Ok;
    result.bytes = {uint8_t(raw >> 8), uint8_t(raw & 0xFF)};
    return result;
}

std::optional<std::array<uint8_t, 2>> parseAltitude(const QString& text) {
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > 8848)
        return std::nullopt;
    return std::array<uint8_t, 2>{uint8_t(*value >> 8), uint8_t(*value & 0xFF)};
}

AlarmLimits parseAlarmLimits(const QString& highText, const QString& lowText) {
    AlarmLimits limits;
    const auto high = parseInteger(highText);
    const auto low = parseInteger(lowText);
    if (!high || !low)
        return limits;
    limits.integers = true;
    limits.high = *high;
    limits.low = *low;
    if (limits.low > limits.high) {
        std::swap(limits.high, limits.low);
        limits.swapped = true;
    }
    limits.inRange = limits.high >= 0 && limits.high <= 40000 && limits.low >= 0 && limits.low <= 40000;
    return limits;
}

std::array<uint8_t, 4> alarmBytes(const std::optional<AlarmLimits>& on) {
    if (!on)
        return {0xFF, 0xFF, 0xFF, 0xFF};
    return {uint8_t(on->high >> 8), uint8_t(on->high & 0xFF), uint8_t(on->low >> 8), uint8_t(on->low & 0xFF)};
}

} // namespace meter_config
