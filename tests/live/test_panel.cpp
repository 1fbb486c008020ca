#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "live/glyph_set.h"
#include "live/panel_digits.h"
#include "live/panel_window.h"
#include "platform/clock.h"
#include "support/fake_transport.h"

#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_panel {

constexpr int B = glyph::Blank;

// The annunciators a panel shows, by name, in a fixed order.
std::string shown(const PanelWindow& p) {
    const std::pair<const QWidget*, const char*> all[] = {
        {p.battery3Image, "Bat3"}, {p.battery2Image, "Bat2"}, {p.battery1Image, "Bat1"},
        {p.battery0Image, "Bat0"}, {p.celsiusImage, "C"},     {p.fahrenheitImage, "F"},
        {p.alarmImage, "Alarm"},   {p.highLabel, "Hi"},       {p.lowLabel, "Lo"},
        {p.holdImage, "HOLD"},     {p.recImage, "REC"},       {p.fullImage, "FULL"},
        {p.minLabel, "MIN"},       {p.maxLabel, "MAX"},       {p.stelImage, "STEL"},
        {p.twaImage, "TWA"},       {p.avgLabel, "AVG"},
    };
    std::string names;
    for (const auto& [w, name] : all)
        if (!w->isHidden())
            names += (names.empty() ? "" : " ") + std::string(name);
    return names;
}

PanelDigits digitsFor(int ppm, float rh, float t, uint8_t flags = 0) {
    LiveReading r;
    r.ppm = ppm;
    r.humidity = rh;
    r.temperature = t;
    r.rangeFlags = flags;
    return computePanelDigits(r);
}

TEST(PanelDigits, CarbonDioxideBlanksLeadingZerosButAlwaysShowsThreeDigits) {
    EXPECT_EQ(digitsFor(400, 0, 0).ppm, (std::array<int, 5>{B, B, 4, 0, 0}));
    EXPECT_EQ(digitsFor(10234, 0, 0).ppm, (std::array<int, 5>{1, 0, 2, 3, 4}));
    EXPECT_EQ(digitsFor(5, 0, 0).ppm, (std::array<int, 5>{B, B, 0, 0, 5}));
    EXPECT_EQ(digitsFor(1005, 0, 0).ppm, (std::array<int, 5>{B, 1, 0, 0, 5}));
    EXPECT_EQ(digitsFor(99999, 0, 0, 0x01).ppm, (std::array<int, 5>{B, B, B, 0, glyph::LetterL}));
    // Values the positions cannot hold show dashes rather than stray glyphs.
    EXPECT_EQ(digitsFor(-3, 0, 0).ppm, (std::array<int, 5>{17, 17, 17, 17, 17}));
    LiveReading dashes;
    dashes.ppmDashes = true;
    dashes.rangeFlags = 0x01;
    EXPECT_EQ(computePanelDigits(dashes).ppm, (std::array<int, 5>{17, 17, 17, 17, 17}));
}

TEST(PanelDigits, TenthsAreCutNeverCarried) {
    EXPECT_EQ(digitsFor(0, 45.6f, 0).humidity, (std::array<int, 4>{B, 4, 5, 5}));
    EXPECT_EQ(digitsFor(0, 45.1f, 0).humidity, (std::array<int, 4>{B, 4, 5, 0}));
    EXPECT_EQ(digitsFor(0, 100.0f, 0).humidity, (std::array<int, 4>{1, 0, 0, 0}));
    EXPECT_EQ(digitsFor(0, 0, 0, 0x02).humidity, (std::array<int, 4>{B, B, 0, glyph::LetterL}));
    EXPECT_EQ(digitsFor(0, 0, 0, 0x08).temperature, (std::array<int, 4>{B, glyph::Minus, 0, glyph::LetterL}));
    EXPECT_EQ(digitsFor(0, 0, 0, 0x04).temperature, (std::array<int, 4>{B, B, 0, glyph::LetterL}));
    EXPECT_EQ(digitsFor(0, 0, 77.0f).temperature, (std::array<int, 4>{B, 7, 7, 0}));
    EXPECT_EQ(digitsFor(0, 0, -5.0f).temperature, (std::array<int, 4>{17, 17, 17, 17}));
}

struct PanelTest : ::testing::Test {
    FakeTransport t;
    ManualClock clock;
    MeterLink link{t, clock};
    LiveReading reading;
    GlyphSet glyphs;
    std::unique_ptr<PanelWindow> panel;
    void SetUp() override {
        glyphs.load();
        panel = std::make_unique<PanelWindow>(reading, glyphs, link, clock);
        panel->setAttribute(Qt::WA_DeleteOnClose, false);
    }
};

TEST_F(PanelTest, GlyphsAndAnnunciatorsFollowTheReading) {
    ASSERT_EQ(glyphs.loaded(), 25);
    reading.ppm = 562;
    reading.humidity = 45.6f;
    reading.temperature = 25.0f;
    reading.batteryLevel = 2;
    reading.hold = true;
    reading.alarm = reading.alarmHigh = true;
    panel->refreshPanel();
    EXPECT_EQ(panel->shownGlyph(0), B);
    EXPECT_EQ(panel->shownGlyph(2), 5);
    EXPECT_EQ(panel->shownGlyph(8), 5);
    EXPECT_EQ(panel->shownGlyph(11), 5);
    EXPECT_EQ(panel->glyphReplacements(), 13);
    EXPECT_FALSE(panel->battery2Image->isHidden());
    EXPECT_TRUE(panel->battery3Image->isHidden());
    EXPECT_FALSE(panel->holdImage->isHidden());
    EXPECT_FALSE(panel->highLabel->isHidden());
    EXPECT_TRUE(panel->lowLabel->isHidden());

    // The same reading again replaces nothing; one changed digit replaces one image.
    panel->refreshPanel();
    EXPECT_EQ(panel->glyphReplacements(), 13);
    reading.ppm = 563;
    panel->refreshPanel();
    EXPECT_EQ(panel->glyphReplacements(), 14);

    // Showing the panel again forgets every glyph: the next reading redraws all 13.
    panel->show();
    panel->hide();
    panel->show();
    panel->refreshPanel();
    EXPECT_EQ(panel->glyphReplacements(), 27);
}

// Each field of the reading on a new panel: exactly its own annunciator changes.
TEST_F(PanelTest, EachFieldDrivesExactlyItsAnnunciator) {
    const std::pair<std::function<void(LiveReading&)>, const char*> cases[] = {
        {[](LiveReading&) {}, "C"},
        {[](LiveReading& r) { r.batteryLevel = 3; }, "Bat3 C"},
        {[](LiveReading& r) { r.batteryLevel = 2; }, "Bat2 C"},
        {[](LiveReading& r) { r.batteryLevel = 1; }, "Bat1 C"},
        {[](LiveReading& r) { r.batteryLevel = 0; }, "Bat0 C"},
        {[](LiveReading& r) { r.fahrenheit = true; }, "F"},
        {[](LiveReading& r) { r.alarm = true; }, "C Alarm"},
        {[](LiveReading& r) { r.alarmHigh = true; }, "C Hi"},
        {[](LiveReading& r) { r.alarmLow = true; }, "C Lo"},
        {[](LiveReading& r) { r.hold = true; }, "C HOLD"},
        {[](LiveReading& r) { r.recording = true; }, "C REC"},
        {[](LiveReading& r) { r.minShown = true; }, "C MIN"},
        {[](LiveReading& r) { r.maxShown = true; }, "C MAX"},
        {[](LiveReading& r) { r.stelShown = true; }, "C STEL"},
        {[](LiveReading& r) { r.twaShown = true; }, "C TWA"},
        // While the memory is full REC and FULL belong to the flashing, while statsFlashAll is set
        // MIN, MAX, STEL and TWA do: the refresh leaves them as they were.
        {[](LiveReading& r) { r.memoryFull = r.recording = true; }, "C"},
        {[](LiveReading& r) { r.statsFlashAll = r.minShown = r.maxShown = r.stelShown = r.twaShown = true; },
         "C"},
        {[](LiveReading& r) { r.statsFlashMode = true; }, "C"},
    };
    for (const auto& [set, expected] : cases) {
        LiveReading r;
        set(r);
        PanelWindow fresh(r, glyphs, link, clock);
        fresh.refreshPanel();
        EXPECT_EQ(shown(fresh), expected);
    }
}

// The refresh keeps the flashing annunciators in whatever phase the flash timer left them, and
// takes them back once the flashing ends; a reply without a battery bit keeps the battery shown.
TEST_F(PanelTest, RefreshLeavesFlashingAnnunciatorsAlone) {
    reading.batteryLevel = 2;
    reading.memoryFull = true;
    reading.statsFlashAll = true;
    for (QWidget* w : {(QWidget*)panel->recImage, (QWidget*)panel->fullImage, (QWidget*)panel->minLabel,
                       (QWidget*)panel->maxLabel, (QWidget*)panel->stelImage, (QWidget*)panel->twaImage})
        w->show(); // the flash phase that shows them
    panel->refreshPanel();
    EXPECT_EQ(shown(*panel), "Bat2 C REC FULL MIN MAX STEL TWA");

    reading.batteryLevel.reset();
    reading.memoryFull = false;
    reading.recording = true;
    reading.statsFlashAll = false;
    reading.maxShown = true;
    panel->refreshPanel();
    EXPECT_EQ(shown(*panel), "Bat2 C REC MAX");
}

TEST_F(PanelTest, KeyFrameAndNoMeterWait) {
    QTimer pollTimer;
    pollTimer.setInterval(500);
    pollTimer.start();
    link.setPollTimer(&pollTimer);
    std::vector<uint8_t> ok(32, 0);
    ok[2] = 'O';
    ok[3] = 'K';
    t.replies.push_back(ok);
    panel->onHoldClicked();
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], (std::array<uint8_t, 7>{0x02, 0x48, 0, 0, 0, 0, 0x03}));
    EXPECT_EQ(t.reads, 1);
    EXPECT_EQ(clock.waitedMs(), 0);

    // Without a meter the exchange fails, the handler waits about 300 ms and polling resumes.
    t.allOpenFail = true;
    panel->onUnitClicked();
    EXPECT_GE(clock.waitedMs(), 300);
    EXPECT_LT(clock.waitedMs(), 400);
    EXPECT_TRUE(pollTimer.isActive());

    const auto before = t.frames.size();
    panel->onSetClicked();
    EXPECT_EQ(t.frames.size(), before);
}

TEST_F(PanelTest, DoubleClickOnModeKeySendsMThenN) {
    panel->show();
    std::vector<uint8_t> ok(32, 0);
    ok[2] = 'O';
    ok[3] = 'K';
    t.replies.assign(4, ok);
    QTest::mouseClick(panel->maxMinAvgKey, Qt::LeftButton);
    QTest::mouseDClick(panel->maxMinAvgKey, Qt::LeftButton);
    // A real double click arrives as press, release, double-click, release.
    std::vector<char> letters;
    for (const auto& f : t.frames)
        letters.push_back(char(f[1]));
    EXPECT_EQ(letters, (std::vector<char>{'M', 'N'}));
}

// Each key sends its own letter in a frame 02 letter 00 00 00 00 03, clicked where it is drawn; SET
// sends nothing.
TEST_F(PanelTest, EachKeySendsItsLetter) {
    panel->show();
    std::vector<uint8_t> ok(32, 0);
    ok[2] = 'O';
    ok[3] = 'K';
    t.replies.assign(6, ok);
    for (PanelKey* key : {panel->backlightKey, panel->holdKey, panel->recKey, panel->unitKey, panel->setKey,
                          panel->maxMinAvgKey})
        QTest::mouseClick(key, Qt::LeftButton);
    std::string letters;
    for (const auto& f : t.frames) {
        letters += char(f[1]);
        EXPECT_EQ(f, (std::array<uint8_t, 7>{0x02, f[1], 0, 0, 0, 0, 0x03}));
    }
    EXPECT_EQ(letters, "BHECM");
}

TEST_F(PanelTest, SimulatedMeterKeyChangesItsState) {
    SimulatedMeter meter(clock);
    MeterLink simLink(meter, clock);
    PanelWindow p(reading, glyphs, simLink, clock);
    EXPECT_FALSE(meter.hold());
    p.onHoldClicked();
    EXPECT_TRUE(meter.hold());
    EXPECT_EQ(clock.waitedMs(), 0);
}

} // namespace test_panel
