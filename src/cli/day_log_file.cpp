#include "day_log_file.h"

#include <QDir>

DayLogFile::DayLogFile(QString folder, QString suffix, std::string header)
    : m_folder(std::move(folder)), m_suffix(std::move(suffix)), m_header(std::move(header)) {}

QString DayLogFile::fileName(const QDate& day, const QString& suffix) {
    return QStringLiteral("qz407-%1.%2").arg(day.toString(QStringLiteral("yyyy-MM-dd")), suffix);
}

bool DayLogFile::open(const QDate& day) {
    m_file.close();
    m_day = QDate();
    m_file.setFileName(QDir(m_folder).filePath(fileName(day, m_suffix)));
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        m_error = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    QByteArray start;
    if (m_file.size() == 0) {
        start = QByteArray::fromStdString(m_header);
    } else {
        // A line cut off by a crash is ended, so the next one starts on a line of its own.
        char last = '\n';
        if (!m_file.seek(m_file.size() - 1) || !m_file.getChar(&last)) {
            m_error =
                QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
            return false;
        }
        if (last != '\n')
            start = m_header.size() >= 2 && m_header.substr(m_header.size() - 2) == "\r\n" ? "\r\n" : "\n";
    }
    if (!start.isEmpty() && (m_file.write(start) != start.size() || !m_file.flush())) {
        m_error = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        return false;
    }
    m_day = day;
    return true;
}

bool DayLogFile::append(const QDate& day, std::string_view line) {
    if (day != m_day && !open(day))
        return false;
    if (m_file.write(line.data(), qint64(line.size())) != qint64(line.size()) || !m_file.flush()) {
        m_error = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + m_file.errorString();
        // Opened afresh with the next line, which also ends a part of this one that got out.
        m_day = QDate();
        return false;
    }
    return true;
}
