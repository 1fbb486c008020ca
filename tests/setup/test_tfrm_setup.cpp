#include "link/meter_link.h"
#include "platform/clock.h"
#include "setup/setup_session.h"
#include "setup/tfrm_setup.h"
#include "setup_test_support.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

struct SetupDialogTest : ::testing::Test {
    SetupTransport t;
    ManualClock clock;
    MeterLink link{t, clock};
    ScriptedPrompter prompter;
    QTimer mainTimer;
    bool connected = true;
    QPointer<TfrmSetup> dlg;

    void SetUp() override {
        mainTimer.setInterval(500);
        mainTimer.start();
        link.setMainTimer(&mainTimer);
        dlg = new TfrmSetup(link, prompter, clock, [this] { return connected; });
        dlg->show();
    }
    void TearDown() override { delete dlg.data(); }

    QLabel* label(const char* name) { return dlg->findChild<QLabel*>(name); }
    QLineEdit* edit(const char* name) { return dlg->findChild<QLineEdit*>(name); }
    QComboBox* combo(const char* name) { return dlg->findChild<QComboBox*>(name); }
    QWidget* widget(const char* name) { return dlg->findChild<QWidget*>(name); }
    static QColor color(QLabel* l) { return l->palette().color(QPalette::WindowText); }
    bool shown(const char* name) { return widget(name)->isVisible(); }
    void expectOk(const char* name) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(label(name)->isVisible());
        EXPECT_EQ(label(name)->text(), "OK");
        EXPECT_EQ(color(label(name)), kGreen);
    }
    void expectFail(const char* name, const QString& text) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(label(name)->isVisible());
        EXPECT_EQ(label(name)->text(), text);
        EXPECT_EQ(color(label(name)), kRed);
    }
    void read(std::vector<uint8_t> reply) {
        t.replies.push_back(std::move(reply));
        dlg->Button4Click();
    }
};

} // namespace

TEST_F(SetupDialogTest, WindowHasItsCaptionDefaultsAndColours) {
    EXPECT_EQ(dlg->windowTitle(), "Setup");
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(edit("edtInt1")->text(), "00");
    EXPECT_EQ(edit("edtInt2")->text(), "02");
    EXPECT_EQ(edit("edtInt1")->inputMask(), "99");
    for (const char* e : {"edtRH_offset", "edtT1_offset", "edtppm_offset", "edtalt_offset"})
        EXPECT_EQ(edit(e)->text(), "0") << e;
    EXPECT_EQ(combo("ComboBox1")->currentText(), "Off");
    EXPECT_EQ(combo("ComboBox2")->currentText(), "10 minutes");
    EXPECT_EQ(combo("ComboBox2")->count(), 8);
    EXPECT_EQ(combo("ComboBox2")->itemText(7), "");
    EXPECT_FALSE(shown("Edit4"));
    EXPECT_FALSE(shown("Edit5"));
    combo("ComboBox1")->setCurrentIndex(1);
    EXPECT_TRUE(shown("Edit4"));
    EXPECT_TRUE(shown("Edit5"));
    EXPECT_EQ(dlg->findChild<QPushButton*>("Button4")->text(), "Read  ");
    EXPECT_EQ(dlg->findChild<QPushButton*>("Button6")->text(), "Setup All");
    EXPECT_EQ(color(label("txtVer")), QColor(0, 0, 255));
    EXPECT_TRUE(label("txtVer")->font().bold());
    // Celsius until an information read says otherwise.
    EXPECT_TRUE(shown("unitC"));
    EXPECT_FALSE(shown("unitF"));
    EXPECT_TRUE(shown("imgC"));
    EXPECT_FALSE(shown("imgF"));
}

TEST_F(SetupDialogTest, InformationReadFillsReadOutsAndEditors) {
    t.serial = "QZ4070012345";
    read(infoReply());
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], (Frame{0x02, 'X', 0x00, 0x00, 0x00, 0x00, 0x03}));
    expectOk("lblOK5");
    EXPECT_EQ(label("txtMemoryAvailable")->text(), "31997");
    EXPECT_EQ(label("txtMeterTime")->text(), "07/31/2026   14:05:09");
    EXPECT_EQ(label("txtInt")->text(), "01:30");
    EXPECT_EQ(edit("edtInt1")->text(), "01");
    EXPECT_EQ(edit("edtInt2")->text(), "30");
    EXPECT_EQ(label("txtDataSets")->text(), "3");
    EXPECT_EQ(label("txtVer")->text(), "1.23");
    EXPECT_EQ(label("txtSN")->text(), "QZ4070012345");
    EXPECT_EQ(label("txtAlarm")->text(), "ON");
    EXPECT_EQ(combo("ComboBox1")->currentText(), "On");
    EXPECT_TRUE(shown("Edit4"));
    EXPECT_EQ(label("txtHi")->text(), "1000");
    EXPECT_EQ(edit("Edit4")->text(), "1000");
    EXPECT_EQ(label("txtLo")->text(), "800");
    EXPECT_EQ(edit("Edit5")->text(), "800");
    EXPECT_EQ(label("txtSleepTime")->text(), "1 hour");
    EXPECT_EQ(combo("ComboBox2")->currentText(), "1 hour");
    EXPECT_EQ(label("txtRHoffset")->text(), "-2.5");
    EXPECT_EQ(edit("edtRH_offset")->text(), "-2.5");
    EXPECT_EQ(label("txtUnit")->text(), "C");
    EXPECT_EQ(label("txtT1offset")->text(), "-5.0");
    EXPECT_EQ(edit("edtT1_offset")->text(), "-5.0");
    EXPECT_EQ(label("txtppmoffset")->text(), "-400");
    EXPECT_EQ(edit("edtppm_offset")->text(), "-400");
    EXPECT_EQ(label("txtaltoffset")->text(), "1500");
    EXPECT_EQ(edit("edtalt_offset")->text(), "1500");
    EXPECT_EQ(label("txtCol2000")->text(), "2000");
    EXPECT_EQ(label("txtCol400")->text(), "400");
    EXPECT_EQ(label("txtCol0")->text(), "5");
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, FahrenheitMeterSwitchesPicturesAndIsRememberedForTheRun) {
    auto r = infoReply();
    r[40] = 1;
    r[48] = 7;
    read(r);
    EXPECT_EQ(label("txtUnit")->text(), "F");
    EXPECT_EQ(label("txtT1offset")->text(), "-9.0");
    EXPECT_TRUE(shown("unitF"));
    EXPECT_TRUE(shown("imgF"));
    EXPECT_FALSE(shown("unitC"));
    EXPECT_FALSE(shown("imgC"));
    EXPECT_EQ(label("txtSleepTime")->text(), ""); // code 7 has no text
    EXPECT_EQ(combo("ComboBox2")->currentText(), "10 minutes");
    EXPECT_TRUE(SetupSession::of(link).unitIsFahrenheit);

    // A new dialog of the same run still knows the unit and validates with it.
    delete dlg.data();
    dlg = new TfrmSetup(link, prompter, clock, [this] { return connected; });
    dlg->show();
    EXPECT_TRUE(shown("unitF"));
    edit("edtT1_offset")->setText("9.0");
    t.replies.push_back(ack('W'));
    dlg->Button12Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0x5A, 0x03}));
    expectOk("Label24");
}

TEST_F(SetupDialogTest, ReadWithoutConnectionOnlyShowsTheMessage) {
    read(infoReply());
    t.replies.clear();
    connected = false;
    dlg->Button4Click();
    EXPECT_EQ(prompter.shown, QStringList{"There is no connection with meter !"});
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(label("txtVer")->text(), "1.23");
    expectOk("lblOK5");
}

TEST_F(SetupDialogTest, EveryButtonChecksTheConnectionFirst) {
    connected = false;
    prompter.answers = {Prompter::Yes};
    for (auto handler : {&TfrmSetup::Button1Click, &TfrmSetup::Button2Click, &TfrmSetup::Button3Click,
                         &TfrmSetup::Button7Click, &TfrmSetup::Button12Click, &TfrmSetup::Button13Click,
                         &TfrmSetup::Button14Click, &TfrmSetup::Button11Click, &TfrmSetup::Button16Click,
                         &TfrmSetup::Button6Click})
        (dlg->*handler)();
    EXPECT_EQ(prompter.shown.size(), 10);
    EXPECT_EQ(prompter.shown.count("There is no connection with meter !"), 10);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(t.opens, 0);
}

TEST_F(SetupDialogTest, ReadFailingEveryTryLeavesReadOutsEmpty) {
    read(infoReply());
    t.allReadFail = true;
    dlg->Button4Click();
    expectFail("lblOK5", "Fail code=204");
    EXPECT_EQ(t.frames.size(), 4u);
    for (const char* n :
         {"txtMemoryAvailable", "txtMeterTime", "txtInt", "txtDataSets", "txtVer", "txtSN", "txtAlarm",
          "txtHi", "txtLo", "txtSleepTime", "txtT1offset", "txtppmoffset", "txtRHoffset", "txtaltoffset"})
        EXPECT_EQ(label(n)->text(), "") << n;
    // These keep what the last good read showed.
    EXPECT_EQ(label("txtUnit")->text(), "C");
    EXPECT_EQ(label("txtCol2000")->text(), "2000");
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, DuringAnOperationTheTimerIsOffTheCursorBusyAndButtonsDisabled) {
    bool timerActive = true, buttonEnabled = true;
    const QCursor* cursor = nullptr;
    t.onOpen = [&] {
        timerActive = mainTimer.isActive();
        buttonEnabled = dlg->findChild<QPushButton*>("Button1")->isEnabled();
        cursor = QApplication::overrideCursor();
        // A click on another button inside the first operation's waits starts nothing.
        dlg->Button1Click();
    };
    read(infoReply());
    t.onOpen = nullptr;
    EXPECT_FALSE(timerActive);
    EXPECT_FALSE(buttonEnabled);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor ? cursor->shape() : Qt::ArrowCursor, Qt::WaitCursor);
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_TRUE(t.blocks.empty());
    EXPECT_TRUE(dlg->findChild<QPushButton*>("Button1")->isEnabled());
    EXPECT_TRUE(mainTimer.isActive());
}

TEST_F(SetupDialogTest, AnOperationAskedForDuringThePollTickRunsAfterIt) {
    link.PollBusy = true;
    read(infoReply());
    EXPECT_TRUE(t.frames.empty());
    link.PollBusy = false;
    QCoreApplication::processEvents();
    EXPECT_EQ(t.frames.size(), 1u);
    expectOk("lblOK5");
}

TEST_F(SetupDialogTest, ClockButton) {
    t.replies.push_back(ack('t'));
    dlg->Button1Click();
    expectOk("lblOK1");
    ASSERT_EQ(t.blocks.size(), 1u);
    EXPECT_EQ(t.blocks[0][4], 0x07);
    t.allReadFail = true;
    dlg->Button1Click();
    expectFail("lblOK1", "Fail code=405");
    EXPECT_EQ(t.blocks.size(), 4u);
}

TEST_F(SetupDialogTest, IntervalButtonValidatesAndSendsBcd) {
    edit("edtInt1")->setText("60");
    edit("edtInt2")->setText("60");
    t.replies.push_back(ack('I'));
    dlg->Button2Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'I', 0x60, 0x60, 0x00, 0x00, 0x03}));
    expectOk("lblOK2");

    edit("edtInt1")->setText("00");
    edit("edtInt2")->setText("00");
    dlg->Button2Click();
    EXPECT_EQ(prompter.shown, QStringList{"Invalid Input"});
    EXPECT_EQ(t.frames.size(), 1u);

    edit("edtInt2")->setText("01");
    t.replies.push_back(ack('I', false));
    dlg->Button2Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'I', 0x00, 0x01, 0x00, 0x00, 0x03}));
    expectFail("lblOK2", "Fail");
}

TEST_F(SetupDialogTest, EraseAsksFirstAndOnlyYesErases) {
    prompter.answers = {Prompter::No, Prompter::Cancel, Prompter::Yes};
    dlg->Button3Click();
    dlg->Button3Click();
    EXPECT_TRUE(t.frames.empty());
    t.replies.push_back(ack('e'));
    dlg->Button3Click();
    EXPECT_EQ(prompter.questions.size(), 3);
    EXPECT_EQ(prompter.questions[0], "This will delete all data in the meter, are you sure ?");
    EXPECT_EQ(t.frames.back()[1], 'e');
    expectOk("lblOK3");
    prompter.answers = {Prompter::Yes};
    dlg->Button3Click();
    expectFail("lblOK3", "Fail code=505");
}

TEST_F(SetupDialogTest, HumidityOffsetWritesCell73) {
    edit("edtRH_offset")->setText("10.0");
    t.replies.push_back(ack('W'));
    dlg->Button7Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x49, 0x64, 0x03}));
    expectOk("lblOK6");
    edit("edtRH_offset")->setText("10.01");
    dlg->Button7Click();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 10.0 and -10.0"});
    EXPECT_EQ(t.frames.size(), 1u);
    edit("edtRH_offset")->setText("1");
    dlg->Button7Click(); // no reply: five failed tries
    expectFail("lblOK6", "Fail");
    EXPECT_EQ(t.frames.size(), 6u);
}

TEST_F(SetupDialogTest, TemperatureOffsetInCelsius) {
    edit("edtT1_offset")->setText("-5.0");
    t.replies.push_back(ack('W'));
    dlg->Button12Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0xA6, 0x03}));
    expectOk("Label24");
    edit("edtT1_offset")->setText("6.0");
    dlg->Button12Click();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 5.0 and -5.0"});
    EXPECT_EQ(t.frames.size(), 1u);
}

TEST_F(SetupDialogTest, Co2OffsetButton) {
    edit("edtppm_offset")->setText("-400");
    t.replies.push_back(ack('D'));
    dlg->Button13Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'D', 0xFE, 0x70, 0x00, 0x00, 0x03}));
    expectOk("Label28");

    edit("edtppm_offset")->setText("401");
    dlg->Button13Click();
    EXPECT_FALSE(label("Label28")->isVisible());
    edit("edtppm_offset")->setText("65636");
    dlg->Button13Click();
    EXPECT_FALSE(label("Label28")->isVisible());
    edit("edtppm_offset")->setText("abc");
    dlg->Button13Click();
    expectFail("Label28", "Fail");
    EXPECT_EQ(prompter.shown, QStringList(3, "invalid data, must be integer between 400 and -400"));
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, AltitudeButton) {
    edit("edtalt_offset")->setText("8848");
    t.replies.push_back(ack('L'));
    dlg->Button14Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'L', 0x22, 0x90, 0x00, 0x00, 0x03}));
    expectOk("Label29");
    edit("edtalt_offset")->setText("8849");
    dlg->Button14Click();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must be integer between 0 and 8848"});
    edit("edtalt_offset")->setText("10");
    dlg->Button14Click();
    expectFail("Label29", "Fail");
    EXPECT_EQ(t.frames.size(), 2u);
}

TEST_F(SetupDialogTest, AlarmOnSwapsLimitsAndAlarmOffSendsFF) {
    combo("ComboBox1")->setCurrentIndex(1);
    edit("Edit4")->setText("800");
    edit("Edit5")->setText("1000");
    t.replies.push_back(ack('F'));
    dlg->Button11Click();
    EXPECT_EQ(edit("Edit4")->text(), "1000");
    EXPECT_EQ(edit("Edit5")->text(), "800");
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0x03, 0xE8, 0x03, 0x20, 0x03}));
    expectOk("Label12");

    edit("Edit4")->setText("x");
    dlg->Button11Click();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must be integer between 0 and 40000"});
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_FALSE(label("Label12")->isVisible());

    combo("ComboBox1")->setCurrentIndex(0);
    t.replies.push_back(ack('F'));
    dlg->Button11Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0x03}));
    expectOk("Label12");
    EXPECT_TRUE(mainTimer.isActive());
}

TEST_F(SetupDialogTest, PowerOffWritesTheSelectedIndexToCell80) {
    combo("ComboBox2")->setCurrentIndex(7);
    t.replies.push_back(ack('W'));
    dlg->Button16Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x50, 0x07, 0x03}));
    expectOk("Label38");
    combo("ComboBox2")->setCurrentIndex(0);
    t.replies.push_back(ack('W', false));
    dlg->Button16Click();
    EXPECT_EQ(t.frames.back()[5], 0x00);
    expectFail("Label38", "Fail");
}

TEST_F(SetupDialogTest, CloseRestartsThePollTimerAndSignalsTheOwner) {
    bool closed = false;
    QObject::connect(dlg, &TfrmSetup::setupClosed, [&] { closed = true; });
    mainTimer.stop();
    dlg->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_TRUE(dlg.isNull());
}

TEST_F(SetupDialogTest, CloseDuringAnotherExclusiveExchangeLeavesThePollTimerOff) {
    link.runExclusive([&] {
        EXPECT_FALSE(dlg->findChild<QPushButton*>("Button4")->isEnabled());
        dlg->close();
        EXPECT_FALSE(mainTimer.isActive());
    });
    EXPECT_TRUE(mainTimer.isActive());
}

TEST_F(SetupDialogTest, GermanLocaleShowsAndReadsDecimalCommas) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    read(infoReply());
    EXPECT_EQ(label("txtVer")->text(), "1,23");
    EXPECT_EQ(edit("edtRH_offset")->text(), "-2,5");
    EXPECT_EQ(edit("edtT1_offset")->text(), "-5,0");
    // What the read put into the editors goes back unchanged.
    t.replies.push_back(ack('W'));
    dlg->Button7Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x49, 0xE7, 0x03}));
    t.replies.push_back(ack('W'));
    dlg->Button12Click();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0xA6, 0x03}));
    QLocale::setDefault(saved);
}
