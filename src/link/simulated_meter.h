#pragma once
#include "demo_memory.h"
#include "fault_plan.h"
#include "meter_transport.h"

#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Clock;

// A software QZ407 behind the transport operations: the --demo meter and the meter of the tests.
// It answers every command letter the program sends, keeps its own state (keys, settings, clock,
// recording) and a 256 KiB logging memory, and moves with the given clock's tick count, so two
// runs over the same ticks see the same bytes. It never waits real time.
//
// Replies: the probe 'K', the keys and the setting commands answer 32 bytes (02, letter, then
// 'O','K' for keys and settings, 03 at the end); 'A' and 'X' answer 64 bytes; 'P', 'p' and 'r' 36.
// 'q', 'Q' and 't' (whose answer follows the clock block) answer nothing, nor does an unknown letter
// or a frame without 02 ... 03 around it. Only one reply waits at a time: a new request replaces an
// unread one, and readReply consumes it even when it reads fewer bytes than the reply holds. These
// operations stand for the meter behind a transport that drains stale input before each request;
// SimulatedHidBackend shows the same meter as HID reports, queueing included.
class SimulatedMeter : public MeterTransport {
  public:
    enum class StatsMode { Off, Max, Min, Avg };

    struct CallCounts {
        uint32_t openDevice = 0;
        uint32_t setTimeouts = 0;
        uint32_t writeFrame = 0;
        uint32_t finishWrite = 0;
        uint32_t readReply = 0;
        uint32_t closeDevice = 0;
        uint32_t writeBlock = 0;
        uint32_t readSerialNumber = 0;
        uint32_t blockRequests = 0; // 'P' and 'p' frames that reached the meter
    };

    explicit SimulatedMeter(const Clock& clock);

    int openDevice(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;
    int writeFrame(uint32_t count, const uint8_t* bytes) override;
    int finishWrite() override;
    int readReply(uint32_t count, uint8_t* buffer) override;
    int closeDevice() override;
    int writeBlock(uint32_t count, const uint8_t* bytes) override;
    int readSerialNumber(int first, char* buffer, int size) override;

    // Faults to inject; may be changed at any time.
    FaultPlan faults;

    void plugIn() { m_plugged = true; }
    // Pulls the cable: the open device and any unread reply are gone until plugIn() and a new open.
    void unplug();
    bool pluggedIn() const { return m_plugged; }
    bool deviceOpen() const { return m_open; }

    // What the program did: call counts, requests per letter and the frames that reached the meter
    // (as a real device would receive them: not a write to a closed device or one that failed),
    // every frame passed to writeFrame whether it reached the meter or not, and every writeBlock.
    const CallCounts& calls() const { return m_calls; }
    uint32_t requests(char letter) const { return m_letterCounts[static_cast<uint8_t>(letter)]; }
    uint32_t exchanges() const { return m_exchanges; }
    const std::vector<std::array<uint8_t, 7>>& frames() const { return m_frames; }
    const std::vector<std::array<uint8_t, 7>>& attemptedFrames() const { return m_attempted; }
    const std::vector<std::array<uint8_t, 32>>& writtenBlocks() const { return m_blocks; }
    void clearLog();

    // The logging memory. Bytes 32-95 hold the settings that 'X' reports and the setting commands
    // change; the sets start at 2816. A replaced image is padded with erased bytes (or cut) to
    // 256 KiB and stops a running recording.
    const std::vector<uint8_t>& memory() const { return m_memory; }
    void setMemory(std::vector<uint8_t> image);
    // The size the second block reports is the 24-bit field at 38-40 plus one (the field holds
    // the address of the last byte in use, which 'X' reports as the memory position).
    void setReportedSize(uint32_t bytes) { setSizeField(bytes - 1); }
    void setSizeField(uint32_t raw);
    uint32_t sizeField() const { return meter_memory::read24(m_memory, meter_memory::PositionAt); }
    uint32_t reportedSize() const { return sizeField() + 1; }
    uint16_t dataSetCount() const {
        return uint16_t(meter_memory::read16(m_memory, meter_memory::SetCountAt));
    }

    // Catches up with the clock: logs the records and statistics samples that fell due. Every
    // transport operation does this first; tests call it before looking at memory().
    void update();

    // The meter's state as its display would show it.
    bool fahrenheit() const { return m_memory[meter_memory::UnitAt] != 0; }
    bool hold() const { return m_hold; }
    bool backlight() const { return m_backlight; }
    StatsMode statsMode() const { return m_stats; }
    bool recording() const { return m_recording; }
    bool memoryFull() const { return m_memoryFull; }
    QDateTime meterTime() const;
    // The measured values now (offsets applied, temperature in degrees Celsius).
    meter_memory::Reading measured() const { return measuredAt(tick()); }
    // The values the live reply carries now (held, or the statistic on show).
    meter_memory::Reading displayed() const;

    // The reply to the last request, taken from the meter (SimulatedHidBackend sends it as input
    // reports): its bytes, and whether the fault plan makes it late. Empty when there is none.
    struct PendingReply {
        std::vector<uint8_t> bytes;
        bool late = false;
    };
    std::optional<PendingReply> takeReply();

    void setSerialNumber(std::string serial) { m_serial = std::move(serial); }
    const std::string& serialNumber() const { return m_serial; }
    // 3, 2, 1, 0, or -1 for a reply without any battery bit.
    void setBatteryLevel(int level) { m_battery = level; }
    // Range bits ORed into byte 6 of the live reply, and the CO2 dashes of byte 5.
    void setForcedRangeFlags(uint8_t flags) { m_forcedRange = flags; }
    void setPpmDashes(bool on) { m_ppmDashes = on; }
    // Replaces the drifting demo values by a function of the tick count (milliseconds); offsets
    // are still added. An empty function restores the demo values.
    void setReadingSource(std::function<meter_memory::Reading(int64_t)> source) {
        m_source = std::move(source);
    }

  private:
    using Reply = std::array<uint8_t, 64>;

    int64_t tick() const;
    meter_memory::Reading rawAt(int64_t ms) const;
    meter_memory::Reading measuredAt(int64_t ms) const;
    bool unplugDue();
    void clearReply() {
        m_replyLength = 0;
        m_replyLate = false;
    }
    Reply& startReply(uint32_t length, uint8_t letter);
    void answer(const uint8_t* frame);
    void answerLive();
    void answerProbe();
    void answerBlock(uint32_t number);
    void answerInformation();
    void acknowledge(uint8_t letter, bool ok = true);
    void pressKey(uint8_t letter);
    void startRecording();
    void stopRecording();
    void sampleStatistics(const meter_memory::Reading& r);
    void acceptClockBlock(const uint8_t* block);

    const Clock& m_clock;
    std::vector<uint8_t> m_memory;
    std::string m_serial = "QZ4070012345";

    bool m_plugged = true;
    bool m_open = false;
    Reply m_reply{};
    uint32_t m_replyLength = 0; // 0: no reply waiting
    bool m_replyLate = false;   // the waiting reply comes after the next read has timed out
    bool m_awaitingClockBlock = false;
    uint32_t m_lastBlock = 0; // last block sent; 'p' sends the one after it

    CallCounts m_calls;
    std::array<uint32_t, 256> m_letterCounts{};
    uint32_t m_exchanges = 0;
    std::vector<std::array<uint8_t, 7>> m_frames;
    std::vector<std::array<uint8_t, 7>> m_attempted;
    std::vector<std::array<uint8_t, 32>> m_blocks;

    // The meter's clock runs from the moment it was last set.
    QDateTime m_clockBase;
    int64_t m_clockBaseTick = 0;
    int64_t m_lastUpdate = 0;

    bool m_hold = false;
    meter_memory::Reading m_held;
    bool m_backlight = false;
    StatsMode m_stats = StatsMode::Off;
    meter_memory::Reading m_max, m_min, m_sum;
    int64_t m_samples = 0;

    bool m_recording = false;
    bool m_memoryFull = false;
    uint32_t m_setStart = 0;
    int64_t m_nextRecordTick = 0;
    int64_t m_recordIntervalMs = 0;

    int m_battery = 3;
    uint8_t m_forcedRange = 0;
    bool m_ppmDashes = false;
    std::function<meter_memory::Reading(int64_t)> m_source;
};
