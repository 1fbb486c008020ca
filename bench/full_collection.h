#pragma once
// A collection file whose four data sets fill the logging memory to its last address, written once
// per benchmark program into a temporary folder: the input of the whole-process benchmarks.
#include "link/demo_memory.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

inline QTemporaryDir& benchTempDir() {
    static QTemporaryDir dir;
    return dir;
}

inline const QString& fullCollection() {
    static const QString path = [] {
        using namespace meter_memory;
        std::vector<uint8_t> m = blankMemory();
        const QDateTime start(QDate(2026, 7, 1), QTime(8, 0, 0));
        for (int set = 0; set < 4; ++set) {
            SetHeader header;
            header.start = start.addDays(set);
            const uint32_t s = *beginDataSet(m, header);
            for (int k = 0; set == 3 || k < 8000; ++k)
                if (!appendRecord(m, s, demoReading(k * 2.0)))
                    break;
        }
        const QString file = benchTempDir().filePath(QStringLiteral("full.407"));
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write(reinterpret_cast<const char*>(m.data()), qint64(m.size()));
        return file;
    }();
    return path;
}
