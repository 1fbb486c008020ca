#include "link/demo_memory.h"
#include "link/hid_meter_transport.h"
#include "link/meter_link.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "setup/setup_dialog.h"
#include "setup/setup_exchange.h"
#include "support/scripted_prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_setup_simulated {

// The dialog against the software meter: every setting it sends shows up in the next read.

struct SetupOnSimulatedMeter : ::testing::Test {
    ManualClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    ScriptedPrompter prompter;
    QTimer pollTimer;
    QPointer<SetupDialog> dlg;

    void SetUp() override {
        pollTimer.setInterval(500);
        pollTimer.start();
        link.setPollTimer(&pollTimer);
        dlg = new SetupDialog(link, prompter, clock, [] { return true; });
        dlg->show();
    }
    void TearDown() override { delete dlg.data(); }

    QString text(const char* name) { return dlg->findChild<QLabel*>(name)->text(); }
    QLineEdit* edit(const char* name) { return dlg->findChild<QLineEdit*>(name); }
    QComboBox* combo(const char* name) { return dlg->findChild<QComboBox*>(name); }
    void read() {
        dlg->onReadClicked();
        ASSERT_EQ(text("readResult"), "OK");
    }
    void setUnit(uint8_t unit) {
        auto image = meter.memory();
        image[meter_memory::UnitAt] = unit;
        meter.setMemory(image);
    }
};

TEST_F(SetupOnSimulatedMeter, EachSettingShowsInTheNextRead) {
    setUnit(0);
    edit("intervalMinutesField")->setText("01");
    edit("intervalSecondsField")->setText("05");
    dlg->onSetIntervalClicked();
    edit("humidityOffsetField")->setText("2.5");
    dlg->onHumidityOffsetClicked();
    edit("temperatureOffsetField")->setText("-5.0");
    dlg->onTemperatureOffsetClicked();
    edit("co2OffsetField")->setText("-400");
    dlg->onCo2OffsetClicked();
    edit("altitudeField")->setText("1234");
    dlg->onAltitudeClicked();
    combo("alarmSwitchBox")->setCurrentIndex(1);
    edit("alarmHighField")->setText("800");
    edit("alarmLowField")->setText("1000");
    dlg->onAlarmClicked();
    combo("powerOffBox")->setCurrentIndex(4);
    dlg->onPowerOffClicked();
    EXPECT_TRUE(prompter.shown.isEmpty());
    for (const char* l : {"intervalResult", "humidityOffsetResult", "temperatureOffsetResult",
                          "co2OffsetResult", "altitudeResult", "alarmResult", "powerOffResult"})
        EXPECT_EQ(text(l), "OK") << l;

    combo("alarmSwitchBox")->setCurrentIndex(0);
    combo("powerOffBox")->setCurrentIndex(1);
    read();
    EXPECT_EQ(text("intervalValue"), "01:05");
    EXPECT_EQ(text("humidityOffsetValue"), "2.5");
    EXPECT_EQ(text("temperatureOffsetValue"), "-5.0");
    EXPECT_EQ(text("co2OffsetValue"), "-400");
    EXPECT_EQ(text("altitudeValue"), "1234");
    EXPECT_EQ(text("alarmValue"), "ON");
    EXPECT_EQ(combo("alarmSwitchBox")->currentText(), "On");
    EXPECT_EQ(text("alarmHighValue"), "1000");
    EXPECT_EQ(text("alarmLowValue"), "800");
    EXPECT_EQ(text("powerOffTimeValue"), "2 hours");
    EXPECT_EQ(combo("powerOffBox")->currentText(), "2 hours");

    combo("alarmSwitchBox")->setCurrentIndex(0);
    dlg->onAlarmClicked();
    read();
    EXPECT_EQ(text("alarmValue"), "OFF");
    EXPECT_EQ(text("alarmHighValue"), "1000"); // switching off keeps the limits
}

TEST_F(SetupOnSimulatedMeter, FahrenheitMeterTakesItsOffsetInTenthsOfADegree) {
    setUnit(1);
    read();
    EXPECT_EQ(text("unitValue"), "F");
    edit("temperatureOffsetField")->setText("9.0");
    dlg->onTemperatureOffsetClicked();
    read();
    EXPECT_EQ(text("temperatureOffsetValue"), "9.0");
    EXPECT_EQ(meter.memory()[meter_memory::TempOffsetAt], 90);
}

TEST_F(SetupOnSimulatedMeter, ClockIsSetToTheComputersTime) {
    clock.setNow(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))); // the meter's clock stays behind
    read();
    EXPECT_EQ(text("meterTimeValue"), "07/31/2026   14:05:09");
    EXPECT_EQ(text("serialNumberValue"), QString::fromStdString(meter.serialNumber()));
    EXPECT_EQ(text("dataSetsValue"), QString::number(meter.dataSetCount()));
    EXPECT_EQ(text("memoryAvailableValue"), QString::number((0x3F2FF - meter.sizeField()) / 8));
    dlg->onSetClockClicked();
    EXPECT_EQ(text("clockResult"), "OK");
    read();
    EXPECT_TRUE(text("meterTimeValue").startsWith("01/02/2027   03:04:"))
        << text("meterTimeValue").toStdString();
}

TEST_F(SetupOnSimulatedMeter, SetupAllAppliesEverythingAndErasesDespiteARefusedStep) {
    setUnit(0);
    edit("intervalMinutesField")->setText("00");
    edit("intervalSecondsField")->setText("10");
    edit("humidityOffsetField")->setText("10.01");
    edit("temperatureOffsetField")->setText("1.0");
    edit("co2OffsetField")->setText("25");
    edit("altitudeField")->setText("300");
    combo("powerOffBox")->setCurrentIndex(0);
    dlg->onSetupAllClicked();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 10.0 and -10.0"});
    EXPECT_TRUE(prompter.questions.isEmpty()); // the erase asks nothing here
    std::string letters;                       // the humidity's 'W' is missing: it was refused
    for (const auto& f : meter.frames())
        letters += char(f[1]);
    EXPECT_EQ(letters, "IWDLFWteX");
    for (const char* l : {"intervalResult", "temperatureOffsetResult", "co2OffsetResult", "altitudeResult",
                          "alarmResult", "powerOffResult", "clockResult", "eraseResult"})
        EXPECT_EQ(text(l), "OK") << l;
    EXPECT_FALSE(dlg->findChild<QLabel*>("humidityOffsetResult")->isVisible());
    EXPECT_EQ(text("readResult"), "OK");
    EXPECT_EQ(text("dataSetsValue"), "0");
    EXPECT_EQ(text("intervalValue"), "00:10");
    EXPECT_EQ(text("temperatureOffsetValue"), "1.0");
    EXPECT_EQ(text("co2OffsetValue"), "25");
    EXPECT_EQ(text("altitudeValue"), "300");
    EXPECT_EQ(text("powerOffTimeValue"), "OFF");
    EXPECT_TRUE(pollTimer.isActive());
}

// A clock whose waits stand in for the time between two steps: wherever the poll timer runs and the
// link is free during a wait, a poll tick takes a live reading, as the real timer would.
struct PollingClock : ManualClock {
    std::function<void(int)> onWait;
    void pumpWait(int ms) override {
        ManualClock::pumpWait(ms);
        if (onWait)
            onWait(ms);
    }
};

// Setup All runs each step as its button would: the poll timer runs again after every step, so the
// meter gets live requests in the waits between them, and each step checks the connection first.
TEST(SetupAllOrder, LiveReadsGoOnBetweenTheStepsAndEachStepChecksTheConnection) {
    PollingClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    ScriptedPrompter prompter;
    QTimer pollTimer;
    pollTimer.setInterval(500);
    pollTimer.start();
    link.setPollTimer(&pollTimer);
    int steps = 0;
    bool connected = true;
    std::vector<int> gaps;
    clock.onWait = [&](int ms) {
        if (!pollTimer.isActive() || link.exclusiveActive())
            return;
        gaps.push_back(ms);
        link.readLiveOpen(32); // what a poll tick sends
        if (++steps == 4)
            connected = false; // the meter is unplugged after the CO2 offset
    };
    SetupDialog dlg(link, prompter, clock, [&] { return connected; });
    dlg.show();
    dlg.onSetupAllClicked();
    EXPECT_EQ(gaps, (std::vector<int>{500, 500, 1000, 2000, 1000, 500, 500, 500}));
    std::string letters;
    for (const auto& f : meter.frames())
        letters += char(f[1]);
    EXPECT_EQ(letters, "IAWAWADAAAAA");
    EXPECT_EQ(prompter.shown, QStringList{"There is no connection with meter !"}); // once, not for each step
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_FALSE(dlg.operationRunning());

    // Once reconnected, the whole sequence with the same live reads between the steps.
    connected = true;
    steps = -100;
    gaps.clear();
    meter.clearLog();
    dlg.onSetupAllClicked();
    letters.clear();
    for (const auto& f : meter.frames())
        letters += char(f[1]);
    EXPECT_EQ(letters, "IAWAWADALAFAWAtAeX");
}

// The waits of the operations, as the meter needs them: half a second before each, 10 ms before the
// erase's reply, 200 ms before the CO2 offset's; and Setup All hides all nine result labels first.
TEST(SetupWaits, EachOperationWaitsAsTheMeterNeeds) {
    PollingClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    ScriptedPrompter prompter;
    std::vector<int> waits;
    clock.onWait = [&](int ms) { waits.push_back(ms); };
    SetupDialog dlg(link, prompter, clock, [] { return true; });
    dlg.show();
    dlg.findChild<QLineEdit*>("co2OffsetField")->setText("25");
    waits.clear();
    dlg.onCo2OffsetClicked();
    EXPECT_EQ(waits, (std::vector<int>{500, 200}));
    waits.clear();
    prompter.answers = {Prompter::Yes};
    dlg.onEraseMemoryClicked();
    EXPECT_EQ(waits, (std::vector<int>{500, 10}));

    // Results left from earlier single steps are hidden before Setup All sends anything.
    std::vector<std::pair<QString, bool>> seen;
    clock.onWait = [&](int) {
        if (!seen.empty())
            return;
        for (const char* name :
             {"intervalResult", "humidityOffsetResult", "temperatureOffsetResult", "co2OffsetResult",
              "altitudeResult", "alarmResult", "powerOffResult", "clockResult", "eraseResult"}) {
            const QLabel* l = dlg.findChild<QLabel*>(name);
            seen.emplace_back(QString::fromLatin1(name), l->isVisible() && !l->text().isEmpty());
        }
    };
    ASSERT_TRUE(dlg.findChild<QLabel*>("co2OffsetResult")->isVisible());
    dlg.onSetupAllClicked();
    ASSERT_EQ(seen.size(), 9u);
    for (const auto& [name, visible] : seen)
        EXPECT_FALSE(visible) << name.toStdString();
}

TEST_F(SetupOnSimulatedMeter, FaultsShowOnTheResultLabels) {
    meter.faults.failReadReply = {1, 2, 3};
    dlg->onReadClicked();
    EXPECT_EQ(text("readResult"), "Fail code=204");
    EXPECT_EQ(meter.requests('X'), 3u);

    meter.faults.refuseAck = {'W', 'I', 'e'};
    dlg->onHumidityOffsetClicked();
    EXPECT_EQ(text("humidityOffsetResult"), "Fail");
    EXPECT_EQ(meter.requests('W'), 5u);
    dlg->onSetIntervalClicked();
    EXPECT_EQ(text("intervalResult"), "Fail");
    EXPECT_EQ(meter.requests('I'), 3u);
    prompter.answers = {Prompter::Yes};
    dlg->onEraseMemoryClicked();
    EXPECT_EQ(text("eraseResult"), "Fail code=506");

    // Dropped once, the cell write gets through on its second try.
    meter.faults.refuseAck.clear();
    meter.faults.dropReplies['W'] = {6};
    dlg->onPowerOffClicked();
    EXPECT_EQ(text("powerOffResult"), "OK");
    EXPECT_EQ(meter.requests('W'), 7u);

    meter.faults.failWriteBlock = {1, 2, 3};
    dlg->onSetClockClicked();
    EXPECT_EQ(text("clockResult"), "Fail code=405"); // the block never arrived, so no answer either
}

// The setup read and a setting through the USB transport against the simulated meter seen as HID
// reports: with late replies they give what they give without, and each exchange reads its own
// reply.
TEST(SetupOverHid, LateRepliesGiveTheSameInformation) {
    auto run = [](bool late) {
        ManualClock clock;
        SimulatedMeter meter(clock);
        if (late) {
            meter.faults.lateReplies['X'] = {1, 3};
            meter.faults.lateReplies['I'] = {1};
        }
        SimulatedHidBackend backend(meter, clock);
        HidMeterTransport transport(backend);
        CommandFrame frame;
        SetupExchange::Reply reply{};
        SetupExchange exchange(transport, clock, frame, reply);
        std::vector<SetupExchange::InfoReply> infos(2);
        EXPECT_EQ(exchange.readInformation(infos[0]), 0);
        EXPECT_EQ(exchange.setInterval(0x02, 0x30), 0);
        EXPECT_EQ(exchange.readInformation(infos[1]), 0);
        EXPECT_EQ(meter.memory()[meter_memory::IntervalAt], 0x02);
        return infos;
    };
    const auto plain = run(false);
    const auto late = run(true);
    EXPECT_EQ(late, plain);
    EXPECT_EQ(late[1][9], 0x02); // the interval just set, read back
    EXPECT_EQ(late[1][10], 0x30);
}

} // namespace test_setup_simulated
