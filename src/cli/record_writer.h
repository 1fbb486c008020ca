#pragma once
#include "files/locale_formats.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <string>

struct DataSetStore;
struct LiveReading;

// The command line's output formats: the program's own text files (the graph window's export,
// byte for byte) and JSON Lines.
enum class TextFormat { Txt, Csv, Jsonl };
std::optional<TextFormat> textFormatNamed(const QString& name);
// "txt", "csv" or "jsonl"
QString textFormatName(TextFormat format);

// Writes data sets and live readings as lines of one format. txt and csv lines are those of the
// graph window's export in the user's locale (see text_lines.h); a jsonl line is one object with
// the ISO 8601 time (local, no zone), the values as numbers with one decimal, and for a value
// outside its range null and a flag holding the text file's marker:
//   {"set":1,"time":"2026-07-27T10:15:00","ppm":1180.0,"rh":45.2,"temp":22.5,"unit":"C"}
//   {"time":"2026-07-31T14:05:09","ppm":null,"ppm_flag":"OL","rh":45.2,"temp":22.5,"unit":"C"}
class RecordWriter {
  public:
    // Takes the formats of the default locale (QLocale()) once.
    explicit RecordWriter(TextFormat format);

    // Every record of set k of the store; nothing when the store does not hold it.
    void appendSet(std::string& out, const DataSetStore& store, std::size_t k) const;
    // One live reading taken at `time` (a date-time value).
    void appendReading(std::string& out, double time, const LiveReading& reading) const;

  private:
    // False for a time of 0, which ends a set as it ends the window's export.
    bool appendRecord(std::string& out, int setNumber, double time, std::span<const float, 3> values,
                      bool fahrenheit) const;

    TextFormat m_format;
    LocaleFormats m_locale;
    LocaleFormats m_iso;
    char m_separator;
};
