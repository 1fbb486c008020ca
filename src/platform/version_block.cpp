// The version block and its lookup, apart from the label component, so that a program without
// widgets can read its version too.
#include "version_info.h"

#include <QFile>

VersionBlock VersionBlock::fromText(const QByteArray& text) {
    VersionBlock b;
    for (const QByteArray& line : text.split('\n')) {
        const int tab = static_cast<int>(line.indexOf('\t'));
        if (tab <= 0)
            continue;
        b.m_entries.append(
            {QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)).trimmed()});
    }
    return b;
}

VersionBlock VersionBlock::program() {
    QFile f(":/version/version.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return fromText(f.readAll());
}

std::optional<QString> VersionBlock::query(const QString& path) const {
    for (const auto& [key, value] : m_entries) {
        if (key.compare(path, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QString readFileVersion(const VersionBlock& block) {
    if (block.isEmpty())
        return {};
    const auto translation = block.query("\\VarFileInfo\\Translation");
    if (!translation)
        return {};
    // Language identifier then code page, four hexadecimal digits each.
    bool ok = false;
    const uint value = translation->left(8).toUInt(&ok, 16);
    if (!ok || translation->size() < 8)
        return {};
    const QString table = QStringLiteral("%1%2")
                              .arg(value >> 16, 4, 16, QChar('0'))
                              .arg(value & 0xFFFF, 4, 16, QChar('0'))
                              .toUpper();
    return block.query("\\StringFileInfo\\" + table + "\\FileVersion").value_or(QString());
}
