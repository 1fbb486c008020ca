#include "date_pattern.h"

namespace datepattern {
namespace {

std::string utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

bool isBlank(QChar c) {
    return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F) || c == QChar(0x2009);
}

} // namespace

// Splits a Qt date/time pattern into fields and literals, following QDateTime::toString: quoted
// text is literal ('' is a quote), runs of a pattern letter split into the longest known fields.
std::vector<Token> tokenize(const QString& pattern) {
    std::vector<std::pair<Field, QString>> raw;
    auto literal = [&](const QString& s) {
        if (!raw.empty() && raw.back().first == Field::Literal)
            raw.back().second += s;
        else
            raw.emplace_back(Field::Literal, s);
    };
    const qsizetype n = pattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            if (i + 1 < n && pattern[i + 1] == u'\'') {
                literal(QStringLiteral("'"));
                i += 2;
                continue;
            }
            QString text;
            qsizetype j = i + 1;
            for (; j < n; ++j) {
                if (pattern[j] == u'\'') {
                    if (j + 1 < n && pattern[j + 1] == u'\'') {
                        text += u'\'';
                        ++j;
                        continue;
                    }
                    break;
                }
                text += pattern[j];
            }
            literal(text);
            i = j + 1;
            continue;
        }
        if (c == u'A' || c == u'a') {
            raw.emplace_back(c == u'A' ? Field::AmPmUpper : Field::AmPmLower, QString());
            i += (i + 1 < n && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p')) ? 2 : 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && pattern[i + run] == c)
            ++run;
        i += run;
        auto emitRuns = [&](std::initializer_list<Field> byLength) { // fields for run lengths 1..k
            const auto maxLen = static_cast<qsizetype>(byLength.size());
            while (run > 0) {
                const qsizetype k = std::min(run, maxLen);
                raw.emplace_back(*(byLength.begin() + (k - 1)), QString());
                run -= k;
            }
        };
        switch (c.unicode()) {
        case u'd':
            emitRuns({Field::Day, Field::Day2, Field::DayShortName, Field::DayLongName});
            break;
        case u'M':
            emitRuns({Field::Month, Field::Month2, Field::MonthShortName, Field::MonthLongName});
            break;
        case u'y':
            for (; run >= 4; run -= 4)
                raw.emplace_back(Field::Year4, QString());
            for (; run >= 2; run -= 2)
                raw.emplace_back(Field::Year2, QString());
            if (run == 1)
                literal(QStringLiteral("y"));
            break;
        case u'h':
            emitRuns({Field::Hour, Field::Hour2});
            break;
        case u'H':
            emitRuns({Field::Hour24, Field::Hour24_2});
            break;
        case u'm':
            emitRuns({Field::Minute, Field::Minute2});
            break;
        case u's':
            emitRuns({Field::Second, Field::Second2});
            break;
        case u'z':
            for (; run >= 3; run -= 3)
                raw.emplace_back(Field::Msec3, QString());
            for (; run > 0; --run)
                raw.emplace_back(Field::Msec, QString());
            break;
        case u't':
            raw.emplace_back(Field::TimeZone, QString());
            break;
        default:
            literal(QString(run, c));
            break;
        }
    }

    // Drop the time-zone field with the blanks that set it apart.
    for (size_t k = 0; k < raw.size(); ++k) {
        if (raw[k].first != Field::TimeZone)
            continue;
        if (k > 0 && raw[k - 1].first == Field::Literal) {
            QString& s = raw[k - 1].second;
            while (!s.isEmpty() && isBlank(s.back()))
                s.chop(1);
        } else if (k + 1 < raw.size() && raw[k + 1].first == Field::Literal) {
            QString& s = raw[k + 1].second;
            while (!s.isEmpty() && isBlank(s.front()))
                s.remove(0, 1);
        }
    }
    std::vector<Token> out;
    for (auto& [field, text] : raw) {
        if (field == Field::TimeZone || (field == Field::Literal && text.isEmpty()))
            continue;
        out.push_back(Token{field, utf8(text)});
    }
    return out;
}

QString patternOf(const std::vector<Token>& tokens) {
    // Rebuilt for display only; literals are quoted when they hold letters.
    QString s;
    for (const Token& t : tokens) {
        switch (t.field) {
        case Field::Literal: {
            const QString lit = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
            bool letters = false;
            for (QChar c : lit)
                letters = letters || c.isLetter() || c == u'\'';
            if (letters)
                s += u'\'' + QString(lit).replace(u'\'', QStringLiteral("''")) + u'\'';
            else
                s += lit;
            break;
        }
        case Field::Day:
            s += u"d";
            break;
        case Field::Day2:
            s += u"dd";
            break;
        case Field::DayShortName:
            s += u"ddd";
            break;
        case Field::DayLongName:
            s += u"dddd";
            break;
        case Field::Month:
            s += u"M";
            break;
        case Field::Month2:
            s += u"MM";
            break;
        case Field::MonthShortName:
            s += u"MMM";
            break;
        case Field::MonthLongName:
            s += u"MMMM";
            break;
        case Field::Year2:
            s += u"yy";
            break;
        case Field::Year4:
            s += u"yyyy";
            break;
        case Field::Hour:
            s += u"h";
            break;
        case Field::Hour2:
            s += u"hh";
            break;
        case Field::Hour24:
            s += u"H";
            break;
        case Field::Hour24_2:
            s += u"HH";
            break;
        case Field::Minute:
            s += u"m";
            break;
        case Field::Minute2:
            s += u"mm";
            break;
        case Field::Second:
            s += u"s";
            break;
        case Field::Second2:
            s += u"ss";
            break;
        case Field::Msec:
            s += u"z";
            break;
        case Field::Msec3:
            s += u"zzz";
            break;
        case Field::AmPmUpper:
            s += u"AP";
            break;
        case Field::AmPmLower:
            s += u"ap";
            break;
        case Field::TimeZone:
            break;
        }
    }
    return s;
}

bool has12Hour(const std::vector<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.field == Field::AmPmUpper || t.field == Field::AmPmLower)
            return true;
    return false;
}

} // namespace datepattern
