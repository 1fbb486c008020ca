#pragma once
// Runs the built qz407-cli as a process, without a display, with its own home folder so that the
// user's settings and documents are never touched.
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct CliResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;

    // Standard output split into lines, without their line ends.
    QList<QByteArray> lines() const {
        QList<QByteArray> l = out.split('\n');
        if (!l.isEmpty() && l.back().isEmpty())
            l.removeLast();
        for (QByteArray& line : l)
            if (line.endsWith('\r'))
                line.chop(1);
        return l;
    }
};

inline QString cliPath() {
    return QStringLiteral(QZ407_CLI_PATH);
}

inline QProcessEnvironment cliEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    return env;
}

inline CliResult runCliProcess(const QStringList& arguments, const QString& home) {
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(home));
    process.start(cliPath(), arguments);
    CliResult r;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    r.crashed = process.exitStatus() != QProcess::NormalExit;
    r.exitCode = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}
