#pragma once
// The one way the program writes a file: into a temporary file beside it, which replaces the old
// file only once every byte is on the disk. Qt 6.4's QSaveFile::commit() can return true although
// its last buffered write failed (a full disk leaves a cut-short file in place of the old one), so
// every write is checked, the buffer is flushed and checked before the commit, and the commit itself
// is checked. On any failure the old file stays as it was and errorString() gives the operating
// system's reason ("No space left on device").
#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <span>
#include <string_view>

class CheckedSaveFile {
  public:
    explicit CheckedSaveFile(const QString& fileName);
    // Cancels a file that was not committed: the temporary file goes, the old file stays.
    ~CheckedSaveFile();
    CheckedSaveFile(const CheckedSaveFile&) = delete;
    CheckedSaveFile& operator=(const CheckedSaveFile&) = delete;

    bool open();
    // All of the bytes or a failure; after a failure every later call fails too.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    bool write(std::string_view bytes) { return write(bytes.data(), qint64(bytes.size())); }
    bool write(std::span<const uint8_t> bytes) {
        return write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    // Flushes, checks, and puts the new file in place of the old one. False on any failure so
    // far, and then nothing is replaced.
    bool commit();
    // Gives up: the temporary file goes, the old file stays.
    void cancel();

    bool failed() const { return m_failed; }
    // The reason of the first failure, as the operating system gave it.
    QString errorString() const;
    const QString& fileName() const { return m_fileName; }

    // Tests: the next commit's flush fails with this reason, as on a full disk.
    static void failNextFlushForTests(const QString& reason);

  private:
    bool fail(const QString& reason);
    // Flushes the buffered bytes; false with the reason in m_error.
    bool flushed();
    // The file's error text, or the system's for `code` where Qt has none.
    QString reasonOf(int code) const;

    QString m_fileName;
    QSaveFile m_file;
    QString m_error;
    bool m_failed = false;
    bool m_done = false;
};

// The reason a file operation failed: the file's own error text, or the system's for `code` (errno
// taken right after the call) where Qt left it at "Unknown error", as Qt 6.4 does for a failed
// flush or an unbuffered write on a full disk.
QString fileErrorReason(const QFileDevice& file, int code);

// Writes `bytes` as the whole file through CheckedSaveFile. False with the reason in `error`.
bool saveFileWhole(const QString& fileName, std::span<const uint8_t> bytes, QString* error = nullptr);
inline bool saveFileWhole(const QString& fileName, const QByteArray& bytes, QString* error = nullptr) {
    return saveFileWhole(fileName,
                         {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())}, error);
}
