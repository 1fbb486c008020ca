#pragma once
// The recording journal: every real-time sample, as it is taken, in a small file of our own in the
// data folder's temp folder, so that a recording outlives a crash, a killed process or a power cut.
// It goes when the recording is saved, cleared or replaced; one left behind is offered back at the
// next start (recording_recovery.h).
//
// Layout, all numbers little-endian, floating point as IEEE-754 bits:
//   header, 96 bytes
//      0  8 bytes  magic "QZ407RTJ"
//      8  u16      format version (1)
//     10  u16      header size (96)
//     12  u16      record size (28)
//     14  u16      0
//     16  f64      start time (date-time days)
//     24  f64      X scale minimum at the start
//     32  f64      X scale maximum at the start
//     40  f64      X extension step (days)
//     48  i32      sampling rate in seconds
//     52  i32      count limit (the chart's point count)
//     56  f64 x 4  minimum and maximum of Y axis 0, then of Y axis 1
//     88  u8 x 2   scale control of Y axis 0 and of Y axis 1
//     90  u8       temperature unit of the samples: 0 Celsius, 1 Fahrenheit
//     91  3 bytes  0
//     94  u16      CRC-16 (ISO 3309) of bytes 0-93
//   then one record of 28 bytes per sample
//      0  u32      sequence number: 0, 1, 2, ...
//      4  f64      date-time of the sample (for the stop record: the stop time)
//     12  i32      ppm
//     16  f32      humidity
//     20  f32      temperature
//     24  u8       range flags
//     25  u8       kind: 1 a sample, 2 the recording was stopped (always the last record)
//     26  u16      CRC-16 (ISO 3309) of bytes 0-25
// A record is written whole with one call; a record cut short by a power cut is dropped on reading.
#include <QByteArray>
#include <QFile>
#include <QLockFile>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class Clock;

namespace journal {

inline constexpr int kHeaderSize = 96;
inline constexpr int kRecordSize = 28;
inline constexpr quint16 kVersion = 1;
// The largest count the setup dialog takes.
inline constexpr int kMaxCount = 99999;
// Written data reaches the disk itself at least this often while a recording runs.
inline constexpr int kSyncIntervalMs = 9000;

struct AxisSetup {
    int scaleControl = 0;
    double min = 0.0;
    double max = 0.0;
    bool operator==(const AxisSetup&) const = default;
};

// What a recording starts with: enough to set the chart up again as Run left it.
struct Header {
    double startTime = 0.0;
    double xMin = 0.0;
    double xMax = 0.0;
    double extendStep = 0.0;
    int rate = 0;
    int countLimit = 0;
    std::array<AxisSetup, 2> axes{};
    bool fahrenheit = false; // the unit the meter showed at Run
    bool operator==(const Header&) const = default;
};

// One sample as it was handed to the recording.
struct Sample {
    double x = 0.0;
    int32_t ppm = 0;
    float humidity = 0.0f;
    float temperature = 0.0f;
    uint8_t rangeFlags = 0;
    bool operator==(const Sample&) const = default;
};

enum class ReadStatus {
    Ok,
    NotAJournal,   // no journal signature: some other file
    DamagedHeader, // our signature, but the header cannot be trusted
};

struct Contents {
    ReadStatus status = ReadStatus::NotAJournal;
    QString problem; // why it was refused, for the user
    Header header;
    std::vector<Sample> samples;    // every whole, intact sample in order
    std::optional<double> stopTime; // when the recording was stopped, if it was
    std::size_t ignoredBytes = 0;   // bytes after the last intact record
    // Records that failed their checksum between intact ones: each is one sample lost, the samples
    // around it are kept.
    std::size_t damagedRecords = 0;
};

QByteArray encodeHeader(const Header& header);
QByteArray encodeSample(uint32_t sequence, const Sample& sample);
QByteArray encodeStop(uint32_t sequence, double stopTime);

// Reads a journal from its bytes. A record that fails its checksum is skipped and counted as
// damaged when an intact record follows it (records have a fixed size and their own sequence
// number, so the rest stay readable); reading ends at a record that is cut short, is out of
// sequence or holds a time that is not a date, and at damage that nothing intact follows. Never
// more samples than the count limit allows (one for a count of 0).
Contents read(std::span<const uint8_t> bytes);
// The most bytes a journal can usefully hold; reading more is pointless.
inline constexpr std::size_t kMaxBytes = std::size_t(kHeaderSize) + std::size_t(kMaxCount + 2) * kRecordSize;

} // namespace journal

// Writes the journal of the recording in progress. Every record goes to the operating system as it
// is written (a killed program loses nothing); the file is forced to the disk at least every
// kSyncIntervalMs and when the recording stops. A journal that cannot be written is given up, with
// the reason in problem(): the recording itself goes on in memory, and the recorder tells the user.
class RecordingJournal {
  public:
    explicit RecordingJournal(Clock& clock) : m_clock(clock) {}

    // "<data folder>/temp/RealTimeRecording.jnl" (the program's folder when the data folder is
    // empty).
    static QString pathIn(const QString& dataFolder);

    // Where the journal lives; empty turns journaling off. The place is locked for this program
    // run ("<path>.lock"): when another running program holds it, false, and no journal is kept
    // here, so that program's journal is neither offered nor touched. A lock left by a program that
    // ended without unlocking (a crash) is taken over.
    // When the lock cannot be made at all (a full disk, a read-only folder), the place is not held
    // but a journal left there is still offered back (recoveryPath()).
    bool setPath(const QString& path);
    // Empty while no place is held.
    QString path() const { return m_path; }
    // Where a journal left by an earlier run is looked for: the place held, or the place asked for
    // when it could not be locked for want of space or rights (not when another program holds it).
    QString recoveryPath() const { return m_recoveryPath; }
    // Why no journal is kept, in words for the user; empty while journaling works.
    QString problem() const { return m_problem; }
    // A place was asked for: a recording that cannot be journaled there is worth a word.
    bool wanted() const { return m_wanted; }

    // Starts a new journal in place of any old one. False when it cannot be written.
    bool start(const journal::Header& header);
    void append(const journal::Sample& sample);
    // Writes the stop record, forces the file to the disk and closes it. The file stays.
    void stop(double stopTime);
    // Forces written records to the disk when the last time is kSyncIntervalMs ago.
    void syncIfDue();
    // Closes and deletes the journal.
    void remove();
    bool isOpen() const { return m_file.isOpen(); }
    int samplesWritten() const { return int(m_sequence); }
    // Tick count at which the oldest record not yet forced to the disk was written; -1 when there
    // is none.
    int64_t unsyncedSince() const { return m_unsynced ? m_unsyncedSince : -1; }

  private:
    bool write(const QByteArray& record);
    void sync();

    void giveUp(const QString& reason);

    Clock& m_clock;
    QString m_path;
    QString m_recoveryPath;
    QString m_problem;
    bool m_wanted = false;
    std::unique_ptr<QLockFile> m_lock;
    QFile m_file;
    uint32_t m_sequence = 0;
    bool m_unsynced = false;
    int64_t m_unsyncedSince = 0; // tick count when the oldest record not yet on the disk was written
};
