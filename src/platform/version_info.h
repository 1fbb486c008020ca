#pragma once
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include <QLabel>

// The program's version entries, looked up by path as in a Windows version resource:
// "\VarFileInfo\Translation" gives language and code page, which name the string table
// "\StringFileInfo\LLLLCCCC\" holding "FileVersion".
class VersionBlock {
  public:
    // Text form: one entry a line, path and value separated by a tab.
    static VersionBlock fromText(const QByteArray& text);
    // The block compiled into the program (empty when it is missing).
    static VersionBlock program();
    std::optional<QString> query(const QString& path) const;
    bool isEmpty() const { return m_entries.isEmpty(); }

  private:
    QList<std::pair<QString, QString>> m_entries;
};

// The file version text: empty when the block, its translation entry or the string are missing.
QString readFileVersion(const VersionBlock& block);

// Reads the program's file version once and writes it into a linked label.
class VersionInfo : public QObject {
    Q_OBJECT
  public:
    explicit VersionInfo(QObject* owner, const VersionBlock& block = VersionBlock::program());
    const QString& versionText() const { return m_text; }
    QLabel* fileVersionLabel() const { return m_label; }
    void setFileVersionLabel(QLabel* label);
    // Called once the window holding the component is built.
    void loaded();
    bool designing = false;

  private:
    QString m_text;
    QPointer<QLabel> m_label; // cleared by Qt when the label is destroyed
};
