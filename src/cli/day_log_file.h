#pragma once
// The logger's files: one a day in a folder, named qz407-YYYY-MM-DD.csv (or .jsonl) after the local
// date of the readings in it. Each line is appended and flushed as it is written, so a crash or a
// pulled plug costs at most the line in hand; a file that is there already (a restart that day) is
// appended to, with the header only in a new file, and a last line cut off by a crash is ended
// first, so every line stays whole.
#include <QDate>
#include <QFile>
#include <QString>

#include <string_view>

class DayLogFile {
  public:
    // `header` is the first line of a new file (empty: none); `suffix` without the dot.
    DayLogFile(QString folder, QString suffix, std::string header);

    // Appends one line of a reading taken on `day`, moving to that day's file first.
    bool append(const QDate& day, std::string_view line);
    // The file in use, and the reason of the last failure with its name.
    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

    static QString fileName(const QDate& day, const QString& suffix);

  private:
    bool open(const QDate& day);

    QString m_folder, m_suffix;
    std::string m_header;
    QDate m_day;
    QFile m_file;
    QString m_error;
};
