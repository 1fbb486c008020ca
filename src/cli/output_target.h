#pragma once
#include <QString>

#include <memory>
#include <string_view>

class CheckedSaveFile;

// Where a command writes its result: standard output, or a file that is replaced only once it is
// complete (written to a temporary file beside it, then renamed over it), so a failure or an
// interrupted run never leaves a partial file behind.
class OutputTarget {
  public:
    // An empty path or "-" is standard output.
    explicit OutputTarget(const QString& path);
    ~OutputTarget();

    bool isStandardOutput() const { return !m_file; }
    const QString& path() const { return m_path; }

    bool open();
    bool write(std::string_view bytes);
    // Puts the file in place (or flushes standard output); false on any failure so far.
    bool commit();
    // The reason of the last failure, with the file's name.
    QString errorString() const;

  private:
    QString m_path;
    std::unique_ptr<CheckedSaveFile> m_file;
    bool m_failed = false;
};
