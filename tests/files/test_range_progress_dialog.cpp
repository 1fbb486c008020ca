#include "files/range_progress_dialog.h"
#include "support/scripted_prompter.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_range_progress_dialog {

TEST(RangeProgressDialog, EveryPartStartsHiddenAndEachUseShowsItsOwn) {
    RangeProgressDialog scope;
    for (QWidget* w :
         {static_cast<QWidget*>(scope.rangeGroup), static_cast<QWidget*>(scope.okButton),
          static_cast<QWidget*>(scope.cancelButton), static_cast<QWidget*>(scope.progressBar),
          static_cast<QWidget*>(scope.bytesReceivedCaption), static_cast<QWidget*>(scope.totalBytesCaption),
          static_cast<QWidget*>(scope.bytesReceivedLabel), static_cast<QWidget*>(scope.totalBytesLabel)})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(scope.allButton->isChecked());
    EXPECT_TRUE(scope.windowFlags() & Qt::WindowStaysOnTopHint);

    scope.setupRange(QStringLiteral("Save File"), 250);
    EXPECT_EQ(scope.windowTitle(), "Save File");
    EXPECT_FALSE(scope.rangeGroup->isHidden());
    EXPECT_FALSE(scope.okButton->isHidden());
    EXPECT_FALSE(scope.cancelButton->isHidden());
    EXPECT_TRUE(scope.progressBar->isHidden());
    EXPECT_EQ(scope.fromField->text(), "1");
    EXPECT_EQ(scope.toField->text(), "250");
    EXPECT_EQ(scope.allButton->text(), "&All");
    EXPECT_EQ(scope.selectButton->text(), "&Select");
}

TEST(RangeProgressDialog, CancelClosesTheRangeChoiceButOnlyFlagsAProgress) {
    RangeProgressDialog range;
    range.setupRange(QStringLiteral("Save File"), 5);
    range.show();
    range.cancelButton->click();
    EXPECT_EQ(range.result(), QDialog::Rejected);
    EXPECT_FALSE(range.isVisible());

    RangeProgressDialog progress;
    progress.setupProgress(QStringLiteral("Saving Progress"), QStringLiteral("saving....."), 10, true);
    progress.show();
    EXPECT_FALSE(progress.cancelRequested());
    progress.cancelButton->click();
    EXPECT_TRUE(progress.cancelRequested());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.bytesReceivedCaption->text(), "saving.....");

    RangeProgressDialog graphing;
    graphing.setupProgress(QStringLiteral("Graphing Progress"), QStringLiteral("graphing....."), 3, false);
    EXPECT_TRUE(graphing.cancelButton->isHidden());
}

TEST(RangeProgressDialog, RangeRules) {
    struct Case {
        const char *from, *to;
        qint64 count, wantFrom, wantTo;
    };
    for (const Case& c :
         {Case{"5", "2", 100, 2, 5}, Case{"-3", "7", 100, 3, 7}, Case{"1", "999", 100, 1, 100},
          Case{"0", "0", 100, 1, 0}, Case{" 4 ", "-9", 100, 4, 9}, Case{"0", "5", 100, 1, 5},
          Case{"-2147483648", "1", 3, 1, 3}}) {
        const auto r = rangeFromTexts(QString::fromLatin1(c.from), QString::fromLatin1(c.to), c.count);
        ASSERT_TRUE(r.has_value()) << c.from << ".." << c.to;
        EXPECT_EQ(r->from, c.wantFrom) << c.from << ".." << c.to;
        EXPECT_EQ(r->to, c.wantTo) << c.from << ".." << c.to;
    }
    for (const char* bad : {"", "x", "1.5", "1e3", "99999999999"})
        EXPECT_FALSE(rangeFromTexts(QString::fromLatin1(bad), QStringLiteral("3"), 10).has_value()) << bad;
}

TEST(RangeProgressDialog, RangeChoiceThroughThePrompter) {
    ScriptedPrompter prompter;
    QString caption, fromText, toText;
    prompter.dialogHandler = [&](QDialog& d) {
        auto& scope = dynamic_cast<RangeProgressDialog&>(d);
        caption = scope.windowTitle();
        fromText = scope.fromField->text();
        toText = scope.toField->text();
        scope.okButton->click();
        return scope.result();
    };
    auto all = chooseScopeRange(prompter, 42);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->from, 1);
    EXPECT_EQ(all->to, 42);
    EXPECT_EQ(caption, "Save File");
    EXPECT_EQ(fromText, "1");
    EXPECT_EQ(toText, "42");

    auto select = [&](const char* from, const char* to) {
        prompter.dialogHandler = [=](QDialog& d) {
            auto& scope = dynamic_cast<RangeProgressDialog&>(d);
            scope.selectButton->setChecked(true);
            scope.fromField->setText(QString::fromLatin1(from));
            scope.toField->setText(QString::fromLatin1(to));
            scope.okButton->click();
            return scope.result();
        };
    };
    select("40", "7");
    auto chosen = chooseScopeRange(prompter, 42);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->from, 7);
    EXPECT_EQ(chosen->to, 40);
    EXPECT_TRUE(prompter.shown.isEmpty());

    select("abc", "7");
    bool invalid = false;
    EXPECT_FALSE(chooseScopeRange(prompter, 42, nullptr, &invalid).has_value());
    EXPECT_TRUE(invalid);
    EXPECT_EQ(prompter.shown, QStringList{"invalid integer"});

    prompter.dialogHandler = {}; // the user cancels
    EXPECT_FALSE(chooseScopeRange(prompter, 42, nullptr, &invalid).has_value());
    EXPECT_FALSE(invalid);
    EXPECT_EQ(prompter.shown.size(), 1);
}

} // namespace test_range_progress_dialog
