#include "checked_save_file.h"

#include <cerrno>
#include <utility>

namespace {

QString& pendingFlushFailure() {
    static QString reason;
    return reason;
}

} // namespace

CheckedSaveFile::CheckedSaveFile(const QString& fileName) : m_fileName(fileName), m_file(fileName) {}

CheckedSaveFile::~CheckedSaveFile() {
    if (!m_done)
        cancel();
}

void CheckedSaveFile::failNextFlushForTests(const QString& reason) {
    pendingFlushFailure() = reason;
}

bool CheckedSaveFile::fail(const QString& reason) {
    if (!m_failed) {
        m_failed = true;
        m_error = reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
    }
    return false;
}

QString fileErrorReason(const QFileDevice& file, int code) {
    const QString text = file.errorString();
    if ((text.isEmpty() || text == QLatin1String("Unknown error")) && code != 0)
        return qt_error_string(code);
    return text;
}

QString CheckedSaveFile::reasonOf(int code) const {
    return fileErrorReason(m_file, code);
}

bool CheckedSaveFile::flushed() {
    errno = 0;
    const bool ok = m_file.flush();
    const int code = errno;
    if (ok && m_file.error() == QFileDevice::NoError)
        return true;
    m_error = reasonOf(code);
    return false;
}

bool CheckedSaveFile::open() {
    if (m_file.open(QIODevice::WriteOnly))
        return true;
    return fail(m_file.errorString());
}

bool CheckedSaveFile::write(const char* data, qint64 size) {
    if (m_failed)
        return false;
    if (!m_file.isOpen())
        return fail(QStringLiteral("The file is not open."));
    while (size > 0) {
        errno = 0;
        const qint64 written = m_file.write(data, size);
        if (written <= 0)
            return fail(reasonOf(errno));
        data += written;
        size -= written;
    }
    return true;
}

bool CheckedSaveFile::commit() {
    if (m_done)
        return !m_failed;
    if (!m_failed && !m_file.isOpen())
        fail(QStringLiteral("The file is not open."));
    if (!m_failed) {
        // The last buffered bytes reach the disk here, where a full disk shows; commit() alone
        // would not tell.
        const QString injected = std::exchange(pendingFlushFailure(), QString());
        if (!injected.isEmpty())
            fail(injected);
        else if (!flushed())
            fail(m_error);
    }
    if (m_failed) {
        cancel();
        return false;
    }
    m_done = true;
    if (!m_file.commit())
        return fail(m_file.errorString());
    return true;
}

void CheckedSaveFile::cancel() {
    m_done = true;
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit(); // after cancelWriting: removes the temporary file and keeps the old one
    }
}

QString CheckedSaveFile::errorString() const {
    return m_error;
}

bool saveFileWhole(const QString& fileName, std::span<const uint8_t> bytes, QString* error) {
    CheckedSaveFile file(fileName);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
