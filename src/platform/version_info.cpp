#include "version_info.h"

#include <QLabel>

VersionInfo::VersionInfo(QObject* owner, const VersionBlock& block)
    : QObject(owner), m_text(readFileVersion(block)) {}

void VersionInfo::setFileVersionLabel(QLabel* label) {
    if (label)
        label->setText(designing ? QStringLiteral("#File Version#") : m_text);
    m_label = label;
}

void VersionInfo::loaded() {
    if (m_label)
        m_label->setText(m_text);
}
