#include "output_target.h"

#include "cli_common.h"

#include "platform/checked_save_file.h"
#include <QDir>

OutputTarget::OutputTarget(const QString& path) : m_path(path) {
    if (!path.isEmpty() && path != QLatin1String("-"))
        m_file = std::make_unique<CheckedSaveFile>(path);
}

OutputTarget::~OutputTarget() = default;

bool OutputTarget::open() {
    return !m_file || m_file->open();
}

bool OutputTarget::write(std::string_view bytes) {
    if (m_failed)
        return false;
    if (!m_file) {
        m_failed = !console::out(bytes);
        return !m_failed;
    }
    if (!m_file->write(bytes)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool OutputTarget::commit() {
    if (!m_file)
        return console::flushOut() && !m_failed;
    if (m_failed) {
        m_file->cancel(); // removes the temporary file, keeps the old one
        return false;
    }
    return m_file->commit();
}

QString OutputTarget::errorString() const {
    if (!m_file)
        return QStringLiteral("standard output: write error");
    return QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + m_file->errorString();
}
