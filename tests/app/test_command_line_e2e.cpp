// The program started with file names opens each as File > Open would.
#include "support/memory_images.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_command_line_e2e {

TEST(ProgramEndToEnd, FilesNamedOnTheCommandLineOpen) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LC_ALL", "en_US.UTF-8");
    QDir().mkpath(home.filePath("runtime"));
    QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString table = home.filePath("t.txt");
    const QString collection = home.filePath("c.407");
    const QString broken = home.filePath("broken.ghf");
    const QString other = home.filePath("notes.doc");
    writeAll(table, "7/31/26\t2:05:09 PM\t450.0\t45.2\t23.4\r\n");
    writeAll(collection, bytesOf(collectionImage(2, 3)));
    writeAll(broken, "not a graph");
    writeAll(other, "x");

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QZ407_PROGRAM, {"--demo", "--test-windows", table, collection, broken, other});
    ASSERT_TRUE(program.waitForFinished(60000));
    const QStringList lines =
        QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QString all = lines.join('\n');
    EXPECT_EQ(program.exitCode(), 0) << all.toStdString() << program.readAllStandardError().toStdString();

    EXPECT_TRUE(lines.contains("window: " + table)) << all.toStdString();
    EXPECT_TRUE(lines.contains("window: DataLogger")) << all.toStdString();
    EXPECT_FALSE(lines.contains("window: " + broken)) << all.toStdString();
    // One message each for the two files that did not open, naming them.
    const QStringList messages = lines.filter(QRegularExpression("^message: "));
    ASSERT_EQ(messages.size(), 2) << all.toStdString();
    EXPECT_TRUE(messages[0].contains(QDir::toNativeSeparators(broken))) << all.toStdString();
    EXPECT_TRUE(messages[1].contains(QDir::toNativeSeparators(other))) << all.toStdString();
}

} // namespace test_command_line_e2e
