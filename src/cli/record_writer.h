#pragma once
#include "cli/influx_line.h"
#include "files/locale_formats.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <string>

struct DataSetStore;
struct LiveReading;

// The command line's output formats: the program's own text files (the graph window's export,
// byte for byte), JSON Lines and InfluxDB line protocol (see influx_line.h).
enum class TextFormat { Txt, Csv, Jsonl, Influx };
std::optional<TextFormat> textFormatNamed(const QString& name);
// "txt", "csv", "jsonl" or "influx"
QString textFormatName(TextFormat format);

// Writes data sets and live readings as lines of one format. txt and csv lines are those of the
// graph window's export in the user's locale (see text_lines.h); a jsonl line is one object with
// the ISO 8601 time (local, no zone), the values as numbers with one decimal, and for a value
// outside its range null and a flag holding the text file's marker:
//   {"set":1,"time":"2026-07-27T10:15:00","ppm":1180.0,"rh":45.2,"temp":22.5,"unit":"C"}
//   {"time":"2026-07-31T14:05:09","ppm":null,"ppm_flag":"OL","rh":45.2,"temp":22.5,"unit":"C"}
// An influx line carries the meter's serial number as its tag and the time in UTC. The meter's
// clock runs on evenly through a daylight-saving change, so the records of a set are all read with
// the UTC offset of the set's first record: a set stays evenly spaced in UTC as it was recorded.
class RecordWriter {
  public:
    // Takes the formats of the default locale (QLocale()) once.
    explicit RecordWriter(TextFormat format);

    TextFormat format() const { return m_format; }
    // The serial tag of influx lines; none while empty.
    void setSerial(const QString& serial) { m_serial = serial.toStdString(); }

    // Every record of set k of the store; nothing when the store does not hold it.
    void appendSet(std::string& out, const DataSetStore& store, std::size_t k) const;
    // One live reading taken at `taken`.
    void appendReading(std::string& out, const QDateTime& taken, const LiveReading& reading) const;

  private:
    // False for a time of 0, which ends a set as it ends the window's export. `epochNs` is the
    // record's time in UTC, for influx lines.
    bool appendRecord(std::string& out, int setNumber, double time, std::span<const float, 3> values,
                      bool fahrenheit, int64_t epochNs = 0) const;

    TextFormat m_format;
    LocaleFormats m_locale;
    LocaleFormats m_iso;
    char m_separator;
    std::string m_serial;
};
