// The real program, end to end: a recording on the simulated meter is killed with SIGKILL, and the
// next start offers it back with at most 10 seconds of samples missing. The program runs with the
// offscreen platform and a home folder of its own, so the user's files are never touched; it is
// driven through its hidden test options.
#include "platform/clock.h"
#include "realtime/recording_journal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_recovery_e2e {

constexpr int kWaitMs = 60000;

QProcessEnvironment isolated(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(home.filePath("runtime"));
    QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

// Reads the program's output line by line until `done` says so, the program ends or time runs out.
template <typename Done> QStringList readLinesUntil(QProcess& program, Done done) {
    QStringList lines;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kWaitMs) {
        while (program.canReadLine()) {
            lines << QString::fromUtf8(program.readLine()).trimmed();
            if (done(lines.back()))
                return lines;
        }
        if (program.state() == QProcess::NotRunning)
            break;
        program.waitForReadyRead(1000);
    }
    while (program.canReadLine())
        lines << QString::fromUtf8(program.readLine()).trimmed();
    return lines;
}

TEST(ProgramEndToEnd, ARecordingKilledMidwayIsOfferedBackAtTheNextStart) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QProcessEnvironment env = isolated(home);

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QZ407_PROGRAM, {"--demo", "--test-record", "500:1"});
    ASSERT_TRUE(first.waitForStarted(kWaitMs));
    int taken = 0;
    const QStringList recorded = readLinesUntil(first, [&](const QString& line) {
        if (line.startsWith("sample "))
            taken = line.mid(7).toInt();
        return taken >= 4;
    });
    ASSERT_GE(taken, 4) << recorded.join('\n').toStdString() << first.readAllStandardError().toStdString();
    first.kill(); // SIGKILL: nothing of the program runs any more
    const double killedAt = toDateTimeValue(QDateTime::currentDateTime());
    ASSERT_TRUE(first.waitForFinished(kWaitMs));
    EXPECT_EQ(first.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(QFile::exists(home.filePath("Documents/QZ407/temp/RealTimeRecording.jnl")));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QZ407_PROGRAM, {"--demo", "--test-recovery", "yes"});
    ASSERT_TRUE(second.waitForStarted(kWaitMs));
    const QStringList lines = readLinesUntil(second, [](const QString& line) {
        return line.startsWith("recovered") || line == "no question" || line == "declined";
    });
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    const QString all = lines.join('\n');

    const QRegularExpression question(
        R"(^question: A real-time recording of .+ \((\d+) samples\) was not saved\. Recover it\?$)",
        QRegularExpression::MultilineOption);
    const auto asked = question.match(all);
    ASSERT_TRUE(asked.hasMatch()) << all.toStdString();
    const int offered = asked.captured(1).toInt();
    EXPECT_GE(offered, taken); // every sample reported before the kill is in the journal

    const QRegularExpression recovered(R"(^recovered (\d+) samples, last at ([0-9.]+)$)",
                                       QRegularExpression::MultilineOption);
    const auto restored = recovered.match(all);
    ASSERT_TRUE(restored.hasMatch()) << all.toStdString();
    EXPECT_EQ(restored.captured(1).toInt(), offered);
    // At one sample a second: at most 10 seconds of samples are missing.
    const double lastSample = restored.captured(2).toDouble();
    EXPECT_LE((killedAt - lastSample) * 86400.0, 10.0);
    // The program prints the time to 1e-8 days (under a millisecond), rounded: a sample taken in the
    // very millisecond of the kill may print a hair later than it.
    EXPECT_GE(killedAt + 1e-8, lastSample);
}

} // namespace test_recovery_e2e
