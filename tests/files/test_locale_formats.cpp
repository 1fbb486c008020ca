#include "files/locale_formats.h"
#include "platform/clock.h"
#include "support/test_helpers.h"

#include <QDateTime>
#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_locale_formats {

// Switches the default locale for one test and restores the previous one afterwards.
double value(int y, int mo, int d, int h, int mi, int s) {
    return toDateTimeValue(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

std::string fixed1(const LocaleFormats& f, double v) {
    std::string s;
    f.appendFixed1(s, v);
    return s;
}

TEST(LocaleFormats, DateAndTimeInUsAndGermanLocales) {
    const double t = value(2026, 7, 31, 14, 5, 9);
    {
        LocaleGuard guard("en_US");
        const LocaleFormats f;
        EXPECT_EQ(f.datePattern(), "M/d/yy");
        EXPECT_EQ(f.timePattern(), "h:mm:ss AP"); // the time zone is left out
        EXPECT_EQ(f.formatDate(t), "7/31/26");
        EXPECT_EQ(f.formatTime(t), "2:05:09 PM");
        EXPECT_EQ(f.formatTime(value(2026, 1, 2, 0, 0, 1)), "12:00:01 AM");
        EXPECT_FALSE(f.decimalIsComma());
    }
    {
        LocaleGuard guard("de_DE");
        const LocaleFormats f;
        EXPECT_EQ(f.formatDate(t), "31.07.26");
        EXPECT_EQ(f.formatTime(t), "14:05:09");
        EXPECT_TRUE(f.decimalIsComma());
    }
}

// Values that are no dates (NaN, infinities, beyond the years 1 to 9999) write empty fields, and
// texts naming such years do not read as dates; the first and last days of the range do.
TEST(LocaleFormats, OnlyTheYears1To9999AreDates) {
    LocaleGuard guard("en_GB");
    const LocaleFormats f;
    EXPECT_EQ(f.datePattern(), "dd/MM/yyyy");
    for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 9.3e18, kEndDateTimeValue,
                     kFirstDateTimeValue - 1e-9}) {
        EXPECT_EQ(f.formatDate(v), "") << v;
        EXPECT_EQ(f.formatTime(v), "") << v;
    }
    EXPECT_EQ(f.formatDate(kFirstDateTimeValue) + ' ' + f.formatTime(kFirstDateTimeValue),
              "01/01/0001 00:00:00");
    const double last = kEndDateTimeValue - 1.0 / 86400;
    EXPECT_EQ(f.formatDate(last) + ' ' + f.formatTime(last), "31/12/9999 23:59:59");
    EXPECT_EQ(f.parseDateTime(std::string_view("01/01/0001 00:00:00")).value_or(0), kFirstDateTimeValue);
    EXPECT_DOUBLE_EQ(f.parseDateTime(std::string_view("31/12/9999 23:59:59")).value_or(0), last);
    EXPECT_FALSE(f.parseDateTime(std::string_view("31/12/0000 23:59:59")).has_value());
    EXPECT_FALSE(f.parseDateTime(std::string_view("01/01/-0001 00:00:00")).has_value());
}

TEST(LocaleFormats, AgreesWithQtAndReadsBackWhatItWrites) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> seconds(0, 60 * 365 * 86400);
    const QDateTime base(QDate(1990, 1, 1), QTime(0, 0));
    for (const char* name : {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP"}) {
        LocaleGuard guard(name);
        const QLocale locale;
        const LocaleFormats f;
        for (int i = 0; i < 300; ++i) {
            const QDateTime dt = base.addSecs(seconds(rng));
            const double v = toDateTimeValue(dt);
            ASSERT_EQ(f.formatDate(v), locale.toString(dt, f.datePattern())) << name;
            ASSERT_EQ(f.formatTime(v), locale.toString(dt, f.timePattern())) << name;
            const auto back = f.parseDateTime(f.formatDate(v) + ' ' + f.formatTime(v));
            ASSERT_TRUE(back.has_value()) << name;
            EXPECT_EQ(fromDateTimeValue(*back), dt) << name;
        }
    }
}

TEST(LocaleFormats, RejectsTextsThatAreNoDateAndTime) {
    LocaleGuard guard("en_US");
    const LocaleFormats f;
    for (const char* bad :
         {"", "abc", "7/31/26", "13/1/26 1:00:00 PM", "2/29/25 1:00:00 PM", "7/31/26 13:00:00 PM",
          "7/31/26 1:60:00 PM", "7/31/26 1:00:00", "7/31/26 1:00:00 PM x", "7/31/261:00:00 PM"})
        EXPECT_FALSE(f.parseDateTime(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_TRUE(f.parseDateTime(QStringLiteral("  2/29/24   1:00:00 pm ")).has_value());

    LocaleGuard german("de_DE");
    const LocaleFormats g;
    EXPECT_FALSE(g.parseDateTime(QStringLiteral("31.07.26 14:05:61")).has_value());
    EXPECT_FALSE(g.parseDateTime(QStringLiteral("7/31/26 2:05:09 PM")).has_value());
    EXPECT_EQ(*g.parseDateTime(QStringLiteral("31.07.26 14:05:09")), value(2026, 7, 31, 14, 5, 9));
}

TEST(LocaleFormats, TwoDigitYearsLieWithinFiftyYearsOfNow) {
    LocaleGuard guard("de_DE");
    const LocaleFormats f;
    const int now = QDate::currentDate().year();
    const auto year = [&](const char* text) {
        return fromDateTimeValue(*f.parseDateTime(QString::fromLatin1(text))).date().year();
    };
    EXPECT_EQ(year("01.01.00 00:00:00") % 100, 0);
    for (const char* text :
         {"01.01.00 00:00:00", "01.01.49 00:00:00", "01.01.50 00:00:00", "01.01.99 00:00:00"}) {
        const int y = year(text);
        EXPECT_GT(y, now - 50) << text;
        EXPECT_LE(y, now + 50) << text;
    }
}

TEST(LocaleFormats, FixedOneDecimalNumbers) {
    LocaleGuard guard("en_US");
    const LocaleFormats f;
    EXPECT_EQ(fixed1(f, 412.0), "412.0");
    EXPECT_EQ(fixed1(f, 45.2f), "45.2");
    EXPECT_EQ(fixed1(f, 23.4f), "23.4");
    EXPECT_EQ(fixed1(f, 40000.0), "40000.0");
    EXPECT_EQ(fixed1(f, -40.0), "-40.0");
    EXPECT_EQ(fixed1(f, 0.25), "0.3");  // halves away from zero
    EXPECT_EQ(fixed1(f, 0.35f), "0.4"); // 0.3499999940 reads 0.3500000 at seven digits
    EXPECT_EQ(fixed1(f, -3.45), "-3.5");
    EXPECT_EQ(fixed1(f, -0.04), "0.0");
    EXPECT_EQ(fixed1(f, 0.0), "0.0");
    EXPECT_EQ(fixed1(f, 1e-9), "0.0");

    LocaleGuard german("de_DE");
    const LocaleFormats g;
    EXPECT_EQ(fixed1(g, 412.0), "412,0");
    EXPECT_EQ(g.formatFixed1(-12.34), "-12,3");
}

TEST(LocaleFormats, DecimalNumbersFollowTheLocaleSeparator) {
    LocaleGuard guard("en_US");
    const LocaleFormats f;
    EXPECT_EQ(*f.parseNumber(QStringLiteral("412.0")), 412.0);
    EXPECT_EQ(*f.parseNumber(QStringLiteral(" -3.5 ")), -3.5);
    EXPECT_EQ(*f.parseNumber(QStringLiteral("+7")), 7.0);
    EXPECT_EQ(*f.parseNumber(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(*f.parseNumber(QStringLiteral("1e3")), 1000.0);
    for (const char* bad : {"", " ", "abc", "412,0", "1.2.3", "1,000", "1e", "-", " OL", " -OL", "5x"})
        EXPECT_FALSE(f.parseNumber(QString::fromLatin1(bad)).has_value()) << bad;

    LocaleGuard german("de_DE");
    const LocaleFormats g;
    EXPECT_EQ(*g.parseNumber(QStringLiteral("412,5")), 412.5);
    EXPECT_FALSE(g.parseNumber(QStringLiteral("412.5")).has_value());
}

} // namespace test_locale_formats
