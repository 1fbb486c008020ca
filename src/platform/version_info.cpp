#include "version_info.h"

#include <QLabel>

TVersionInfo::TVersionInfo(QObject* owner, const VersionBlock& block)
    : QObject(owner), m_text(readFileVersion(block)) {}

void TVersionInfo::SetFileVersionLabel(QLabel* label) {
    if (label)
        label->setText(designing ? QStringLiteral("#File Version#") : m_text);
    m_label = label;
}

void TVersionInfo::Loaded() {
    if (m_label)
        m_label->setText(m_text);
}
