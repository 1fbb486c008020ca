#include "realtime/recording_journal.h"
#include "platform/checked_save_file.h"

#include "platform/clock.h"
#include "platform/data_folder.h"

#include <QDir>
#include <cerrno>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace journal {

namespace {

constexpr char kMagic[8] = {'Q', 'Z', '4', '0', '7', 'R', 'T', 'J'};
constexpr uint8_t kSampleRecord = 1;
constexpr uint8_t kStopRecord = 2;
// Date-times the program can show: 31 Dec 1899 to 31 Dec 9999.
constexpr double kFirstDay = 1.0;
constexpr double kLastDay = 2958465.0;
// The largest rate the boxes allow (60:60) and the extension step it leads to, with room to spare.
constexpr int kMaxRate = 3660;
constexpr double kMaxExtendDays = 10.0;

quint16 crc(std::span<const uint8_t> bytes) {
    return qChecksum(QByteArrayView(bytes.data(), qsizetype(bytes.size())), Qt::ChecksumIso3309);
}

bool isDate(double days) {
    return std::isfinite(days) && days >= kFirstDay && days <= kLastDay;
}

class Out {
  public:
    explicit Out(int size) : m_bytes(size, '\0') {}
    template <typename T> void at(int offset, T value) { qToLittleEndian(value, m_bytes.data() + offset); }
    void f64(int offset, double v) { at<quint64>(offset, std::bit_cast<quint64>(v)); }
    void f32(int offset, float v) { at<quint32>(offset, std::bit_cast<quint32>(v)); }
    // Seals the record: a CRC of everything before its last two bytes goes into them.
    QByteArray sealed() {
        const auto* data = reinterpret_cast<const uint8_t*>(m_bytes.constData());
        at<quint16>(int(m_bytes.size()) - 2, crc({data, size_t(m_bytes.size()) - 2}));
        return m_bytes;
    }
    char* data() { return m_bytes.data(); }

  private:
    QByteArray m_bytes;
};

class In {
  public:
    explicit In(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    template <typename T> T at(size_t offset) const { return qFromLittleEndian<T>(m_bytes.data() + offset); }
    double f64(size_t offset) const { return std::bit_cast<double>(at<quint64>(offset)); }
    float f32(size_t offset) const { return std::bit_cast<float>(at<quint32>(offset)); }
    bool zero(size_t offset, size_t count) const {
        const auto part = m_bytes.subspan(offset, count);
        return std::all_of(part.begin(), part.end(), [](uint8_t b) { return b == 0; });
    }
    bool sealed() const { return crc(m_bytes.first(m_bytes.size() - 2)) == at<quint16>(m_bytes.size() - 2); }

  private:
    std::span<const uint8_t> m_bytes;
};

QByteArray encodeRecord(uint32_t sequence, const Sample& sample, uint8_t kind) {
    Out out(kRecordSize);
    out.at<quint32>(0, sequence);
    out.f64(4, sample.x);
    out.at<qint32>(12, sample.ppm);
    out.f32(16, sample.humidity);
    out.f32(20, sample.temperature);
    out.at<quint8>(24, sample.rangeFlags);
    out.at<quint8>(25, kind);
    return out.sealed();
}

// The header's fields, or the reason they cannot be trusted.
std::optional<QString> headerProblem(const In& in, Header& h) {
    if (!in.sealed())
        return QStringLiteral("its header is damaged (checksum mismatch).");
    const quint16 version = in.at<quint16>(8);
    if (version != kVersion || in.at<quint16>(10) != kHeaderSize || in.at<quint16>(12) != kRecordSize)
        return QStringLiteral("it was written in format version %1, which this program does not read.")
            .arg(version);
    h.startTime = in.f64(16);
    h.xMin = in.f64(24);
    h.xMax = in.f64(32);
    h.extendStep = in.f64(40);
    h.rate = in.at<qint32>(48);
    h.countLimit = in.at<qint32>(52);
    for (size_t a = 0; a < 2; ++a) {
        h.axes[a].min = in.f64(56 + 16 * a);
        h.axes[a].max = in.f64(64 + 16 * a);
        h.axes[a].scaleControl = in.at<quint8>(88 + a);
    }
    const quint8 unit = in.at<quint8>(90);
    h.fahrenheit = unit == 1;
    bool sane = isDate(h.startTime) && isDate(h.xMin) && isDate(h.xMax) && std::isfinite(h.extendStep) &&
                h.extendStep >= 0.0 && h.extendStep <= kMaxExtendDays && h.rate >= 1 && h.rate <= kMaxRate &&
                h.countLimit >= 0 && h.countLimit <= kMaxCount;
    for (const AxisSetup& axis : h.axes)
        sane = sane && std::isfinite(axis.min) && std::isfinite(axis.max) && axis.scaleControl <= 3;
    sane = sane && unit <= 1 && in.zero(14, 2) && in.zero(91, 3); // unused: a writer leaves them 0
    if (!sane)
        return QStringLiteral("its header holds values no recording can have.");
    return std::nullopt;
}

} // namespace

QByteArray encodeHeader(const Header& h) {
    Out out(kHeaderSize);
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    out.at<quint16>(8, kVersion);
    out.at<quint16>(10, kHeaderSize);
    out.at<quint16>(12, kRecordSize);
    out.f64(16, h.startTime);
    out.f64(24, h.xMin);
    out.f64(32, h.xMax);
    out.f64(40, h.extendStep);
    out.at<qint32>(48, h.rate);
    out.at<qint32>(52, h.countLimit);
    for (size_t a = 0; a < 2; ++a) {
        out.f64(56 + 16 * int(a), h.axes[a].min);
        out.f64(64 + 16 * int(a), h.axes[a].max);
        out.at<quint8>(88 + int(a), quint8(h.axes[a].scaleControl));
    }
    out.at<quint8>(90, h.fahrenheit ? 1 : 0);
    return out.sealed();
}

QByteArray encodeSample(uint32_t sequence, const Sample& sample) {
    return encodeRecord(sequence, sample, kSampleRecord);
}

QByteArray encodeStop(uint32_t sequence, double stopTime) {
    Sample at;
    at.x = stopTime;
    return encodeRecord(sequence, at, kStopRecord);
}

Contents read(std::span<const uint8_t> bytes) {
    Contents c;
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        c.problem = QStringLiteral("it is not a recording journal of this program.");
        return c;
    }
    c.status = ReadStatus::DamagedHeader;
    if (bytes.size() < size_t(kHeaderSize)) {
        c.problem =
            QStringLiteral("its header is cut short (%1 of %2 bytes).").arg(bytes.size()).arg(kHeaderSize);
        return c;
    }
    if (auto problem = headerProblem(In(bytes.first(kHeaderSize)), c.header)) {
        c.problem = *problem;
        c.header = {};
        return c;
    }
    c.status = ReadStatus::Ok;

    // A count of 0 still takes its one sample before the recording stops.
    const size_t limit = size_t(std::max(c.header.countLimit, 1));
    size_t offset = kHeaderSize; // just after the last intact record
    size_t next = kHeaderSize;   // the record to read
    size_t sequence = 0;         // the sequence number the record at `next` must carry
    size_t damaged = 0;          // damaged records since the last intact one
    while (bytes.size() - next >= size_t(kRecordSize)) {
        const In in(bytes.subspan(next, kRecordSize));
        if (!in.sealed()) {
            // A flipped bit or a torn write: that sample is lost, the ones after it are not.
            ++damaged;
            ++sequence;
            next += kRecordSize;
            continue;
        }
        const uint8_t kind = in.at<quint8>(25);
        const double x = in.f64(4);
        const bool stop = kind == kStopRecord;
        // A stop record carries only its time.
        if (in.at<quint32>(0) != sequence || !isDate(x) || (kind != kSampleRecord && !stop) ||
            (stop && !in.zero(12, 13)))
            break;
        if (!stop && c.samples.size() >= limit)
            break;
        c.damagedRecords += damaged;
        damaged = 0;
        next += kRecordSize;
        offset = next;
        ++sequence;
        if (stop) {
            c.stopTime = x;
            break;
        }
        c.samples.push_back({x, in.at<qint32>(12), in.f32(16), in.f32(20), in.at<quint8>(24)});
    }
    c.ignoredBytes = bytes.size() - offset;
    return c;
}

} // namespace journal

// ---------------------------------------------------------------------------------------------
// Writing.

namespace {

// Why a lock file cannot be made in `folder`, in the operating system's words.
QString lockFailure(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral(".qz407-write-test")));
    if (probe.open(QIODevice::WriteOnly)) {
        const bool written = probe.write("x", 1) == 1 && probe.flush();
        const QString reason = probe.errorString();
        probe.close();
        probe.remove();
        if (!written)
            return reason;
        return QStringLiteral("the lock file cannot be made");
    }
    return probe.errorString();
}

} // namespace

QString RecordingJournal::pathIn(const QString& dataFolder) {
    return QDir(dataFolderOrProgramFolder(dataFolder)).filePath(QStringLiteral("temp/RealTimeRecording.jnl"));
}

bool RecordingJournal::setPath(const QString& path) {
    m_file.close(); // a journal in progress stays as it is
    m_lock.reset();
    m_path.clear();
    m_recoveryPath.clear();
    m_problem.clear();
    m_wanted = !path.isEmpty();
    if (path.isEmpty())
        return true;
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    // Held for the whole run: only a holder that no longer runs makes it stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            m_problem = QStringLiteral("another running QZ407 program keeps its recording journal in %1.")
                            .arg(QDir::toNativeSeparators(folder));
        } else {
            // Nobody else uses the place: a journal left there is ours to offer.
            m_recoveryPath = path;
            m_problem = QStringLiteral("the recording journal cannot be created in %1 (%2).")
                            .arg(QDir::toNativeSeparators(folder), lockFailure(folder));
        }
        return false;
    }
    m_lock = std::move(lock);
    m_path = path;
    m_recoveryPath = path;
    return true;
}

bool RecordingJournal::start(const journal::Header& header) {
    remove();
    if (m_path.isEmpty()) {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("no place for a recording journal is set.");
        return false;
    }
    m_problem.clear();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_file.setFileName(m_path);
    // Unbuffered: each record reaches the operating system in the call that writes it.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        giveUp(m_file.errorString());
        return false;
    }
    m_sequence = 0;
    m_unsynced = false;
    if (!write(journal::encodeHeader(header)))
        return false;
    sync();
    return true;
}

void RecordingJournal::append(const journal::Sample& sample) {
    if (!m_file.isOpen())
        return;
    if (write(journal::encodeSample(m_sequence, sample)))
        ++m_sequence;
    syncIfDue();
}

void RecordingJournal::stop(double stopTime) {
    if (!m_file.isOpen())
        return;
    write(journal::encodeStop(m_sequence, stopTime));
    sync();
    m_file.close();
}

void RecordingJournal::syncIfDue() {
    if (m_file.isOpen() && m_unsynced && m_clock.tickCount() - m_unsyncedSince >= journal::kSyncIntervalMs)
        sync();
}

void RecordingJournal::remove() {
    m_file.close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

bool RecordingJournal::write(const QByteArray& record) {
    errno = 0;
    if (m_file.write(record) == record.size()) {
        if (!m_unsynced)
            m_unsyncedSince = m_clock.tickCount();
        m_unsynced = true;
        return true;
    }
    // A full disk or a vanished folder: give the journal up rather than leave a hole in it.
    giveUp(fileErrorReason(m_file, errno));
    return false;
}

void RecordingJournal::giveUp(const QString& reason) {
    m_problem = QStringLiteral("the recording journal %1 cannot be written (%2).")
                    .arg(QDir::toNativeSeparators(m_path), reason);
    const bool empty = m_file.isOpen() && m_file.size() < journal::kHeaderSize;
    m_file.close();
    // A journal without its header would only be set aside at the next start.
    if (empty)
        QFile::remove(m_path);
}

void RecordingJournal::sync() {
    if (!m_file.isOpen())
        return;
#ifdef Q_OS_WIN
    _commit(m_file.handle());
#elif defined(Q_OS_LINUX)
    ::fdatasync(m_file.handle());
#else
    ::fsync(m_file.handle());
#endif
    m_unsynced = false;
}
