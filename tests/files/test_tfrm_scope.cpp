#include "files/tfrm_scope.h"
#include "support/scripted_prompter.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

TEST(TfrmScope, EveryPartStartsHiddenAndEachUseShowsItsOwn) {
    TfrmScope scope;
    for (QWidget* w :
         {static_cast<QWidget*>(scope.GroupBox1), static_cast<QWidget*>(scope.BitBtn1),
          static_cast<QWidget*>(scope.BitBtn2), static_cast<QWidget*>(scope.Progress1),
          static_cast<QWidget*>(scope.SText1), static_cast<QWidget*>(scope.SText2),
          static_cast<QWidget*>(scope.lblBytesReceived), static_cast<QWidget*>(scope.lblTotalBytes)})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(scope.radAll->isChecked());
    EXPECT_TRUE(scope.windowFlags() & Qt::WindowStaysOnTopHint);

    scope.setupRange(QStringLiteral("Save File"), 250);
    EXPECT_EQ(scope.windowTitle(), "Save File");
    EXPECT_FALSE(scope.GroupBox1->isHidden());
    EXPECT_FALSE(scope.BitBtn1->isHidden());
    EXPECT_FALSE(scope.BitBtn2->isHidden());
    EXPECT_TRUE(scope.Progress1->isHidden());
    EXPECT_EQ(scope.edtSelFrom->text(), "1");
    EXPECT_EQ(scope.edtSelTo->text(), "250");
    EXPECT_EQ(scope.radAll->text(), "&All");
    EXPECT_EQ(scope.radNo->text(), "&Select");
}

TEST(TfrmScope, CancelClosesTheRangeChoiceButOnlyFlagsAProgress) {
    TfrmScope range;
    range.setupRange(QStringLiteral("Save File"), 5);
    range.show();
    range.BitBtn2->click();
    EXPECT_EQ(range.result(), QDialog::Rejected);
    EXPECT_FALSE(range.isVisible());

    TfrmScope progress;
    progress.setupProgress(QStringLiteral("Saving Progress"), QStringLiteral("saving....."), 10, true);
    progress.show();
    EXPECT_FALSE(progress.cancelRequested());
    progress.BitBtn2->click();
    EXPECT_TRUE(progress.cancelRequested());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.SText1->text(), "saving.....");

    TfrmScope graphing;
    graphing.setupProgress(QStringLiteral("Graphing Progress"), QStringLiteral("graphing....."), 3, false);
    EXPECT_TRUE(graphing.BitBtn2->isHidden());
}

TEST(TfrmScope, RangeRules) {
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

TEST(TfrmScope, RangeChoiceThroughThePrompter) {
    ScriptedPrompter prompter;
    QString caption, fromText, toText;
    prompter.dialogHandler = [&](QDialog& d) {
        auto& scope = dynamic_cast<TfrmScope&>(d);
        caption = scope.windowTitle();
        fromText = scope.edtSelFrom->text();
        toText = scope.edtSelTo->text();
        scope.BitBtn1->click();
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
            auto& scope = dynamic_cast<TfrmScope&>(d);
            scope.radNo->setChecked(true);
            scope.edtSelFrom->setText(QString::fromLatin1(from));
            scope.edtSelTo->setText(QString::fromLatin1(to));
            scope.BitBtn1->click();
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
