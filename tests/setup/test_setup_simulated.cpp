#include "link/demo_memory.h"
#include "link/hid_meter_transport.h"
#include "link/meter_link.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "setup/setup_exchange.h"
#include "setup/tfrm_setup.h"
#include "support/scripted_prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

// The dialog against the software meter: every setting it sends shows up in the next read.
namespace {

struct SetupOnSimulatedMeter : ::testing::Test {
    ManualClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    ScriptedPrompter prompter;
    QTimer mainTimer;
    QPointer<TfrmSetup> dlg;

    void SetUp() override {
        mainTimer.setInterval(500);
        mainTimer.start();
        link.setMainTimer(&mainTimer);
        dlg = new TfrmSetup(link, prompter, clock, [] { return true; });
        dlg->show();
    }
    void TearDown() override { delete dlg.data(); }

    QString text(const char* name) { return dlg->findChild<QLabel*>(name)->text(); }
    QLineEdit* edit(const char* name) { return dlg->findChild<QLineEdit*>(name); }
    QComboBox* combo(const char* name) { return dlg->findChild<QComboBox*>(name); }
    void read() {
        dlg->Button4Click();
        ASSERT_EQ(text("lblOK5"), "OK");
    }
    void setUnit(uint8_t unit) {
        auto image = meter.memory();
        image[meter_memory::UnitAt] = unit;
        meter.setMemory(image);
    }
};

} // namespace

TEST_F(SetupOnSimulatedMeter, EachSettingShowsInTheNextRead) {
    setUnit(0);
    edit("edtInt1")->setText("01");
    edit("edtInt2")->setText("05");
    dlg->Button2Click();
    edit("edtRH_offset")->setText("2.5");
    dlg->Button7Click();
    edit("edtT1_offset")->setText("-5.0");
    dlg->Button12Click();
    edit("edtppm_offset")->setText("-400");
    dlg->Button13Click();
    edit("edtalt_offset")->setText("1234");
    dlg->Button14Click();
    combo("ComboBox1")->setCurrentIndex(1);
    edit("Edit4")->setText("800");
    edit("Edit5")->setText("1000");
    dlg->Button11Click();
    combo("ComboBox2")->setCurrentIndex(4);
    dlg->Button16Click();
    EXPECT_TRUE(prompter.shown.isEmpty());
    for (const char* l : {"lblOK2", "lblOK6", "Label24", "Label28", "Label29", "Label12", "Label38"})
        EXPECT_EQ(text(l), "OK") << l;

    combo("ComboBox1")->setCurrentIndex(0);
    combo("ComboBox2")->setCurrentIndex(1);
    read();
    EXPECT_EQ(text("txtInt"), "01:05");
    EXPECT_EQ(text("txtRHoffset"), "2.5");
    EXPECT_EQ(text("txtT1offset"), "-5.0");
    EXPECT_EQ(text("txtppmoffset"), "-400");
    EXPECT_EQ(text("txtaltoffset"), "1234");
    EXPECT_EQ(text("txtAlarm"), "ON");
    EXPECT_EQ(combo("ComboBox1")->currentText(), "On");
    EXPECT_EQ(text("txtHi"), "1000");
    EXPECT_EQ(text("txtLo"), "800");
    EXPECT_EQ(text("txtSleepTime"), "2 hours");
    EXPECT_EQ(combo("ComboBox2")->currentText(), "2 hours");

    combo("ComboBox1")->setCurrentIndex(0);
    dlg->Button11Click();
    read();
    EXPECT_EQ(text("txtAlarm"), "OFF");
    EXPECT_EQ(text("txtHi"), "1000"); // switching off keeps the limits
}

TEST_F(SetupOnSimulatedMeter, FahrenheitMeterTakesItsOffsetInTenthsOfADegree) {
    setUnit(1);
    read();
    EXPECT_EQ(text("txtUnit"), "F");
    edit("edtT1_offset")->setText("9.0");
    dlg->Button12Click();
    read();
    EXPECT_EQ(text("txtT1offset"), "9.0");
    EXPECT_EQ(meter.memory()[meter_memory::TempOffsetAt], 90);
}

TEST_F(SetupOnSimulatedMeter, ClockIsSetToTheComputersTime) {
    clock.setNow(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))); // the meter's clock stays behind
    read();
    EXPECT_EQ(text("txtMeterTime"), "07/31/2026   14:05:09");
    EXPECT_EQ(text("txtSN"), QString::fromStdString(meter.serialNumber()));
    EXPECT_EQ(text("txtDataSets"), QString::number(meter.dataSetCount()));
    EXPECT_EQ(text("txtMemoryAvailable"), QString::number((0x3F2FF - meter.sizeField()) / 8));
    dlg->Button1Click();
    EXPECT_EQ(text("lblOK1"), "OK");
    read();
    EXPECT_TRUE(text("txtMeterTime").startsWith("01/02/2027   03:04:")) << text("txtMeterTime").toStdString();
}

TEST_F(SetupOnSimulatedMeter, SetupAllAppliesEverythingAndErasesDespiteARefusedStep) {
    setUnit(0);
    edit("edtInt1")->setText("00");
    edit("edtInt2")->setText("10");
    edit("edtRH_offset")->setText("10.01");
    edit("edtT1_offset")->setText("1.0");
    edit("edtppm_offset")->setText("25");
    edit("edtalt_offset")->setText("300");
    combo("ComboBox2")->setCurrentIndex(0);
    dlg->Button6Click();
    EXPECT_EQ(prompter.shown, QStringList{"invalid data, must between 10.0 and -10.0"});
    EXPECT_TRUE(prompter.questions.isEmpty()); // the erase asks nothing here
    std::string letters;                       // the humidity's 'W' is missing: it was refused
    for (const auto& f : meter.frames())
        letters += char(f[1]);
    EXPECT_EQ(letters, "IWDLFWteX");
    for (const char* l :
         {"lblOK2", "Label24", "Label28", "Label29", "Label12", "Label38", "lblOK1", "lblOK3"})
        EXPECT_EQ(text(l), "OK") << l;
    EXPECT_FALSE(dlg->findChild<QLabel*>("lblOK6")->isVisible());
    EXPECT_EQ(text("lblOK5"), "OK");
    EXPECT_EQ(text("txtDataSets"), "0");
    EXPECT_EQ(text("txtInt"), "00:10");
    EXPECT_EQ(text("txtT1offset"), "1.0");
    EXPECT_EQ(text("txtppmoffset"), "25");
    EXPECT_EQ(text("txtaltoffset"), "300");
    EXPECT_EQ(text("txtSleepTime"), "OFF");
    EXPECT_TRUE(mainTimer.isActive());
}

TEST_F(SetupOnSimulatedMeter, FaultsShowOnTheResultLabels) {
    meter.faults.failReadReply = {1, 2, 3};
    dlg->Button4Click();
    EXPECT_EQ(text("lblOK5"), "Fail code=204");
    EXPECT_EQ(meter.requests('X'), 3u);

    meter.faults.refuseAck = {'W', 'I', 'e'};
    dlg->Button7Click();
    EXPECT_EQ(text("lblOK6"), "Fail");
    EXPECT_EQ(meter.requests('W'), 5u);
    dlg->Button2Click();
    EXPECT_EQ(text("lblOK2"), "Fail");
    EXPECT_EQ(meter.requests('I'), 3u);
    prompter.answers = {Prompter::Yes};
    dlg->Button3Click();
    EXPECT_EQ(text("lblOK3"), "Fail code=506");

    // Dropped once, the cell write gets through on its second try.
    meter.faults.refuseAck.clear();
    meter.faults.dropReplies['W'] = {6};
    dlg->Button16Click();
    EXPECT_EQ(text("Label38"), "OK");
    EXPECT_EQ(meter.requests('W'), 7u);

    meter.faults.failWriteBlock = {1, 2, 3};
    dlg->Button1Click();
    EXPECT_EQ(text("lblOK1"), "Fail code=405"); // the block never arrived, so no answer either
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
