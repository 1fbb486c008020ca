#include "link/hid_meter_transport.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "logger/download_progress.h"
#include "logger/memory_download.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_memory_download {

struct RecordingProgress : DownloadProgress {
    uint32_t total = 0, last = 0;
    int started = 0, ended = 0, updates = 0;
    std::function<void(uint32_t)> onBytes;
    void downloadStarted(uint32_t t) override { (++started, total = t); }
    void bytesReceived(uint32_t b) override {
        (++updates, last = b);
        if (onBytes)
            onBytes(b);
    }
    void downloadEnded() override { ++ended; }
};

struct DownloadTest : ::testing::Test {
    ManualClock clock;
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    MemoryImage image;
    DownloadState state;
    RecordingProgress progress;

    int download() { return DownloadMemory(link, image, &progress, &state); }
    // The command letters the meter received, and those the program sent whether they reached it
    // or not (a write to a closed or unplugged device does not).
    std::string letters() const { return lettersOf(meter.frames()); }
    std::string attemptedLetters() const { return lettersOf(meter.attemptedFrames()); }
    static std::string lettersOf(const std::vector<std::array<uint8_t, 7>>& frames) {
        std::string s;
        for (const auto& f : frames)
            s += char(f[1]);
        return s;
    }
    MemoryImage memoryPrefix(std::size_t n) const {
        return MemoryImage(meter.memory().begin(), meter.memory().begin() + std::ptrdiff_t(n));
    }
};

TEST(DownloadSize, ReportedSizeIsBoundedAndRaisedToWholeBlocks) {
    const uint8_t block[9] = {0, 0, 0, 0, 0, 0, 0x00, 0x27, 0x0F};
    EXPECT_EQ(reportedSizeOf(block), 10000u);
    EXPECT_EQ(totalBytesFor(10000), 10016u);
    EXPECT_EQ(totalBytesFor(17), 262144u);
    EXPECT_EQ(totalBytesFor(255), 262144u);
    EXPECT_EQ(totalBytesFor(256), 256u);
    EXPECT_EQ(totalBytesFor(262144), 262144u);
    EXPECT_EQ(totalBytesFor(262145), 262144u);
    EXPECT_EQ(totalBytesFor(0x1000000), 262144u);
}

TEST_F(DownloadTest, SizeFieldDecidesHowManyBlocksAreRead) {
    meter.setSizeField(0x00270F);
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(state.ReportedSize, 10000u);
    EXPECT_EQ(state.TotalBytes, 10016u);
    EXPECT_EQ(meter.requests('P'), 1u);
    EXPECT_EQ(meter.requests('p'), 312u);
    EXPECT_EQ(meter.frames().front(), (std::array<uint8_t, 7>{0x02, 'P', 0x00, 0x01, 0x00, 0x00, 0x03}));
    EXPECT_EQ(letters().back(), 'q');
    EXPECT_EQ(image, memoryPrefix(10016));
    EXPECT_EQ(progress.total, 10016u);
    EXPECT_EQ(progress.last, 10016u);
    EXPECT_EQ(progress.ended, 1);
}

TEST_F(DownloadTest, SmallOrOversizedReportReadsTheWholeMemoryAndNoMore) {
    for (uint32_t field : {0x000010u, 0x040000u, 0xFFFFFFu}) {
        meter.setSizeField(field);
        meter.clearLog();
        const uint32_t asked = meter.requests('P') + meter.requests('p');
        EXPECT_EQ(download(), 0) << field;
        EXPECT_EQ(meter.requests('P') + meter.requests('p') - asked, 8192u);
        EXPECT_EQ(image, meter.memory()) << field; // byte for byte, never past 256 KiB
        EXPECT_EQ(letters().find('A'), std::string::npos);
    }
}

// A broken stream is resumed up to the whole memory for both: an oversized report could never be
// reached, and a tiny one must not pass a partial image off as complete.
TEST_F(DownloadTest, SizesOutsideTheRangeResumeUpToTheWholeMemory) {
    for (uint32_t field : {0xFFFFFFu, 0x000010u}) {
        meter.setSizeField(field);
        const uint32_t lives = meter.requests('A');
        meter.faults.failBlockReads = {meter.calls().blockRequests + 100};
        meter.faults.dropReplies['r'] = {meter.requests('r') + 1};
        EXPECT_EQ(download(), 0) << field;
        EXPECT_EQ(meter.requests('A'), lives + 1);
        EXPECT_EQ(image, meter.memory());
    }
}

TEST_F(DownloadTest, FirstAndSecondBlockFailures) {
    const std::vector<std::pair<std::function<void(FaultPlan&)>, int>> cases = {
        {[](FaultPlan& f) { f.failOpen = {1}; }, 1002},
        {[](FaultPlan& f) { f.failSetTimeouts = {1}; }, 1003},
        {[](FaultPlan& f) { f.failWriteFrame = {1}; }, 1004},
        {[](FaultPlan& f) { f.dropReplies['P'] = {1}; }, 1005},
        {[](FaultPlan& f) { f.badMarkerBlocks = {1}; }, 1006},
        {[](FaultPlan& f) { f.failWriteFrame = {2}; }, 123},
        {[](FaultPlan& f) { f.dropReplies['p'] = {1}; }, 123},
        {[](FaultPlan& f) { f.corruptChecksumBlocks = {2}; }, 177},
    };
    for (const auto& [fault, code] : cases) {
        ManualClock c;
        SimulatedMeter m(c);
        MeterLink l(m, c);
        fault(m.faults);
        RecordingProgress p;
        MemoryImage img;
        EXPECT_EQ(DownloadMemory(l, img, &p), code);
        EXPECT_LE(m.calls().readReply, 2u) << code; // nothing read after the failing step
        EXPECT_LE(m.frames().size(), 2u);
        EXPECT_EQ(p.started, 0);
        if (code == 123 || code == 177) {
            EXPECT_FALSE(m.deviceOpen());
        }
    }
}

// After a good reply to 'r' the stream goes on with 'p', as the meter expects. A meter that steps
// back sends the lost block again; one that does not has already sent it as its reply to 'r', which
// is then stored in its place. A reply to 'r' that is not a whole block is never stored.
TEST_F(DownloadTest, LostBlockIsRecoveredByRThenTheStreamGoesOnWithP) {
    struct Meter {
        bool noRewind, junk;
    };
    // Blocks 99, 100 and 101 (in the data sets) differ, so a block stored twice or skipped shows in the
    // image.
    const auto block = [&](std::ptrdiff_t n) {
        const auto at = meter.memory().begin() + (n - 1) * 32;
        return MemoryImage(at, at + 32);
    };
    ASSERT_NE(block(99), block(100));
    ASSERT_NE(block(100), block(101));
    for (const Meter m : {Meter{false, false}, Meter{true, false}, Meter{false, true}}) {
        meter.setReportedSize(4096);
        meter.faults.noRewindOnR = m.noRewind;
        meter.faults.junkOnR = m.junk;
        meter.faults.failBlockReads = {meter.calls().blockRequests + 100};
        meter.clearLog();
        EXPECT_EQ(download(), 0);
        const std::string sent = letters();
        // 'P' for block 1, 'p' for blocks 2 to 100 (the reply to the hundredth request lost), 'r',
        // then 'p' until the 128 blocks are in, and 'q'.
        const std::size_t ps = m.noRewind ? 28 : 29;
        EXPECT_EQ(sent, "P" + std::string(99, 'p') + "r" + std::string(ps, 'p') + "q")
            << m.noRewind << m.junk;
        EXPECT_EQ(meter.frames()[100], (std::array<uint8_t, 7>{0x02, 'r', 0x00, 0x01, 0x00, 0x00, 0x03}));
        EXPECT_EQ(image, memoryPrefix(4096)) << m.noRewind << m.junk;
        EXPECT_EQ(state.BytesReceived, 4096u);
    }
}

// The last block's reply lost at a meter that does not step back: the reply to 'r' completes the
// image, and the block the next 'p' brings (past the end) is left out.
TEST_F(DownloadTest, LostLastBlockAtAMeterThatDoesNotStepBack) {
    meter.setReportedSize(4096);
    meter.faults.noRewindOnR = true;
    meter.faults.failBlockReads = {128};
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(letters(), "P" + std::string(127, 'p') + "rpq");
    EXPECT_EQ(image, memoryPrefix(4096));
}

TEST_F(DownloadTest, ResumePicksUpAfterTheLastStoredBlock) {
    meter.setReportedSize(1024);
    meter.faults.failBlockReads = {10};
    meter.faults.dropReplies['r'] = {1};
    EXPECT_EQ(download(), 0);
    // The live request keeps bytes 2-4 of the first block request.
    const auto& f = meter.frames();
    const auto a = std::find_if(f.begin(), f.end(), [](const auto& x) { return x[1] == 'A'; });
    ASSERT_NE(a, f.end());
    EXPECT_EQ(*a, (std::array<uint8_t, 7>{0x02, 'A', 0x00, 0x01, 0x00, 0x01, 0x03}));
    EXPECT_EQ(a[1], (std::array<uint8_t, 7>{0x02, 'P', 0x00, 0x09, 0x00, 0x01, 0x03}));
    EXPECT_EQ(a[2], a[1]);
    EXPECT_EQ(char(f.back()[1]), 'q');
    EXPECT_EQ(image, memoryPrefix(1024));
}

TEST_F(DownloadTest, FiveFailedResumeAttemptsEndWithTheLastCode) {
    meter.setReportedSize(1024);
    meter.faults.failBlockReads = {10, 21};
    meter.faults.dropReplies['r'] = {1};
    meter.faults.dropReplies['P'] = {3, 5, 7, 9}; // second 'P' of attempts 1-4
    EXPECT_EQ(download(), 1263);
    EXPECT_EQ(state.FailStreak, 5);
    EXPECT_EQ(meter.requests('A'), 5u);
    EXPECT_EQ(state.BytesReceived, 288u);
    EXPECT_EQ(progress.ended, 1);
}

TEST_F(DownloadTest, ClosingQFailureAndMidStreamWriteFailure) {
    meter.setReportedSize(1024);
    meter.faults.failWriteFrame = {33}; // 'P', 31 'p', then 'q'
    EXPECT_EQ(download(), 125);
    EXPECT_EQ(image, memoryPrefix(1024));

    meter.faults.failWriteFrame = {meter.calls().writeFrame + 10};
    EXPECT_EQ(download(), 0); // 123, then a successful resume
    const std::string sent = attemptedLetters();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 'A'), 1);
    EXPECT_EQ(image, memoryPrefix(1024));
}

TEST_F(DownloadTest, UnplugInTheMiddle) {
    meter.setReportedSize(10000);
    meter.faults.unplugAfterExchanges = 50;
    EXPECT_EQ(download(), 1260);
    EXPECT_EQ(state.BytesReceived, 50u * 32);
    EXPECT_EQ(state.FailStreak, 5);
    // Five resume attempts, none of which reaches an unplugged meter.
    const std::string sent = attemptedLetters();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 'A'), 5);
    EXPECT_EQ(letters().find('A'), std::string::npos);
    EXPECT_EQ(image, memoryPrefix(1600));
}

TEST_F(DownloadTest, DecodeHandsTheImageOnAndEmptiesIt) {
    DataSetStore store;
    MemoryImage handed;
    EXPECT_EQ(DownloadAndDecode(link, store, &progress, [&](const MemoryImage& i) { handed = i; }), 0);
    EXPECT_EQ(handed, memoryPrefix(totalBytesFor(meter.reportedSize())));
    EXPECT_EQ(store.sets.size(), 4u);
    EXPECT_TRUE(store.image.empty());

    // A failure or an empty memory keeps the sets already decoded.
    meter.faults.corruptChecksumBlocks = {2};
    EXPECT_EQ(DownloadAndDecode(link, store), 177);
    meter.faults.corruptChecksumBlocks.clear();
    meter.setMemory(meter_memory::blankMemory());
    handed.clear();
    EXPECT_EQ(DownloadAndDecode(link, store, nullptr, [&](const MemoryImage& i) { handed = i; }), 6);
    EXPECT_TRUE(handed.empty());
    EXPECT_EQ(store.sets.size(), 4u);
    EXPECT_TRUE(store.image.empty());
}

struct CommandTest : DownloadTest {
    DataSetStore store;
    QTimer pollTimer;
    std::vector<int> codes;
    int drops = 0;
    DownloadHooks hooks() {
        return {&progress, {}, [this](int c) { codes.push_back(c); }, [this] { ++drops; }};
    }
    void SetUp() override {
        link.setPollTimer(&pollTimer);
        pollTimer.start(500);
    }
};

TEST_F(CommandTest, FailureSendsQThenClosesAndRestartsPolling) {
    meter.faults.corruptChecksumBlocks = {2};
    EXPECT_EQ(runMemoryDownload(link, store, hooks()), MeterLink::Gate::Ran);
    // 'Q' follows every failure but 0; after 177 the device is already closed, so the meter never
    // gets it.
    EXPECT_EQ(attemptedLetters(), "PpQ");
    EXPECT_EQ(letters(), "Pp");
    EXPECT_EQ(codes, std::vector<int>{177});
    EXPECT_EQ(drops, 1);
    EXPECT_TRUE(pollTimer.isActive());
    EXPECT_EQ(downloadMessage(177), "There was error,please try again!   error code=177");

    // Success and an empty memory send no 'Q'.
    meter.faults.corruptChecksumBlocks.clear();
    meter.clearLog();
    runMemoryDownload(link, store, hooks());
    meter.setMemory(meter_memory::blankMemory());
    runMemoryDownload(link, store, hooks());
    EXPECT_EQ(attemptedLetters().find('Q'), std::string::npos);
    EXPECT_EQ(codes, (std::vector<int>{177, 0, 6}));
    EXPECT_EQ(drops, 3);
}

TEST_F(CommandTest, UnplugReportsTheLastResumeCodeAndKeepsTheSets) {
    runMemoryDownload(link, store, hooks());
    ASSERT_EQ(store.sets.size(), 4u);
    meter.faults.unplugAfterExchanges = meter.exchanges() + 40;
    runMemoryDownload(link, store, hooks());
    EXPECT_EQ(codes.back(), 1260);
    EXPECT_EQ(char(meter.attemptedFrames().back()[1]), 'Q'); // sent, but the meter is gone
    EXPECT_NE(char(meter.frames().back()[1]), 'Q');
    EXPECT_EQ(store.sets.size(), 4u);
    EXPECT_TRUE(store.image.empty());
    EXPECT_EQ(drops, 2);
}

TEST_F(CommandTest, PanelKeyDuringTheDownloadIsRefusedNotInterleaved) {
    std::vector<MeterLink::Gate> keyGates;
    bool timerStopped = true;
    progress.onBytes = [&](uint32_t bytes) {
        timerStopped = timerStopped && !pollTimer.isActive();
        if (bytes == 1024) // a click that arrives while the download pumps messages
            QTimer::singleShot(0, [&] {
                keyGates.push_back(link.runExclusive([&] {
                    std::array<uint8_t, 32> reply{};
                    CommandFrame key;
                    key.setCommand('H');
                    MeterLink::sendPanelCommand(meter, key, reply);
                }));
            });
    };
    EXPECT_EQ(runMemoryDownload(link, store, hooks()), MeterLink::Gate::Ran);
    EXPECT_EQ(keyGates, std::vector<MeterLink::Gate>{MeterLink::Gate::Refused});
    EXPECT_EQ(letters().find('H'), std::string::npos);
    EXPECT_FALSE(meter.hold());
    EXPECT_TRUE(timerStopped);
    EXPECT_EQ(codes, std::vector<int>{0});
}

TEST_F(CommandTest, DeferredInsideThePollTickRefusedInsideAnotherExchange) {
    link.PollBusy = true;
    EXPECT_EQ(runMemoryDownload(link, store, hooks()), MeterLink::Gate::Deferred);
    QCoreApplication::processEvents();
    EXPECT_TRUE(meter.frames().empty());
    link.PollBusy = false;
    QCoreApplication::processEvents();
    EXPECT_EQ(codes, std::vector<int>{0});

    link.runExclusive([&] { EXPECT_EQ(runMemoryDownload(link, store, hooks()), MeterLink::Gate::Refused); });
    EXPECT_EQ(codes, (std::vector<int>{0, DownloadNotRun}));
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(downloadMessage(DownloadNotRun), QString());
}

TEST_F(CommandTest, ClosingStepsRunWhenAHookThrows) {
    DownloadHooks h = hooks();
    h.decoded = [](const MemoryImage&) { throw std::runtime_error("disk"); };
    EXPECT_THROW(runMemoryDownload(link, store, h), std::runtime_error);
    EXPECT_FALSE(link.exclusiveActive());
    EXPECT_TRUE(store.image.empty());
    EXPECT_EQ(drops, 1);
    EXPECT_TRUE(pollTimer.isActive());
}

TEST(LoadDataChecks, GuardConnectionAndRecordingMessages) {
    EXPECT_EQ(checkLoadData(true, false, true).action, LoadDataVerdict::Ignore);
    EXPECT_EQ(checkLoadData(false, false, true).message, "There is no connection with meter !");
    EXPECT_EQ(checkLoadData(false, true, true).message,
              "The meter is recording data, please stop recording before loading data.");
    EXPECT_EQ(checkLoadData(false, true, false).action, LoadDataVerdict::Proceed);
    EXPECT_EQ(downloadMessage(6), "There was not any data recorded in momery of meter !");
    EXPECT_EQ(downloadMessage(2), "There was error,please try again!   error code=2");
    EXPECT_EQ(downloadMessage(0), QString());
}

TEST_F(DownloadTest, ProgressDialogShowsTheCountsWhileTheDownloadRuns) {
    meter.setSizeField(0x00270F);
    DownloadProgressDialog dialog;
    struct Forward : DownloadProgress {
        DownloadProgressDialog& d;
        bool visible = true;
        explicit Forward(DownloadProgressDialog& dlg) : d(dlg) {}
        void downloadStarted(uint32_t t) override { d.downloadStarted(t); }
        void bytesReceived(uint32_t b) override { (d.bytesReceived(b), visible = visible && d.isVisible()); }
        void downloadEnded() override { d.downloadEnded(); }
    } forward(dialog);
    EXPECT_EQ(DownloadMemory(link, image, &forward), 0);
    EXPECT_TRUE(forward.visible);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Data Retriving Progress");
    EXPECT_EQ(dialog.bytesReceivedCaption->text(), "bytes received");
    EXPECT_EQ(dialog.totalBytesCaption->text(), "total bytes");
    EXPECT_EQ(dialog.totalBytesLabel->text(), "10016");
    EXPECT_EQ(dialog.bytesReceivedLabel->text(), "10016");
    EXPECT_EQ(dialog.progressBar->maximum(), 10016);
    EXPECT_EQ(dialog.progressBar->value(), 10016);
}

// The whole download through the USB transport against the simulated meter seen as HID reports:
// replies that come after their read timed out (a block, the 'r' after it, a resume 'P') never
// shift the blocks after them, so the image is the one a download without them gives.
TEST(DownloadOverHid, LateRepliesGiveTheSameImage) {
    auto run = [](const std::function<void(SimulatedMeter&)>& faults) {
        ManualClock clock;
        SimulatedMeter meter(clock);
        meter.setSizeField(0x00FFFF); // 64 KiB: 2048 blocks
        faults(meter);
        SimulatedHidBackend backend(meter, clock);
        backend.lateMs = 400; // well after any read's time-out
        HidMeterTransport transport(backend);
        MeterLink link(transport, clock);
        MemoryImage image;
        const int code = DownloadMemory(link, image);
        EXPECT_EQ(code, DownloadOk);
        return std::make_pair(image, MemoryImage(meter.memory().begin(), meter.memory().begin() + 65536));
    };
    const auto [plain, memory] = run([](SimulatedMeter&) {});
    ASSERT_EQ(plain, memory);
    const auto [late, memory2] = run([](SimulatedMeter& m) {
        m.faults.lateReplies['p'] = {5, 700, 701, 1500};
        m.faults.lateReplies['r'] = {2}; // the resume phase takes over after this one
    });
    EXPECT_EQ(late, plain);
    // And a meter that does not step back on 'r', its late blocks among the data sets: there the
    // block after the lost one differs from it. (Where a run of blocks is the same, as in the empty
    // part of the header, such a meter cannot be told from one that steps back without asking for
    // a block by number, which the download does not do mid-stream.)
    const auto [noRewind, memory3] = run([](SimulatedMeter& m) {
        m.faults.lateReplies['p'] = {100, 900};
        m.faults.noRewindOnR = true;
    });
    EXPECT_EQ(noRewind, plain);
}

// Whatever writes to the store's image while the download pumps messages cannot reach the blocks:
// they are in the download's own buffer until it is complete.
TEST_F(DownloadTest, BlocksStayInTheDownloadsOwnBufferUntilItIsComplete) {
    DataSetStore store;
    progress.onBytes = [&](uint32_t bytes) {
        if (bytes == 1024)
            store.image.assign(100, 0xEE); // say, an open that ran meanwhile
    };
    MemoryImage handed;
    EXPECT_EQ(DownloadAndDecode(link, store, &progress, [&](const MemoryImage& i) { handed = i; }), 0);
    EXPECT_EQ(handed, memoryPrefix(handed.size()));
    EXPECT_EQ(handed.size(), totalBytesFor(meter.reportedSize()));
    EXPECT_EQ(store.sets.size(), 4u);
}

} // namespace test_memory_download
