#pragma once
#include <QString>

#include <string>
#include <vector>

// A Qt date or time pattern ("dd.MM.yyyy", "h:mm:ss AP t") as a list of fields and literal texts,
// read the way QDateTime::toString reads it. LocaleFormats formats and parses values by these
// tokens instead of going through QDateTime for every value.
namespace datepattern {

enum class Field : unsigned char {
    Literal,
    Day,
    Day2,
    DayShortName,
    DayLongName,
    Month,
    Month2,
    MonthShortName,
    MonthLongName,
    Year2,
    Year4,
    Hour,   // 0-23, or 1-12 when the pattern shows AM/PM
    Hour2,  // as Hour, two digits
    Hour24, // 0-23 always
    Hour24_2,
    Minute,
    Minute2,
    Second,
    Second2,
    Msec,  // fraction of a second without trailing zeros
    Msec3, // three digits
    AmPmUpper,
    AmPmLower,
    TimeZone, // dropped
};
struct Token {
    Field field = Field::Literal;
    std::string text; // literal text, UTF-8
};

// Splits a pattern into fields and literals; literals are UTF-8.
std::vector<Token> tokenize(const QString& pattern);
// The pattern the tokens stand for, in Qt's letters (time-zone fields dropped).
QString patternOf(const std::vector<Token>& tokens);
// Whether the tokens show AM/PM, so that their hours count 1-12.
bool has12Hour(const std::vector<Token>& tokens);

} // namespace datepattern
