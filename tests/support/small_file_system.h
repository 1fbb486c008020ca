#pragma once
// A real file system of a few KiB for the tests of full disks and read-only folders: a tmpfs
// mounted on a temporary folder. Mounting needs root (CI and the development machines run as
// root); elsewhere available() is false and the test skips itself with a message.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <unistd.h>

class SmallFileSystem {
  public:
    explicit SmallFileSystem(int kib) {
        if (::geteuid() != 0 || !m_dir.isValid())
            return;
        m_mounted =
            run({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1k,mode=0777").arg(kib), QStringLiteral("tmpfs"), m_dir.path()});
    }
    ~SmallFileSystem() {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool available() const { return m_mounted; }
    static const char* skipReason() { return "needs root to mount a small tmpfs"; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Takes all but `leaveBytes` of the free space with a file of its own.
    void fill(qint64 leaveBytes = 0) {
        QFile filler(filePath(QStringLiteral(".filler")));
        filler.open(QIODevice::Append);
        const QByteArray block(512, 'f');
        while (true) {
            const qint64 free = freeBytes();
            if (free <= leaveBytes)
                break;
            const qint64 n = std::min<qint64>(block.size(), free - leaveBytes);
            if (filler.write(block.constData(), n) != n || !filler.flush())
                break;
        }
    }
    // Gives the space back.
    void empty() { QFile::remove(filePath(QStringLiteral(".filler"))); }
    bool setReadOnly(bool readOnly) {
        return run({QStringLiteral("-o"),
                    readOnly ? QStringLiteral("remount,ro") : QStringLiteral("remount,rw"), m_dir.path()});
    }

  private:
    qint64 freeBytes() const {
        QStorageInfo info(m_dir.path());
        info.refresh();
        return info.bytesFree();
    }
    bool run(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("mount"), args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    bool m_mounted = false;
};
