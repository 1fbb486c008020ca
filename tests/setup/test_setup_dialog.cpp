#include "link/meter_link.h"
#include "platform/clock.h"
#include "setup/setup_dialog.h"
#include "setup/setup_session.h"
#include "setup_test_support.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_setup_dialog {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

struct SetupDialogTest : ::testing::Test {
    SetupTransport t;
    ManualClock clock;
    MeterLink link{t, clock};
    ScriptedPrompter prompter;
    QTimer pollTimer;
    bool connected = true;
    QPointer<SetupDialog> dlg;

    void SetUp() override {
        pollTimer.setInterval(500);
        pollTimer.start();
        link.setPollTimer(&pollTimer);
        dlg = new SetupDialog(link, prompter, clock, [this] { return connected; });
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
        dlg->onReadClicked();
    }
};

TEST_F(SetupDialogTest, WindowHasItsCaptionDefaultsAndColours) {
    EXPECT_EQ(dlg->windowTitle(), "Setup");
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(edit("intervalMinutesField")->text(), "00");
    EXPECT_EQ(edit("intervalSecondsField")->text(), "02");
    EXPECT_EQ(edit("intervalMinutesField")->inputMask(), "99");
    for (const char* e : {"humidityOffsetField", "temperatureOffsetField", "co2OffsetField", "altitudeField"})
        EXPECT_EQ(edit(e)->text(), "0") << e;
    EXPECT_EQ(combo("alarmSwitchBox")->currentText(), "Off");
    EXPECT_EQ(combo("powerOffBox")->currentText(), "10 minutes");
    EXPECT_EQ(combo("powerOffBox")->count(), 8);
    EXPECT_EQ(combo("powerOffBox")->itemText(7), "");
    EXPECT_FALSE(shown("alarmHighField"));
    EXPECT_FALSE(shown("alarmLowField"));
    combo("alarmSwitchBox")->setCurrentIndex(1);
    EXPECT_TRUE(shown("alarmHighField"));
    EXPECT_TRUE(shown("alarmLowField"));
    EXPECT_EQ(dlg->findChild<QPushButton*>("readButton")->text(), "Read  ");
    EXPECT_EQ(dlg->findChild<QPushButton*>("setupAllButton")->text(), "Setup All");
    EXPECT_EQ(color(label("firmwareVersionValue")), QColor(0, 0, 255));
    EXPECT_TRUE(label("firmwareVersionValue")->font().bold());
    // Celsius until an information read says otherwise.
    EXPECT_TRUE(shown("celsiusPicture"));
    EXPECT_FALSE(shown("fahrenheitPicture"));
    EXPECT_TRUE(shown("celsiusHint"));
    EXPECT_FALSE(shown("fahrenheitHint"));
}

TEST_F(SetupDialogTest, InformationReadFillsReadOutsAndEditors) {
    t.serial = "QZ4070012345";
    read(infoReply());
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], (Frame{0x02, 'X', 0x00, 0x00, 0x00, 0x00, 0x03}));
    expectOk("readResult");
    EXPECT_EQ(label("memoryAvailableValue")->text(), "31997");
    EXPECT_EQ(label("meterTimeValue")->text(), "07/31/2026   14:05:09");
    // Shown whole, not cut to "07/31/2026 14:0".
    dlg->adjustSize();
    dlg->layout()->activate();
    EXPECT_GE(label("meterTimeValue")->width(),
              label("meterTimeValue")->fontMetrics().horizontalAdvance(label("meterTimeValue")->text()));
    EXPECT_EQ(label("intervalValue")->text(), "01:30");
    EXPECT_EQ(edit("intervalMinutesField")->text(), "01");
    EXPECT_EQ(edit("intervalSecondsField")->text(), "30");
    EXPECT_EQ(label("dataSetsValue")->text(), "3");
    EXPECT_EQ(label("firmwareVersionValue")->text(), "1.23");
    EXPECT_EQ(label("serialNumberValue")->text(), "QZ4070012345");
    EXPECT_EQ(label("alarmValue")->text(), "ON");
    EXPECT_EQ(combo("alarmSwitchBox")->currentText(), "On");
    EXPECT_TRUE(shown("alarmHighField"));
    EXPECT_EQ(label("alarmHighValue")->text(), "1000");
    EXPECT_EQ(edit("alarmHighField")->text(), "1000");
    EXPECT_EQ(label("alarmLowValue")->text(), "800");
    EXPECT_EQ(edit("alarmLowField")->text(), "800");
    EXPECT_EQ(label("powerOffTimeValue")->text(), "1 hour");
    EXPECT_EQ(combo("powerOffBox")->currentText(), "1 hour");
    EXPECT_EQ(label("humidityOffsetValue")->text(), "-2.5");
    EXPECT_EQ(edit("humidityOffsetField")->text(), "-2.5");
    EXPECT_EQ(label("unitValue")->text(), "C");
    EXPECT_EQ(label("temperatureOffsetValue")->text(), "-5.0");
    EXPECT_EQ(edit("temperatureOffsetField")->text(), "-5.0");
    EXPECT_EQ(label("co2OffsetValue")->text(), "-400");
    EXPECT_EQ(edit("co2OffsetField")->text(), "-400");
    EXPECT_EQ(label("altitudeValue")->text(), "1500");
    EXPECT_EQ(edit("altitudeField")->text(), "1500");
    EXPECT_EQ(label("col2000Value")->text(), "2000");
    EXPECT_EQ(label("col400Value")->text(), "400");
    EXPECT_EQ(label("col0Value")->text(), "5");
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, FahrenheitMeterSwitchesPicturesAndIsRememberedForTheRun) {
    auto r = infoReply();
    r[40] = 1;
    r[48] = 7;
    read(r);
    EXPECT_EQ(label("unitValue")->text(), "F");
    EXPECT_EQ(label("temperatureOffsetValue")->text(), "-9.0");
    EXPECT_TRUE(shown("fahrenheitPicture"));
    EXPECT_TRUE(shown("fahrenheitHint"));
    EXPECT_FALSE(shown("celsiusPicture"));
    EXPECT_FALSE(shown("celsiusHint"));
    EXPECT_EQ(label("powerOffTimeValue")->text(), ""); // code 7 has no text
    EXPECT_EQ(combo("powerOffBox")->currentText(), "10 minutes");
    EXPECT_TRUE(SetupSession::of(link).unitIsFahrenheit);

    // A new dialog of the same run still knows the unit and validates with it.
    delete dlg.data();
    dlg = new SetupDialog(link, prompter, clock, [this] { return connected; });
    dlg->show();
    EXPECT_TRUE(shown("fahrenheitPicture"));
    edit("temperatureOffsetField")->setText("9.0");
    t.replies.push_back(ack('W'));
    dlg->onTemperatureOffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0x5A, 0x03}));
    expectOk("temperatureOffsetResult");
}

TEST_F(SetupDialogTest, ReadWithoutConnectionOnlyShowsTheMessage) {
    read(infoReply());
    t.replies.clear();
    connected = false;
    dlg->onReadClicked();
    EXPECT_EQ(prompter.shown, QStringList{"There is no connection with meter !"});
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(label("firmwareVersionValue")->text(), "1.23");
    expectOk("readResult");
}

TEST_F(SetupDialogTest, EveryButtonChecksTheConnectionFirst) {
    connected = false;
    prompter.answers = {Prompter::Yes};
    for (auto handler : {&SetupDialog::onSetClockClicked, &SetupDialog::onSetIntervalClicked,
                         &SetupDialog::onEraseMemoryClicked, &SetupDialog::onHumidityOffsetClicked,
                         &SetupDialog::onTemperatureOffsetClicked, &SetupDialog::onCo2OffsetClicked,
                         &SetupDialog::onAltitudeClicked, &SetupDialog::onAlarmClicked,
                         &SetupDialog::onPowerOffClicked, &SetupDialog::onSetupAllClicked})
        (dlg->*handler)();
    EXPECT_EQ(prompter.shown.size(), 10);
    EXPECT_EQ(prompter.shown.count("There is no connection with meter !"), 10);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(t.opens, 0);
}

TEST_F(SetupDialogTest, ReadFailingEveryTryLeavesReadOutsEmpty) {
    read(infoReply());
    t.allReadFail = true;
    dlg->onReadClicked();
    expectFail("readResult", "Fail code=204");
    EXPECT_EQ(t.frames.size(), 4u);
    for (const char* n :
         {"memoryAvailableValue", "meterTimeValue", "intervalValue", "dataSetsValue", "firmwareVersionValue",
          "serialNumberValue", "alarmValue", "alarmHighValue", "alarmLowValue", "powerOffTimeValue",
          "temperatureOffsetValue", "co2OffsetValue", "humidityOffsetValue", "altitudeValue"})
        EXPECT_EQ(label(n)->text(), "") << n;
    // These keep what the last good read showed.
    EXPECT_EQ(label("unitValue")->text(), "C");
    EXPECT_EQ(label("col2000Value")->text(), "2000");
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, DuringAnOperationTheTimerIsOffTheCursorBusyAndButtonsDisabled) {
    bool timerActive = true, buttonEnabled = true;
    const QCursor* cursor = nullptr;
    t.onOpen = [&] {
        timerActive = pollTimer.isActive();
        buttonEnabled = dlg->findChild<QPushButton*>("setClockButton")->isEnabled();
        cursor = QApplication::overrideCursor();
        // A click on another button inside the first operation's waits starts nothing.
        dlg->onSetClockClicked();
    };
    read(infoReply());
    t.onOpen = nullptr;
    EXPECT_FALSE(timerActive);
    EXPECT_FALSE(buttonEnabled);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor ? cursor->shape() : Qt::ArrowCursor, Qt::WaitCursor);
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_TRUE(t.blocks.empty());
    EXPECT_TRUE(dlg->findChild<QPushButton*>("setClockButton")->isEnabled());
    EXPECT_TRUE(pollTimer.isActive());
}

TEST_F(SetupDialogTest, AnOperationAskedForDuringThePollTickRunsAfterIt) {
    link.PollBusy = true;
    read(infoReply());
    EXPECT_TRUE(t.frames.empty());
    link.PollBusy = false;
    QCoreApplication::processEvents();
    EXPECT_EQ(t.frames.size(), 1u);
    expectOk("readResult");
}

TEST_F(SetupDialogTest, ClockButton) {
    t.replies.push_back(ack('t'));
    dlg->onSetClockClicked();
    expectOk("clockResult");
    ASSERT_EQ(t.blocks.size(), 1u);
    EXPECT_EQ(t.blocks[0][4], 0x07);
    t.allReadFail = true;
    dlg->onSetClockClicked();
    expectFail("clockResult", "Fail code=405");
    EXPECT_EQ(t.blocks.size(), 4u);
}

TEST_F(SetupDialogTest, IntervalButtonValidatesAndSendsBcd) {
    edit("intervalMinutesField")->setText("60");
    edit("intervalSecondsField")->setText("60");
    t.replies.push_back(ack('I'));
    dlg->onSetIntervalClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'I', 0x60, 0x60, 0x00, 0x00, 0x03}));
    expectOk("intervalResult");

    edit("intervalMinutesField")->setText("00");
    edit("intervalSecondsField")->setText("00");
    dlg->onSetIntervalClicked();
    EXPECT_EQ(prompter.shown, QStringList{"Invalid Input"});
    EXPECT_EQ(t.frames.size(), 1u);

    edit("intervalSecondsField")->setText("01");
    t.replies.push_back(ack('I', false));
    dlg->onSetIntervalClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'I', 0x00, 0x01, 0x00, 0x00, 0x03}));
    expectFail("intervalResult", "Fail");
}

TEST_F(SetupDialogTest, EraseAsksFirstAndOnlyYesErases) {
    prompter.answers = {Prompter::No, Prompter::Cancel, Prompter::Yes};
    dlg->onEraseMemoryClicked();
    dlg->onEraseMemoryClicked();
    EXPECT_TRUE(t.frames.empty());
    t.replies.push_back(ack('e'));
    dlg->onEraseMemoryClicked();
    EXPECT_EQ(prompter.questions.size(), 3);
    EXPECT_EQ(prompter.questions[0], "This will delete all data in the meter, are you sure ?");
    EXPECT_EQ(t.frames.back()[1], 'e');
    expectOk("eraseResult");
    prompter.answers = {Prompter::Yes};
    dlg->onEraseMemoryClicked();
    expectFail("eraseResult", "Fail code=505");
}

TEST_F(SetupDialogTest, HumidityOffsetWritesCell73) {
    edit("humidityOffsetField")->setText("10.0");
    t.replies.push_back(ack('W'));
    dlg->onHumidityOffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x49, 0x64, 0x03}));
    expectOk("humidityOffsetResult");
    edit("humidityOffsetField")->setText("10.01");
    dlg->onHumidityOffsetClicked();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 10.0 and -10.0"});
    EXPECT_EQ(t.frames.size(), 1u);
    edit("humidityOffsetField")->setText("1");
    dlg->onHumidityOffsetClicked(); // no reply: five failed tries
    expectFail("humidityOffsetResult", "Fail");
    EXPECT_EQ(t.frames.size(), 6u);
}

TEST_F(SetupDialogTest, TemperatureOffsetInCelsius) {
    edit("temperatureOffsetField")->setText("-5.0");
    t.replies.push_back(ack('W'));
    dlg->onTemperatureOffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0xA6, 0x03}));
    expectOk("temperatureOffsetResult");
    edit("temperatureOffsetField")->setText("6.0");
    dlg->onTemperatureOffsetClicked();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 5.0 and -5.0"});
    EXPECT_EQ(t.frames.size(), 1u);
}

TEST_F(SetupDialogTest, Co2OffsetButton) {
    edit("co2OffsetField")->setText("-400");
    t.replies.push_back(ack('D'));
    dlg->onCo2OffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'D', 0xFE, 0x70, 0x00, 0x00, 0x03}));
    expectOk("co2OffsetResult");

    edit("co2OffsetField")->setText("401");
    dlg->onCo2OffsetClicked();
    EXPECT_FALSE(label("co2OffsetResult")->isVisible());
    edit("co2OffsetField")->setText("65636");
    dlg->onCo2OffsetClicked();
    EXPECT_FALSE(label("co2OffsetResult")->isVisible());
    edit("co2OffsetField")->setText("abc");
    dlg->onCo2OffsetClicked();
    expectFail("co2OffsetResult", "Fail");
    EXPECT_EQ(prompter.shown, QStringList(3, "invalid data, must be integer between 400 and -400"));
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SetupDialogTest, AltitudeButton) {
    edit("altitudeField")->setText("8848");
    t.replies.push_back(ack('L'));
    dlg->onAltitudeClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'L', 0x22, 0x90, 0x00, 0x00, 0x03}));
    expectOk("altitudeResult");
    edit("altitudeField")->setText("8849");
    dlg->onAltitudeClicked();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must be integer between 0 and 8848"});
    edit("altitudeField")->setText("10");
    dlg->onAltitudeClicked();
    expectFail("altitudeResult", "Fail");
    EXPECT_EQ(t.frames.size(), 2u);
}

TEST_F(SetupDialogTest, AlarmOnSwapsLimitsAndAlarmOffSendsFF) {
    combo("alarmSwitchBox")->setCurrentIndex(1);
    edit("alarmHighField")->setText("800");
    edit("alarmLowField")->setText("1000");
    t.replies.push_back(ack('F'));
    dlg->onAlarmClicked();
    EXPECT_EQ(edit("alarmHighField")->text(), "1000");
    EXPECT_EQ(edit("alarmLowField")->text(), "800");
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0x03, 0xE8, 0x03, 0x20, 0x03}));
    expectOk("alarmResult");

    edit("alarmHighField")->setText("x");
    dlg->onAlarmClicked();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must be integer between 0 and 40000"});
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_FALSE(label("alarmResult")->isVisible());

    combo("alarmSwitchBox")->setCurrentIndex(0);
    t.replies.push_back(ack('F'));
    dlg->onAlarmClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0x03}));
    expectOk("alarmResult");
    EXPECT_TRUE(pollTimer.isActive());
}

TEST_F(SetupDialogTest, PowerOffWritesTheSelectedIndexToCell80) {
    combo("powerOffBox")->setCurrentIndex(7);
    t.replies.push_back(ack('W'));
    dlg->onPowerOffClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x50, 0x07, 0x03}));
    expectOk("powerOffResult");
    combo("powerOffBox")->setCurrentIndex(0);
    t.replies.push_back(ack('W', false));
    dlg->onPowerOffClicked();
    EXPECT_EQ(t.frames.back()[5], 0x00);
    expectFail("powerOffResult", "Fail");
}

TEST_F(SetupDialogTest, CloseRestartsThePollTimerAndSignalsTheOwner) {
    bool closed = false;
    QObject::connect(dlg, &SetupDialog::setupClosed, [&] { closed = true; });
    pollTimer.stop();
    dlg->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_TRUE(dlg.isNull());
}

TEST_F(SetupDialogTest, CloseDuringAnotherExclusiveExchangeLeavesThePollTimerOff) {
    link.runExclusive([&] {
        EXPECT_FALSE(dlg->findChild<QPushButton*>("readButton")->isEnabled());
        dlg->close();
        EXPECT_FALSE(pollTimer.isActive());
    });
    EXPECT_TRUE(pollTimer.isActive());
}

TEST_F(SetupDialogTest, GermanLocaleShowsAndReadsDecimalCommas) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    read(infoReply());
    EXPECT_EQ(label("firmwareVersionValue")->text(), "1,23");
    EXPECT_EQ(edit("humidityOffsetField")->text(), "-2,5");
    EXPECT_EQ(edit("temperatureOffsetField")->text(), "-5,0");
    // What the read put into the editors goes back unchanged.
    t.replies.push_back(ack('W'));
    dlg->onHumidityOffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x49, 0xE7, 0x03}));
    t.replies.push_back(ack('W'));
    dlg->onTemperatureOffsetClicked();
    EXPECT_EQ(t.frames.back(), (Frame{0x02, 'W', 0x00, 0x00, 0x4A, 0xA6, 0x03}));
    QLocale::setDefault(saved);
}

} // namespace test_setup_dialog
