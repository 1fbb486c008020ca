#include "output_target.h"

#include "cli_common.h"

#include <QDir>
#include <QSaveFile>

OutputTarget::OutputTarget(const QString& path) : m_path(path) {
    if (!path.isEmpty() && path != QLatin1String("-"))
        m_file = std::make_unique<QSaveFile>(path);
}

OutputTarget::~OutputTarget() = default;

bool OutputTarget::open() {
    return !m_file || m_file->open(QIODevice::WriteOnly);
}

bool OutputTarget::write(std::string_view bytes) {
    if (m_failed)
        return false;
    if (!m_file) {
        m_failed = !console::out(bytes);
        return !m_failed;
    }
    const char* data = bytes.data();
    qint64 left = static_cast<qint64>(bytes.size());
    while (left > 0) {
        const qint64 written = m_file->write(data, left);
        if (written <= 0) {
            m_failed = true;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool OutputTarget::commit() {
    if (!m_file)
        return console::flushOut() && !m_failed;
    if (m_failed) {
        m_file->cancelWriting();
        m_file->commit(); // removes the temporary file
        return false;
    }
    return m_file->commit();
}

QString OutputTarget::errorString() const {
    if (!m_file)
        return QStringLiteral("standard output: write error");
    return QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + m_file->errorString();
}
