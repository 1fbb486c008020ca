#pragma once
#include "files/date_pattern.h"

#include <QLocale>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Dates, times and decimal numbers as the user's locale shows them: the short date format, the long
// time format without its time-zone field, and the locale's decimal separator. Built once from the
// locale's patterns for a whole export or import, then formats and parses each value without a
// QDateTime round trip: a million values take a few tens of milliseconds.
//
// Values are date-time values (days since 30 Dec 1899, see platform/clock.h); texts are UTF-8, as
// the text files are written. Digits are always ASCII. Two-digit years are read within fifty years
// of the current year.
class LocaleFormats {
  public:
    explicit LocaleFormats(const QLocale& locale = QLocale());
    // The locale's numbers and names with date and time patterns of our own (Qt pattern letters),
    // e.g. "yyyy-MM-dd" and "HH:mm:ss" for ISO 8601 texts.
    LocaleFormats(const QLocale& locale, const QString& datePattern, const QString& timePattern);

    // The Qt patterns in use (the time pattern without its time-zone field).
    const QString& datePattern() const { return m_datePattern; }
    const QString& timePattern() const { return m_timePattern; }
    // The decimal separator as UTF-8, and whether it is the comma (which rules out CSV).
    const std::string& decimalSeparator() const { return m_decimal; }
    bool decimalIsComma() const { return m_decimal == ","; }

    // Appends the value's date / time of day / fixed one-decimal number to `out`.
    void appendDate(std::string& out, double value) const;
    void appendTime(std::string& out, double value) const;
    // Fixed notation with one decimal after rounding to 7 significant digits, halves away from
    // zero ("412.0", "-3.5"); a result of zero is written without a sign.
    void appendFixed1(std::string& out, double value) const;

    QString formatDate(double value) const;
    QString formatTime(double value) const;
    QString formatFixed1(double value) const;

    // Reads "date time" (a date, one or more blanks, a time of day); surrounding blanks are allowed.
    std::optional<double> parseDateTime(std::string_view text) const;
    std::optional<double> parseDateTime(const QString& text) const;
    // Reads a decimal number written with the locale's separator, optionally signed, with an
    // optional exponent and surrounding blanks; anything else (group separators too) fails.
    std::optional<double> parseNumber(std::string_view text) const;
    std::optional<double> parseNumber(const QString& text) const;

    using Field = datepattern::Field;
    using Token = datepattern::Token;

  private:
    struct Parsed {
        int year = 1900, month = 1, day = 1;
        int hour = 0, minute = 0, second = 0, msec = 0;
        int ampm = -1; // -1 none, 0 am, 1 pm
        bool hour12 = false;
    };

    void append(std::string& out, const std::vector<Token>& tokens, double value) const;
    bool parseTokens(std::string_view& text, const std::vector<Token>& tokens, Parsed& p) const;

    QString m_datePattern, m_timePattern;
    std::vector<Token> m_date, m_time;
    bool m_timeHas12h = false;
    std::string m_decimal, m_negative;
    std::array<std::string, 12> m_monthShort, m_monthLong;
    std::array<std::string, 7> m_dayShort, m_dayLong; // Monday first
    std::string m_amUpper, m_pmUpper, m_amLower, m_pmLower;
    int m_centuryYear = 2000; // current year, for two-digit years
};
