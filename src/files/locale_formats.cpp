#include "locale_formats.h"

#include "files/civil_days.h"

#include "platform/clock.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

using Field = LocaleFormats::Field;
using Token = LocaleFormats::Token;
using namespace civil;
using datepattern::has12Hour;
using datepattern::patternOf;
using datepattern::tokenize;

std::string utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// Byte length of the blank that starts at `pos`, 0 when there is none. Tabs are not blanks here:
// they separate the fields of a text file.
size_t blankAt(std::string_view s, size_t pos) {
    if (pos >= s.size())
        return 0;
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c == ' ')
        return 1;
    if (c == 0xC2 && pos + 1 < s.size() && static_cast<unsigned char>(s[pos + 1]) == 0xA0)
        return 2;
    if (c == 0xE2 && pos + 2 < s.size() && static_cast<unsigned char>(s[pos + 1]) == 0x80) {
        const auto c2 = static_cast<unsigned char>(s[pos + 2]);
        if (c2 == 0xAF || c2 == 0x89)
            return 3;
    }
    return 0;
}

size_t skipBlanks(std::string_view s, size_t pos) {
    while (size_t n = blankAt(s, pos))
        pos += n;
    return pos;
}

std::string_view trimBlanks(std::string_view s) {
    s.remove_prefix(skipBlanks(s, 0));
    while (!s.empty()) {
        const size_t n = s.size();
        if (blankAt(s, n - 1) == 1)
            s.remove_suffix(1);
        else if (n >= 2 && blankAt(s, n - 2) == 2)
            s.remove_suffix(2);
        else if (n >= 3 && blankAt(s, n - 3) == 3)
            s.remove_suffix(3);
        else
            break;
    }
    return s;
}

void appendInt(std::string& out, int64_t v, int minDigits) {
    char buf[24];
    if (v < 0) {
        out += '-';
        v = -v;
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (auto len = r.ptr - buf; len < minDigits; ++len)
        out += '0';
    out.append(buf, r.ptr);
}

bool readDigits(std::string_view s, size_t& pos, size_t maxDigits, int& value, size_t* count = nullptr) {
    size_t n = 0;
    int v = 0;
    while (n < maxDigits && pos + n < s.size() && s[pos + n] >= '0' && s[pos + n] <= '9') {
        v = v * 10 + (s[pos + n] - '0');
        ++n;
    }
    if (n == 0)
        return false;
    pos += n;
    value = v;
    if (count)
        *count = n;
    return true;
}

bool startsWithNoCase(std::string_view s, size_t pos, const std::string& word) {
    if (word.empty() || s.size() - pos < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char a = s[pos + i], b = word[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// Index of the longest name that the text at `pos` starts with, or -1.
template <size_t N>
int matchName(std::string_view s, size_t& pos, const std::array<std::string, N>& a,
              const std::array<std::string, N>& b) {
    int best = -1;
    size_t bestLen = 0;
    for (const auto* names : {&a, &b})
        for (size_t i = 0; i < N; ++i)
            if ((*names)[i].size() > bestLen && startsWithNoCase(s, pos, (*names)[i])) {
                best = static_cast<int>(i);
                bestLen = (*names)[i].size();
            }
    pos += bestLen;
    return best;
}

} // namespace

LocaleFormats::LocaleFormats(const QLocale& locale)
    : LocaleFormats(locale, locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat)) {
}

LocaleFormats::LocaleFormats(const QLocale& locale, const QString& datePattern, const QString& timePattern) {
    m_date = tokenize(datePattern);
    m_time = tokenize(timePattern);
    m_datePattern = patternOf(m_date);
    m_timePattern = patternOf(m_time);
    m_timeHas12h = has12Hour(m_time);
    m_decimal = utf8(locale.decimalPoint());
    m_negative = utf8(locale.negativeSign());
    for (int i = 0; i < 12; ++i) {
        m_monthShort[static_cast<size_t>(i)] = utf8(locale.monthName(i + 1, QLocale::ShortFormat));
        m_monthLong[static_cast<size_t>(i)] = utf8(locale.monthName(i + 1, QLocale::LongFormat));
    }
    for (int i = 0; i < 7; ++i) {
        m_dayShort[static_cast<size_t>(i)] = utf8(locale.dayName(i + 1, QLocale::ShortFormat));
        m_dayLong[static_cast<size_t>(i)] = utf8(locale.dayName(i + 1, QLocale::LongFormat));
    }
    m_amUpper = utf8(locale.amText().toUpper());
    m_pmUpper = utf8(locale.pmText().toUpper());
    m_amLower = utf8(locale.amText().toLower());
    m_pmLower = utf8(locale.pmText().toLower());
    m_centuryYear = QDate::currentDate().year();
}

void LocaleFormats::append(std::string& out, const std::vector<Token>& tokens, double value) const {
    // Not a date (NaN, infinite, or beyond the years 1 to 9999): the field stays empty, where a
    // date far out of range would need more digits than the calendar arithmetic can hold.
    if (!isDateTimeValue(value))
        return;
    // Split exactly as fromDateTimeValue does, so texts and QDateTime agree to the millisecond.
    double days = std::floor(value);
    int64_t ms = std::llround((value - days) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1;
    }
    const int64_t unixDays = static_cast<int64_t>(days) - UnixEpochValue;
    int64_t year = 0;
    int month = 1, day = 1;
    civilFromDays(unixDays, year, month, day);
    const int weekday = static_cast<int>(((unixDays + 3) % 7 + 7) % 7); // 0 = Monday
    const int hour = static_cast<int>(ms / 3600000);
    const int minute = static_cast<int>(ms / 60000 % 60);
    const int second = static_cast<int>(ms / 1000 % 60);
    const int msec = static_cast<int>(ms % 1000);
    const bool twelve = has12Hour(tokens);
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;

    for (const Token& t : tokens) {
        switch (t.field) {
        case Field::Literal:
            out += t.text;
            break;
        case Field::Day:
            appendInt(out, day, 1);
            break;
        case Field::Day2:
            appendInt(out, day, 2);
            break;
        case Field::DayShortName:
            out += m_dayShort[static_cast<size_t>(weekday)];
            break;
        case Field::DayLongName:
            out += m_dayLong[static_cast<size_t>(weekday)];
            break;
        case Field::Month:
            appendInt(out, month, 1);
            break;
        case Field::Month2:
            appendInt(out, month, 2);
            break;
        case Field::MonthShortName:
            out += m_monthShort[static_cast<size_t>(month - 1)];
            break;
        case Field::MonthLongName:
            out += m_monthLong[static_cast<size_t>(month - 1)];
            break;
        case Field::Year2:
            appendInt(out, (year % 100 + 100) % 100, 2);
            break;
        case Field::Year4:
            appendInt(out, year, 4);
            break;
        case Field::Hour:
            appendInt(out, twelve ? hour12 : hour, 1);
            break;
        case Field::Hour2:
            appendInt(out, twelve ? hour12 : hour, 2);
            break;
        case Field::Hour24:
            appendInt(out, hour, 1);
            break;
        case Field::Hour24_2:
            appendInt(out, hour, 2);
            break;
        case Field::Minute:
            appendInt(out, minute, 1);
            break;
        case Field::Minute2:
            appendInt(out, minute, 2);
            break;
        case Field::Second:
            appendInt(out, second, 1);
            break;
        case Field::Second2:
            appendInt(out, second, 2);
            break;
        case Field::Msec: {
            int v = msec, digits = 3;
            while (v != 0 && v % 10 == 0) {
                v /= 10;
                --digits;
            }
            appendInt(out, v, v == 0 ? 1 : digits);
            break;
        }
        case Field::Msec3:
            appendInt(out, msec, 3);
            break;
        case Field::AmPmUpper:
            out += hour < 12 ? m_amUpper : m_pmUpper;
            break;
        case Field::AmPmLower:
            out += hour < 12 ? m_amLower : m_pmLower;
            break;
        case Field::TimeZone:
            break;
        }
    }
}

void LocaleFormats::appendDate(std::string& out, double value) const {
    append(out, m_date, value);
}

void LocaleFormats::appendTime(std::string& out, double value) const {
    append(out, m_time, value);
}

void LocaleFormats::appendFixed1(std::string& out, double value) const {
    if (!std::isfinite(value)) {
        out += std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
        return;
    }
    // Seven significant digits first, then tenths rounded half away from zero, worked on the
    // decimal digits so binary neighbours of a half (0.35f) round as they read.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
    const bool negative = buf[0] == '-';
    const char* p = buf + (negative ? 1 : 0);
    uint64_t digits = 0;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, exponent);
    const int shift = exponent - 5; // value in tenths = digits * 10^shift
    uint64_t tenths = 0;
    if (shift > 12) {
        // Far beyond every range the program writes; plain fixed notation is good enough.
        const auto f = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
        std::string s(buf, f.ptr);
        const auto dot = s.find('.');
        out += s.substr(0, dot);
        out += m_decimal;
        out += s.substr(dot + 1);
        return;
    }
    if (shift >= 0) {
        tenths = digits;
        for (int i = 0; i < shift; ++i)
            tenths *= 10;
    } else if (-shift <= 18) {
        uint64_t div = 1;
        for (int i = 0; i < -shift; ++i)
            div *= 10;
        tenths = digits / div;
        if ((digits % div) * 2 >= div)
            ++tenths;
    }
    if (negative && tenths != 0)
        out += '-';
    char num[24];
    const auto w = std::to_chars(num, num + sizeof num, tenths / 10);
    out.append(num, w.ptr);
    out += m_decimal;
    out += static_cast<char>('0' + tenths % 10);
}

QString LocaleFormats::formatDate(double value) const {
    std::string s;
    appendDate(s, value);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString LocaleFormats::formatTime(double value) const {
    std::string s;
    appendTime(s, value);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString LocaleFormats::formatFixed1(double value) const {
    std::string s;
    appendFixed1(s, value);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool LocaleFormats::parseTokens(std::string_view& text, const std::vector<Token>& tokens, Parsed& p) const {
    size_t pos = 0;
    for (const Token& t : tokens) {
        int v = 0;
        switch (t.field) {
        case Field::Literal: {
            // A blank in the pattern takes any run of blanks; everything else must match exactly.
            size_t i = 0;
            while (i < t.text.size()) {
                if (size_t b = blankAt(t.text, i)) {
                    if (!blankAt(text, pos))
                        return false;
                    pos = skipBlanks(text, pos);
                    i = skipBlanks(t.text, i + b);
                    continue;
                }
                if (pos >= text.size() || text[pos] != t.text[i])
                    return false;
                ++pos;
                ++i;
            }
            break;
        }
        case Field::Day:
        case Field::Day2:
            if (!readDigits(text, pos, 2, p.day))
                return false;
            break;
        case Field::DayShortName:
        case Field::DayLongName:
            if (matchName(text, pos, m_dayLong, m_dayShort) < 0)
                return false;
            break;
        case Field::Month:
        case Field::Month2:
            if (!readDigits(text, pos, 2, p.month))
                return false;
            break;
        case Field::MonthShortName:
        case Field::MonthLongName: {
            const int m = matchName(text, pos, m_monthLong, m_monthShort);
            if (m < 0)
                return false;
            p.month = m + 1;
            break;
        }
        case Field::Year2: {
            if (!readDigits(text, pos, 2, v))
                return false;
            int year = m_centuryYear / 100 * 100 + v;
            if (year > m_centuryYear + 50)
                year -= 100;
            else if (year <= m_centuryYear - 50)
                year += 100;
            p.year = year;
            break;
        }
        case Field::Year4: {
            const bool negative = pos < text.size() && text[pos] == '-';
            pos += negative ? 1 : 0;
            if (!readDigits(text, pos, 4, v))
                return false;
            p.year = negative ? -v : v;
            break;
        }
        case Field::Hour:
        case Field::Hour2:
        case Field::Hour24:
        case Field::Hour24_2:
            if (!readDigits(text, pos, 2, p.hour))
                return false;
            p.hour12 = m_timeHas12h && (t.field == Field::Hour || t.field == Field::Hour2);
            break;
        case Field::Minute:
        case Field::Minute2:
            if (!readDigits(text, pos, 2, p.minute))
                return false;
            break;
        case Field::Second:
        case Field::Second2:
            if (!readDigits(text, pos, 2, p.second))
                return false;
            break;
        case Field::Msec:
        case Field::Msec3: {
            size_t n = 0;
            if (!readDigits(text, pos, 3, v, &n))
                return false;
            for (; n < 3; ++n)
                v *= 10;
            p.msec = v;
            break;
        }
        case Field::AmPmUpper:
        case Field::AmPmLower:
            if (startsWithNoCase(text, pos, m_amUpper)) {
                pos += m_amUpper.size();
                p.ampm = 0;
            } else if (startsWithNoCase(text, pos, m_pmUpper)) {
                pos += m_pmUpper.size();
                p.ampm = 1;
            } else {
                return false;
            }
            break;
        case Field::TimeZone:
            break;
        }
    }
    text.remove_prefix(pos);
    return true;
}

std::optional<double> LocaleFormats::parseDateTime(std::string_view text) const {
    text = trimBlanks(text);
    Parsed p;
    if (!parseTokens(text, m_date, p))
        return std::nullopt;
    const size_t gap = skipBlanks(text, 0);
    if (gap == 0)
        return std::nullopt;
    text.remove_prefix(gap);
    if (!parseTokens(text, m_time, p) || !text.empty())
        return std::nullopt;

    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > daysInMonth(p.year, p.month))
        return std::nullopt;
    int hour = p.hour;
    if (p.hour12 && p.ampm >= 0) {
        if (hour > 12)
            return std::nullopt;
        hour = hour % 12 + (p.ampm == 1 ? 12 : 0);
    }
    if (hour > 23 || p.minute > 59 || p.second > 59)
        return std::nullopt;
    const int64_t days = daysFromCivil(p.year, p.month, p.day) + UnixEpochValue;
    const int ms = ((hour * 60 + p.minute) * 60 + p.second) * 1000 + p.msec;
    const double value = static_cast<double>(days) + ms / 86400000.0;
    // Years 0 and below (a four-digit year may carry a minus sign) are no dates of ours.
    if (!isDateTimeValue(value))
        return std::nullopt;
    return value;
}

std::optional<double> LocaleFormats::parseDateTime(const QString& text) const {
    const QByteArray b = text.toUtf8();
    return parseDateTime(std::string_view(b.constData(), static_cast<size_t>(b.size())));
}

std::optional<double> LocaleFormats::parseNumber(std::string_view text) const {
    text = trimBlanks(text);
    std::string ascii;
    size_t pos = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        if (text[0] == '-')
            ascii += '-';
        pos = 1;
    } else if (m_negative != "-" && text.substr(0, m_negative.size()) == m_negative) {
        ascii += '-';
        pos = m_negative.size();
    }
    size_t digits = 0;
    auto copyDigits = [&] {
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ascii += text[pos++];
            ++digits;
        }
    };
    copyDigits();
    if (text.substr(pos, m_decimal.size()) == m_decimal) {
        ascii += '.';
        pos += m_decimal.size();
        copyDigits();
    }
    if (digits == 0)
        return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ascii += 'e';
        ++pos;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
            ascii += text[pos++];
        const size_t before = digits;
        copyDigits();
        if (digits == before)
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (r.ec != std::errc() || r.ptr != ascii.data() + ascii.size())
        return std::nullopt;
    return v;
}

std::optional<double> LocaleFormats::parseNumber(const QString& text) const {
    const QByteArray b = text.toUtf8();
    return parseNumber(std::string_view(b.constData(), static_cast<size_t>(b.size())));
}
