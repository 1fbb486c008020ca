#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "platform/version_info.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_platform {

TEST(DateTimeValue, DaysSince1899RoundTrip) {
    EXPECT_DOUBLE_EQ(toDateTimeValue(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(toDateTimeValue(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime t(QDate(2026, 7, 31), QTime(14, 5, 9));
    EXPECT_EQ(fromDateTimeValue(toDateTimeValue(t)), t);
    EXPECT_EQ(fromDateTimeValue(toDateTimeValue(t) + 1.0 / 86400), t.addSecs(1));
}

// Every double converts: values that are no dates give an invalid date-time, the range's ends
// give their dates, and an invalid date-time gives 0.
TEST(DateTimeValue, DefinedForEveryDouble) {
    for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 9.3e18, -9.3e18, kEndDateTimeValue,
                     kFirstDateTimeValue - 1e-6})
        EXPECT_FALSE(fromDateTimeValue(v).isValid()) << v;
    EXPECT_EQ(fromDateTimeValue(kFirstDateTimeValue), QDateTime(QDate(1, 1, 1), QTime(0, 0)));
    EXPECT_EQ(fromDateTimeValue(kEndDateTimeValue - 0.5), QDateTime(QDate(9999, 12, 31), QTime(12, 0)));
    EXPECT_EQ(fromDateTimeValue(-0.25), QDateTime(QDate(1899, 12, 29), QTime(18, 0)));
    EXPECT_EQ(toDateTimeValue(QDateTime()), 0.0);
    EXPECT_EQ(toDateTimeValue(QDateTime(QDate(1, 1, 1), QTime(0, 0))), kFirstDateTimeValue);
}

TEST(ManualClock, WaitsCostNoRealTime) {
    ManualClock c;
    const auto start = c.nowDateTime();
    c.pumpWait(300);
    EXPECT_GE(c.tickCount(), 300);
    EXPECT_EQ(start.secsTo(c.nowDateTime()), 0);
    c.advance(1000);
    EXPECT_EQ(start.secsTo(c.nowDateTime()), 1);
}

TEST(Settings, DefaultsWhenMissingOrUnreadable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.ini");
    {
        Settings s(path);
        EXPECT_EQ(s.realTimeRate(), 2);
        EXPECT_EQ(s.annoColor(), 0u);
        EXPECT_FALSE(s.showUnits());
        s.setShowUnits(true);
        EXPECT_TRUE(s.showUnits());
        s.setShowUnits(false);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\nRealTimeRate=0\nAnnoColor=255\n");
    f.close();
    Settings s(path);
    EXPECT_EQ(s.realTimeRate(), 2);
    EXPECT_EQ(s.annoColor(), 255u);
}

// Limits per channel, temperatures per unit; what cannot be read is left out, not guessed at.
TEST(Settings, LimitsPerChannelSurviveAndUnreadableItemsAreLeftOut) {
    using LC = Settings::LimitChannel;
    QTemporaryDir dir;
    const QString path = dir.filePath("s.ini");
    {
        Settings s(path);
        EXPECT_TRUE(s.limits(LC::Ppm).empty());
        s.setLimits(LC::Ppm, {2000.0, 1000.0});
        s.setLimits(LC::Humidity, {62.5});
        s.setLimits(LC::Celsius, {26.0});
        s.setLimits(LC::Fahrenheit, {78.8});
        s.sync();
    }
    {
        LocaleGuard german("de_DE"); // stored numbers do not follow the locale
        Settings s(path);
        EXPECT_EQ(s.limits(LC::Ppm), (std::vector<double>{2000.0, 1000.0}));
        EXPECT_EQ(s.limits(LC::Humidity), (std::vector<double>{62.5}));
        EXPECT_EQ(s.limits(LC::Celsius), (std::vector<double>{26.0}));
        EXPECT_EQ(s.limits(LC::Fahrenheit), (std::vector<double>{78.8}));
        s.setLimits(LC::Humidity, {});
        s.sync();
        EXPECT_FALSE(readAll(path).contains("LimitRH"));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\nLimitPpm=abc 1000 nan inf 2000 3000\nLimitTempC=26,5\nLimitRH=1e999\n");
    f.close();
    Settings s(path);
    EXPECT_EQ(s.limits(LC::Ppm), (std::vector<double>{1000.0, 2000.0}));
    EXPECT_TRUE(s.limits(LC::Celsius).empty());
    EXPECT_TRUE(s.limits(LC::Humidity).empty());
}

TEST(dataFolderPath, CreatedInDocumentsFallsBackAndEndsWithSeparator) {
    QTemporaryDir dir;
    const QString docs = dir.filePath("Documents");
    QDir().mkpath(docs);
    const QString sep = QDir::separator();
    EXPECT_EQ(settleDataFolder(docs), QDir::toNativeSeparators(docs) + sep + "QZ407" + sep);
    // A plain file where the folder should be: it cannot be created, the documents folder is used.
    const QString blocked = dir.filePath("Blocked");
    QDir().mkpath(blocked);
    QFile file(blocked + "/QZ407");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(settleDataFolder(blocked), QDir::toNativeSeparators(blocked) + sep);
    EXPECT_EQ(settleDataFolder(QString()), QString());
    EXPECT_TRUE(dataFolderOrProgramFolder(QString()).endsWith(sep));
}

TEST(VersionInfo, LookupThroughTheTranslationEntry) {
    EXPECT_EQ(readFileVersion(VersionBlock::program()), "3.0.2.0");
    EXPECT_EQ(readFileVersion(VersionBlock()), "");
    // The translation names a table without a FileVersion.
    const auto other = VersionBlock::fromText("\\VarFileInfo\\Translation\t040904B0\n"
                                              "\\StringFileInfo\\040403B6\\FileVersion\t1.0\n");
    EXPECT_EQ(readFileVersion(other), "");
    const auto noTranslation = VersionBlock::fromText("\\StringFileInfo\\040403B6\\FileVersion\t1.0\n");
    EXPECT_EQ(readFileVersion(noTranslation), "");
}

TEST(VersionInfo, LabelLinkDesignTimeAndRemoval) {
    VersionInfo info(nullptr);
    auto* label = new QLabel("before");
    info.designing = true;
    info.setFileVersionLabel(label);
    EXPECT_EQ(label->text(), "#File Version#");
    info.designing = false;
    info.loaded();
    EXPECT_EQ(label->text(), "3.0.2.0");
    delete label;
    EXPECT_EQ(info.fileVersionLabel(), nullptr);
    info.loaded(); // does nothing, no dangling label
}

TEST(RealClock, WaitServesTimersAndPostedEventsAndLastsLongerThanAsked) {
    RealClock clock;
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    bool posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    const int64_t start = clock.tickCount();
    clock.pumpWait(40);
    const int64_t waited = clock.tickCount() - start;
    EXPECT_GT(waited, 40);
    EXPECT_LT(waited, 1000); // never hangs until some unrelated event
    EXPECT_TRUE(posted);
    EXPECT_GE(ticks, 2);
}

// A question raised from the always-on-top Setup dialog belongs to that dialog, so it shows above it
// and can be read; with no dialog in use it belongs to the main window.
TEST(WidgetPrompter, BoxesBelongToTheDialogInUse) {
    QWidget main;
    WidgetPrompter prompter(&main);
    main.show();
    QApplication::setActiveWindow(&main);
    EXPECT_EQ(prompter.dialogParent(), &main);
    QDialog setup(&main);
    setup.setWindowFlag(Qt::WindowStaysOnTopHint);
    setup.show();
    QApplication::setActiveWindow(&setup);
    EXPECT_EQ(prompter.dialogParent(), &setup);
    setup.hide();
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(prompter.dialogParent(), &main);
}

} // namespace test_platform
