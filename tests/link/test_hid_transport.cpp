// HidMeterTransport over scripted stand-ins for hidapi: what it asks of the device, and how long
// each call may take when the device answers late, in pieces, with junk, not at all, or vanishes.
#include "link/bounded_writer.h"
#include "link/hid_meter_transport.h"
#include "link/hid_report_framing.h"
#include "link/meter_link.h"
#include "link/simulated_hid_backend.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <numeric>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_hid_transport {

std::vector<uint8_t> reportOf(std::span<const uint8_t> data) {
    std::vector<uint8_t> r(hidframing::kReportSize, 0);
    r[0] = uint8_t(data.size());
    std::copy(data.begin(), data.end(), r.begin() + 1);
    return r;
}

std::vector<uint8_t> numbered(uint8_t first, std::size_t n) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

// A device whose every answer the test scripts, in virtual time, recording what it is asked.
struct ScriptedHid : HidBackend {
    struct Input {
        int64_t at;
        std::vector<uint8_t> report;
    };
    std::vector<std::pair<uint16_t, uint16_t>> opens;
    std::vector<int> writeTimeouts, readTimeouts;
    std::vector<std::vector<uint8_t>> written;
    std::vector<std::size_t> serialQueries;
    std::deque<Input> input;
    // Called with each report written; may queue replies.
    std::function<void(std::span<const uint8_t>)> onWrite;
    int64_t now = 1000;
    bool present = true;
    bool stallWrites = false;      // the device takes no report: each write runs out its time
    bool vanishAfterWrite = false; // unplugged right after the next write
    bool flood = false;            // a report without data every millisecond, for ever
    int reads = 0;

    void queue(int64_t delay, std::span<const uint8_t> data) {
        input.push_back({now + delay, reportOf(data)});
    }

    struct Device : HidDeviceIo {
        ScriptedHid& hid;
        explicit Device(ScriptedHid& h) : hid(h) {}
        int write(std::span<const uint8_t> report, int timeoutMs) override {
            hid.writeTimeouts.push_back(timeoutMs);
            if (!hid.present)
                return -1;
            if (hid.stallWrites) {
                hid.now += timeoutMs;
                return -1;
            }
            hid.written.emplace_back(report.begin(), report.end());
            if (hid.onWrite)
                hid.onWrite(report);
            if (hid.vanishAfterWrite)
                hid.present = false;
            return int(report.size());
        }
        int read(std::span<uint8_t> report, int timeoutMs) override {
            ++hid.reads;
            hid.readTimeouts.push_back(timeoutMs);
            if (!hid.present)
                return -1;
            if (hid.flood) {
                hid.now += 1;
                std::fill(report.begin(), report.end(), 0);
                return int(hidframing::kReportSize);
            }
            if (hid.input.empty() || hid.input.front().at > hid.now + timeoutMs) {
                hid.now += timeoutMs;
                return 0;
            }
            hid.now = std::max(hid.now, hid.input.front().at);
            const auto r = hid.input.front().report;
            hid.input.pop_front();
            std::copy(r.begin(), r.end(), report.begin());
            return int(r.size());
        }
        int serialNumber(wchar_t* text, std::size_t maxChars) override {
            hid.serialQueries.push_back(maxChars);
            const wchar_t serial[] = L"QZ4070012345";
            std::size_t i = 0;
            for (; i < maxChars && serial[i]; ++i)
                text[i] = serial[i];
            text[i] = 0;
            return 0;
        }
    };

    std::unique_ptr<HidDeviceIo> open(uint16_t vendorId, uint16_t productId) override {
        opens.emplace_back(vendorId, productId);
        return present ? std::make_unique<Device>(*this) : nullptr;
    }
    int64_t nowMs() const override { return now; }
};

struct HidTransportTest : ::testing::Test {
    ScriptedHid hid;
    HidMeterTransport t{hid};
    std::array<uint8_t, 7> frame{0x02, 'A', 0, 0, 0, 1, 0x03};
    std::array<uint8_t, 64> buffer{};

    void open() {
        ASSERT_EQ(t.openDevice(MeterVendorId, MeterProductId), 0);
        ASSERT_EQ(t.setTimeouts(100, 100), 0);
    }
    int exchange(uint32_t count) {
        if (t.writeFrame(7, frame.data()) != 0)
            return -1;
        t.finishWrite();
        return t.readReply(count, buffer.data());
    }
};

TEST_F(HidTransportTest, ThePollAsksForTheMetersIdentityWithItsTimeOutsAndTheSerialNumber) {
    ManualClock clock;
    MeterLink link(t, clock);
    hid.onWrite = [&](std::span<const uint8_t>) { hid.queue(2, numbered(0, 32)); };
    EXPECT_TRUE(link.probeMeter('K'));
    ASSERT_EQ(hid.opens.size(), 1u);
    EXPECT_EQ(hid.opens[0], std::make_pair(uint16_t(0x04D9), uint16_t(0xE000)));
    EXPECT_EQ(hid.writeTimeouts, std::vector<int>{100});
    ASSERT_FALSE(hid.readTimeouts.empty());
    EXPECT_EQ(hid.readTimeouts.back(), 100);
    // The frame went out as one report: id 0, count 7, the frame, zeros.
    ASSERT_EQ(hid.written.size(), 1u);
    std::vector<uint8_t> expected(65, 0);
    const uint8_t probe[] = {0x00, 7, 0x02, 'K', 0, 0, 0, 0, 0x03};
    std::copy(std::begin(probe), std::end(probe), expected.begin());
    EXPECT_EQ(hid.written[0], expected);
    EXPECT_EQ(link.replyBlock()[31], 31);

    char serial[32];
    EXPECT_EQ(t.readSerialNumber(0, serial, 32), 0);
    EXPECT_STREQ(serial, "QZ4070012345");
    EXPECT_EQ(hid.serialQueries, std::vector<std::size_t>{63});
    EXPECT_EQ(hid.opens.size(), 2u); // closed by the probe, opened for the query
    EXPECT_EQ(hid.opens[1], std::make_pair(uint16_t(0x04D9), uint16_t(0xE000)));
}

TEST_F(HidTransportTest, NoReplyFailsWithinTheReadTimeOut) {
    open();
    const int64_t start = hid.now;
    EXPECT_EQ(exchange(32), 1);
    EXPECT_EQ(hid.now - start, 100);
}

// A reply that comes after its read timed out waits in the input; the next request drains it
// first, so the next read gets its own reply and nothing is shifted.
TEST_F(HidTransportTest, LateReplyIsDrainedBeforeTheNextRequest) {
    open();
    int request = 0;
    hid.onWrite = [&](std::span<const uint8_t>) {
        ++request;
        hid.queue(request == 1 ? 150 : 2, numbered(uint8_t(request * 100), 32));
    };
    EXPECT_EQ(exchange(32), 1);
    hid.now += 500; // the program waits; the late reply comes meanwhile
    EXPECT_EQ(exchange(32), 0);
    EXPECT_EQ(buffer[0], 200);
    EXPECT_EQ(buffer[31], 231);
    EXPECT_EQ(exchange(32), 0);
    EXPECT_EQ(buffer[0], 44); // 300 modulo 256: the third reply, not the second
}

// Replies 150-400 ms late, the next request 20 ms after each time-out: the reply of an earlier
// request is never taken for the next one, on a new handle or the same.
TEST_F(HidTransportTest, ALateReplyIsNeverTakenForTheNextRequest) {
    open();
    int request = 0;
    std::vector<int64_t> lateness;
    hid.onWrite = [&](std::span<const uint8_t>) {
        ++request;
        const int64_t late = 150 + (request * 37) % 251; // 150-400 ms: after the 100-ms read time-out
        lateness.push_back(late);
        hid.queue(late, std::vector<uint8_t>(32, uint8_t(request)));
    };
    for (int i = 0; i < 30; ++i) {
        const bool reopen = i % 2 == 0; // the exchanges open the device afresh; the panel's reuse it
        if (reopen) {
            ASSERT_EQ(t.openDevice(MeterVendorId, MeterProductId), 0);
        }
        const int before = request;
        const int r = exchange(32);
        EXPECT_EQ(r, 1) << i; // its own reply is late
        if (r == 0) {
            EXPECT_EQ(buffer[0], uint8_t(request))
                << "read " << i << " took the reply of request " << int(buffer[0]);
        }
        EXPECT_EQ(request, before + 1);
        hid.now += 20;
    }
    // A reply in time is its request's own, even right after all that.
    hid.onWrite = [&](std::span<const uint8_t>) {
        ++request, hid.queue(2, std::vector<uint8_t>(32, uint8_t(request)));
    };
    ASSERT_EQ(exchange(32), 0);
    EXPECT_EQ(buffer[0], uint8_t(request));
    EXPECT_EQ(buffer[31], uint8_t(request));
}

// The download's resume reads 32 bytes of the 64-byte live reply; the rest must not become the
// start of the next reply.
TEST_F(HidTransportTest, RestOfALongerReplyIsNotTakenForTheNextOne) {
    open();
    int request = 0;
    hid.onWrite = [&](std::span<const uint8_t>) {
        ++request;
        const auto reply = numbered(uint8_t(request * 10), request == 1 ? 64 : 36);
        const std::size_t cut = std::min<std::size_t>(hidframing::kMaxData, reply.size());
        hid.queue(2, std::span(reply).first(cut));
        if (reply.size() > cut)
            hid.queue(3, std::span(reply).subspan(cut));
    };
    EXPECT_EQ(exchange(32), 0);
    EXPECT_EQ(buffer[0], 10);
    hid.now += 10;
    EXPECT_EQ(exchange(36), 0);
    EXPECT_EQ(buffer[0], 20);
    EXPECT_EQ(buffer[35], 55);
}

TEST_F(HidTransportTest, ReplySplitOverReportsIsAssembledInOrder) {
    open();
    const auto reply = numbered(1, 64);
    hid.onWrite = [&](std::span<const uint8_t>) {
        hid.queue(5, std::span(reply).first(20));
        hid.input.push_back({hid.now + 6, std::vector<uint8_t>(64, 0)}); // no data: ignored
        hid.queue(40, std::span(reply).subspan(20, 30));
        hid.queue(90, std::span(reply).subspan(50));
    };
    const int64_t start = hid.now;
    EXPECT_EQ(exchange(64), 0);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), buffer.begin()));
    EXPECT_EQ(hid.now - start, 90);
    // Every wait was cut to what was left of the one time-out.
    for (std::size_t i = 1; i < hid.readTimeouts.size(); ++i)
        EXPECT_LE(hid.readTimeouts[i], 100);
    EXPECT_EQ(hid.readTimeouts.back(), 100 - 40);
}

TEST_F(HidTransportTest, FloodOfReportsWithoutDataEndsAtTheTimeOut) {
    open();
    ASSERT_EQ(t.writeFrame(7, frame.data()), 0);
    hid.flood = true;
    const int64_t start = hid.now;
    EXPECT_EQ(t.readReply(36, buffer.data()), 1);
    EXPECT_LE(hid.now - start, 101); // the time-out plus at most one report
    EXPECT_GE(hid.now - start, 100);
    // The drain before a write is bounded too: kDrainMax reports, then the wait for the late reply
    // of the read that timed out, which ends on time however much comes.
    const int reads = hid.reads;
    const int64_t timedOut = hid.now;
    EXPECT_EQ(t.writeFrame(7, frame.data()), 0);
    EXPECT_GE(hid.now - timedOut, HidMeterTransport::kLateReplyWindowMs);
    EXPECT_LE(hid.now - timedOut, HidMeterTransport::kLateReplyWindowMs + 1);
    EXPECT_LE(hid.reads - reads, HidMeterTransport::kDrainMax + HidMeterTransport::kLateReplyWindowMs + 1);
    // Nothing overdue: the next drain is kDrainMax reports and no wait.
    const int later = hid.reads;
    const int64_t now = hid.now;
    EXPECT_EQ(t.writeFrame(7, frame.data()), 0);
    EXPECT_EQ(hid.reads - later, HidMeterTransport::kDrainMax);
    EXPECT_LE(hid.now - now, HidMeterTransport::kDrainMax);
}

TEST_F(HidTransportTest, DeviceVanishingBetweenWriteAndReadFailsAtOnceAndIsGivenUp) {
    open();
    hid.vanishAfterWrite = true;
    const int64_t start = hid.now;
    EXPECT_EQ(exchange(32), 1);
    EXPECT_EQ(hid.now, start);
    const int reads = hid.reads;
    EXPECT_EQ(t.readReply(32, buffer.data()), 1);
    EXPECT_EQ(t.writeFrame(7, frame.data()), 1);
    EXPECT_EQ(hid.reads, reads); // the device is not used again
    EXPECT_EQ(t.openDevice(MeterVendorId, MeterProductId), 1);
}

TEST_F(HidTransportTest, WriteToAStalledDeviceReturnsWithinItsTimeOut) {
    open();
    ASSERT_EQ(t.setTimeouts(100, 100), 0);
    hid.stallWrites = true;
    const int64_t start = hid.now;
    EXPECT_EQ(t.writeFrame(7, frame.data()), 1);
    EXPECT_EQ(hid.now - start, 100);
    EXPECT_EQ(hid.writeTimeouts, std::vector<int>{100});
    // A write may still be under way: the device is given up until the next open.
    const int reads = hid.reads;
    EXPECT_EQ(t.readReply(32, buffer.data()), 1);
    EXPECT_EQ(hid.reads, reads);
}

// The writer under the real backend: a write the device does not take returns at its time-out
// (here at once), later writes fail while it hangs, and the device is closed once it returns.
TEST(BoundedWriter, StuckWriteReturnsAtItsTimeOutAndClosesWhenItEnds) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> closed;
    std::future<void> closedSeen = closed.get_future();
    int writes = 0;
    {
        BoundedWriter writer(
            [&, released](std::span<const uint8_t> bytes) {
                ++writes;
                released.wait();
                return int(bytes.size());
            },
            [&] { closed.set_value(); });
        const uint8_t report[3] = {0, 1, 2};
        EXPECT_EQ(writer.write(report, 0), -1);
        EXPECT_EQ(writer.write(report, 50), -1); // the first one still hangs
    }                                            // destroying the writer does not wait for the stuck write
    EXPECT_EQ(closedSeen.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    release.set_value();
    EXPECT_EQ(closedSeen.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(writes, 1);
}

TEST(BoundedWriter, CompletedWriteGivesItsResultAndIdleWriterClosesAtOnce) {
    bool closed = false;
    std::vector<std::vector<uint8_t>> seen;
    {
        BoundedWriter writer(
            [&](std::span<const uint8_t> bytes) {
                seen.emplace_back(bytes.begin(), bytes.end());
                return bytes.size() == 2 ? -1 : int(bytes.size());
            },
            [&] { closed = true; });
        const uint8_t a[3] = {7, 8, 9};
        const uint8_t b[2] = {1, 2};
        EXPECT_EQ(writer.write(a, 10000), 3);
        EXPECT_EQ(writer.write(b, 10000), -1);
        EXPECT_EQ(writer.write(a, 10000), 3);
    }
    EXPECT_TRUE(closed);
    EXPECT_EQ(seen, (std::vector<std::vector<uint8_t>>{{7, 8, 9}, {1, 2}, {7, 8, 9}}));
}

// The simulated meter through reports: a probe and a live reading arrive whole.
TEST(SimulatedHid, MeterAnswersThroughReports) {
    ManualClock clock;
    SimulatedMeter meter(clock);
    SimulatedHidBackend backend(meter, clock);
    HidMeterTransport t(backend);
    MeterLink link(t, clock);
    ASSERT_TRUE(link.probeMeter('K'));
    EXPECT_EQ(link.replyBlock()[23], '4');
    ASSERT_TRUE(link.readLive());
    EXPECT_EQ(link.replyBlock()[0], 0x02);
    EXPECT_EQ(link.replyBlock()[63], 0x03);
    EXPECT_EQ(meter.requests('A'), 1u);
}

// A meter that frames its replies otherwise than we assume is never taken for a connected meter.
TEST(SimulatedHid, WrongFramingFailsSafe) {
    ManualClock clock;
    SimulatedMeter meter(clock);
    SimulatedHidBackend backend(meter, clock);
    backend.rawReplies = true;
    HidMeterTransport t(backend);
    MeterLink link(t, clock);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(link.probeMeter('K'));
    EXPECT_EQ(meter.requests('K'), 5u);
    for (const auto& f : meter.frames())
        EXPECT_EQ(f[1], 'K');
}

} // namespace test_hid_transport
