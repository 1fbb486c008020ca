#pragma once
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

// Sets the default locale for one test and puts the previous one back afterwards.
struct LocaleGuard {
    QLocale saved;
    explicit LocaleGuard(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~LocaleGuard() { QLocale::setDefault(saved); }
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
