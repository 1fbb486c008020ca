#include "simulated_meter.h"

#include "platform/clock.h"

#include <algorithm>
#include <bit>
#include <cstring>

using namespace meter_memory;

namespace {
bool hits(const std::set<uint32_t>& calls, uint32_t n) {
    return calls.count(n) != 0;
}

void putFloat(uint8_t* at, float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    at[0] = uint8_t(bits >> 24);
    at[1] = uint8_t(bits >> 16);
    at[2] = uint8_t(bits >> 8);
    at[3] = uint8_t(bits);
}

bool validBcd(uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}
} // namespace

SimulatedMeter::SimulatedMeter(const Clock& clock)
    : m_clock(clock), m_memory(buildDemoMemory()), m_clockBase(clock.nowDateTime()),
      m_clockBaseTick(clock.tickCount()), m_lastUpdate(m_clockBaseTick) {
    m_frames.reserve(BlockCount + 64);
}

// --- transport operations ---

int SimulatedMeter::openDevice(uint16_t vendorId, uint16_t productId) {
    const uint32_t n = ++m_calls.openDevice;
    update();
    unplugDue();
    // An injected failure only fails the call: a device left open by an earlier exchange stays
    // usable, as the real library keeps no handle between calls.
    if (hits(faults.failOpen, n))
        return 1;
    if (!m_plugged || vendorId != MeterVendorId || productId != MeterProductId) {
        m_open = false;
        return 1;
    }
    m_open = true;
    clearReply();
    return 0;
}

int SimulatedMeter::setTimeouts(uint32_t, uint32_t) {
    const uint32_t n = ++m_calls.setTimeouts;
    if (hits(faults.failSetTimeouts, n) || !m_open)
        return 1;
    return 0;
}

int SimulatedMeter::writeFrame(uint32_t count, const uint8_t* bytes) {
    const uint32_t n = ++m_calls.writeFrame;
    update();
    if (count == 7 && bytes) {
        std::array<uint8_t, 7> attempted;
        std::copy_n(bytes, 7, attempted.begin());
        m_attempted.push_back(attempted);
    }
    clearReply(); // a new request replaces an unread reply
    unplugDue();
    if (hits(faults.failWriteFrame, n) || !m_open || count != 7 || !bytes)
        return 1;
    // The log holds what the meter received: a write to a closed device or one that failed never
    // reaches it.
    std::array<uint8_t, 7> f;
    std::copy_n(bytes, 7, f.begin());
    m_frames.push_back(f);
    ++m_exchanges;
    answer(bytes);
    return 0;
}

int SimulatedMeter::finishWrite() {
    const uint32_t n = ++m_calls.finishWrite;
    if (hits(faults.failFinishWrite, n) || !m_open)
        return 1;
    return 0;
}

int SimulatedMeter::readReply(uint32_t count, uint8_t* buffer) {
    const uint32_t n = ++m_calls.readReply;
    update();
    if (m_replyLength != 0 && m_replyLate) {
        m_replyLate = false; // this read times out; the reply is there for the next one
        return 1;
    }
    const uint32_t length = m_replyLength;
    clearReply();
    if (hits(faults.failReadReply, n) || !m_open || length == 0 || count > length || !buffer)
        return 1;
    std::memcpy(buffer, m_reply.data(), count);
    return 0;
}

int SimulatedMeter::closeDevice() {
    ++m_calls.closeDevice;
    m_open = false;
    clearReply();
    return 0;
}

int SimulatedMeter::writeBlock(uint32_t count, const uint8_t* bytes) {
    const uint32_t n = ++m_calls.writeBlock;
    update();
    if (count >= 32 && bytes) {
        std::array<uint8_t, 32> b;
        std::copy_n(bytes, 32, b.begin());
        m_blocks.push_back(b);
    }
    unplugDue();
    if (hits(faults.failWriteBlock, n) || !m_open || count != 32 || !bytes)
        return 1;
    if (m_awaitingClockBlock) {
        m_awaitingClockBlock = false;
        acceptClockBlock(bytes);
    }
    return 0;
}

int SimulatedMeter::readSerialNumber(int, char* buffer, int size) {
    const uint32_t n = ++m_calls.readSerialNumber;
    if (hits(faults.failSerialNumber, n) || !m_plugged || !buffer || size <= 0)
        return 1;
    const size_t length = std::min(m_serial.size(), size_t(size - 1));
    std::memcpy(buffer, m_serial.data(), length);
    buffer[length] = '\0';
    return 0;
}

// --- test controls ---

void SimulatedMeter::unplug() {
    m_plugged = false;
    m_open = false;
    m_awaitingClockBlock = false;
    clearReply();
}

bool SimulatedMeter::unplugDue() {
    if (faults.unplugAfterExchanges && m_exchanges >= *faults.unplugAfterExchanges) {
        faults.unplugAfterExchanges.reset();
        unplug();
        return true;
    }
    return false;
}

void SimulatedMeter::clearLog() {
    m_frames.clear();
    m_attempted.clear();
    m_blocks.clear();
}

void SimulatedMeter::setMemory(std::vector<uint8_t> image) {
    stopRecording();
    image.resize(Size, ErasedByte);
    m_memory = std::move(image);
}

void SimulatedMeter::setSizeField(uint32_t raw) {
    write24(m_memory, PositionAt, raw & 0xFFFFFF);
}

// --- time ---

int64_t SimulatedMeter::tick() const {
    return m_clock.tickCount();
}

QDateTime SimulatedMeter::meterTime() const {
    return m_clockBase.addMSecs(tick() - m_clockBaseTick);
}

void SimulatedMeter::update() {
    const int64_t now = tick();
    if (now > m_lastUpdate && m_stats != StatsMode::Off) {
        // One statistics sample per second, at most the last hour of a long jump.
        const int64_t last = now / 1000;
        const int64_t first = std::max(m_lastUpdate / 1000 + 1, last - 3600);
        for (int64_t s = first; s <= last; ++s)
            sampleStatistics(measuredAt(s * 1000));
    }
    m_lastUpdate = std::max(m_lastUpdate, now);
    while (m_recording && !m_memoryFull && m_nextRecordTick <= now) {
        if (!appendRecord(m_memory, m_setStart, measuredAt(m_nextRecordTick))) {
            m_memoryFull = true;
            break;
        }
        m_nextRecordTick += m_recordIntervalMs;
    }
}

Reading SimulatedMeter::rawAt(int64_t ms) const {
    return m_source ? m_source(ms) : demoReading(double(ms) / 1000.0);
}

Reading SimulatedMeter::measuredAt(int64_t ms) const {
    Reading r = rawAt(ms);
    r.ppm += float(int16_t(read16(m_memory, PpmOffsetAt)));
    r.humidity += float(int8_t(m_memory[RhOffsetAt])) / 10.0f;
    r.temperature += float(int8_t(m_memory[TempOffsetAt])) / 18.0f; // tenths of a degree F
    return r;
}

Reading SimulatedMeter::displayed() const {
    if (m_hold)
        return m_held;
    switch (m_stats) {
    case StatsMode::Max:
        return m_max;
    case StatsMode::Min:
        return m_min;
    case StatsMode::Avg: {
        const float n = float(std::max<int64_t>(m_samples, 1));
        return {m_sum.ppm / n, m_sum.humidity / n, m_sum.temperature / n};
    }
    case StatsMode::Off:
        break;
    }
    return measured();
}

void SimulatedMeter::sampleStatistics(const Reading& r) {
    if (m_samples == 0) {
        m_max = m_min = m_sum = r;
    } else {
        m_max = {std::max(m_max.ppm, r.ppm), std::max(m_max.humidity, r.humidity),
                 std::max(m_max.temperature, r.temperature)};
        m_min = {std::min(m_min.ppm, r.ppm), std::min(m_min.humidity, r.humidity),
                 std::min(m_min.temperature, r.temperature)};
        m_sum = {m_sum.ppm + r.ppm, m_sum.humidity + r.humidity, m_sum.temperature + r.temperature};
    }
    ++m_samples;
}

// --- the meter's side of the conversation ---

SimulatedMeter::Reply& SimulatedMeter::startReply(uint32_t length, uint8_t letter) {
    m_reply.fill(0);
    m_replyLength = length;
    m_reply[0] = 0x02;
    m_reply[1] = letter;
    m_reply[length - 1] = 0x03;
    return m_reply;
}

void SimulatedMeter::answer(const uint8_t* f) {
    if (f[0] != 0x02 || f[6] != 0x03)
        return; // not a frame: the meter ignores it
    const uint8_t letter = f[1];
    const uint32_t nth = ++m_letterCounts[letter];
    m_awaitingClockBlock = false;
    switch (letter) {
    case 'A':
        answerLive();
        if (faults.badLiveEndAlways || hits(faults.badLiveEnd, nth))
            m_reply[63] = 0x00;
        break;
    case 'K':
        answerProbe();
        break;
    case 'P':
    case 'p': {
        const uint32_t request = ++m_calls.blockRequests;
        answerBlock(letter == 'P' ? (uint32_t(f[2]) << 8 | f[3]) : m_lastBlock + 1);
        if (hits(faults.failBlockReads, request))
            clearReply();
        break;
    }
    case 'r': {
        // Re-sends the block last sent and steps back, so the next 'p' sends it once more: the
        // block whose reply went missing reaches the program after all.
        const uint32_t block = std::max<uint32_t>(m_lastBlock, 1);
        answerBlock(block);
        if (faults.junkOnR)
            std::fill(m_reply.begin(), m_reply.begin() + BlockSize, uint8_t(0xA5));
        if (!faults.noRewindOnR)
            m_lastBlock = block - 1;
        break;
    }
    case 'q':
    case 'Q':
        m_lastBlock = 0;
        break;
    case 'C':
    case 'M':
    case 'N':
    case 'B':
    case 'H':
    case 'E':
        pressKey(letter);
        acknowledge(letter);
        break;
    case 'X':
        answerInformation();
        break;
    case 't':
        m_awaitingClockBlock = true; // answered once the time block is in
        break;
    case 'I':
        m_memory[IntervalAt] = f[2];
        m_memory[IntervalAt + 1] = f[3];
        acknowledge(letter);
        break;
    case 'e':
        stopRecording();
        eraseDataSets(m_memory);
        acknowledge(letter);
        break;
    case 'D':
        m_memory[PpmOffsetAt] = f[2];
        m_memory[PpmOffsetAt + 1] = f[3];
        acknowledge(letter);
        break;
    case 'L':
        m_memory[AltitudeAt] = f[2];
        m_memory[AltitudeAt + 1] = f[3];
        acknowledge(letter);
        break;
    case 'F':
        // Four 0xFF bytes switch the alarm off and keep the limits.
        if (f[2] == 0xFF && f[3] == 0xFF && f[4] == 0xFF && f[5] == 0xFF) {
            m_memory[AlarmAt] = 0;
        } else {
            m_memory[AlarmAt] = 1;
            std::copy_n(f + 2, 4, m_memory.begin() + AlarmHighAt);
        }
        acknowledge(letter);
        break;
    case 'W': {
        const uint32_t cell = uint32_t(f[2]) << 16 | uint32_t(f[3]) << 8 | f[4];
        if (cell < Size)
            m_memory[cell] = f[5];
        acknowledge(letter, cell < Size);
        break;
    }
    default:
        break; // unknown letter: no answer
    }
    const auto dropped = faults.dropReplies.find(char(letter));
    if (dropped != faults.dropReplies.end() && hits(dropped->second, nth))
        clearReply();
    const auto late = faults.lateReplies.find(char(letter));
    if (m_replyLength != 0 && late != faults.lateReplies.end() && hits(late->second, nth))
        m_replyLate = true;
}

std::optional<SimulatedMeter::PendingReply> SimulatedMeter::takeReply() {
    if (m_replyLength == 0)
        return std::nullopt;
    PendingReply reply{{m_reply.begin(), m_reply.begin() + m_replyLength}, m_replyLate};
    clearReply();
    return reply;
}

void SimulatedMeter::answerLive() {
    const Reading now = measured();
    const Reading shown = displayed();
    Reply& r = startReply(64, 0);
    static constexpr uint8_t batteryBits[] = {0x08, 0x01, 0x02, 0x04};
    r[1] = (m_battery >= 0 && m_battery <= 3) ? batteryBits[m_battery] : 0;
    r[2] = fahrenheit() ? 0x01 : 0x00;
    uint8_t state = 0;
    if (m_memory[AlarmAt] == 1) {
        const bool high = now.ppm > float(read16(m_memory, AlarmHighAt));
        const bool low = now.ppm < float(read16(m_memory, AlarmLowAt));
        state |= (high || low ? 0x01 : 0) | (high ? 0x02 : 0) | (low ? 0x04 : 0);
    }
    state |= (m_recording ? 0x08 : 0) | (m_memoryFull ? 0x10 : 0) | (m_hold ? 0x20 : 0);
    state |= m_stats != StatsMode::Off ? 0x40 : 0;
    r[3] = state;
    // MAX and MIN have annunciators of their own; AVG is shown by flashing them all.
    r[4] = m_stats == StatsMode::Min   ? 0x01
           : m_stats == StatsMode::Max ? 0x02
           : m_stats == StatsMode::Avg ? 0x10
                                       : 0;
    r[5] = m_ppmDashes ? 0x01 : 0x00;
    uint8_t range = m_forcedRange;
    range |= shown.ppm > 9999.0f ? 0x01 : 0;
    range |= shown.humidity > 100.0f || shown.humidity < 0.0f ? 0x02 : 0;
    range |= shown.temperature > 60.0f ? 0x04 : 0;
    range |= shown.temperature < -10.0f ? 0x08 : 0;
    r[6] = range;
    putFloat(&r[21], shown.ppm);
    putFloat(&r[25], shown.temperature);
    putFloat(&r[29], shown.humidity);
}

void SimulatedMeter::answerProbe() {
    Reply& r = startReply(32, 'K');
    std::memcpy(&r[21], "QZ407", 5);
    if (faults.probeModel)
        std::copy_n(faults.probeModel->begin(), 3, r.begin() + 23);
}

void SimulatedMeter::answerBlock(uint32_t number) {
    if (number == 0 || number > BlockCount)
        return; // no such block: no answer
    m_lastBlock = number;
    m_reply.fill(0);
    m_replyLength = 36;
    const uint8_t* data = m_memory.data() + (number - 1) * BlockSize;
    std::memcpy(m_reply.data(), data, BlockSize);
    uint8_t sum = 0;
    for (uint32_t i = 0; i < BlockSize; ++i)
        sum = uint8_t(sum + data[i]);
    const uint32_t echoed = faults.wrongNumberBlocks.count(uint16_t(number)) ? number + 1 : number;
    m_reply[32] = uint8_t(echoed >> 8);
    m_reply[33] = uint8_t(echoed);
    m_reply[34] = faults.corruptChecksumBlocks.count(uint16_t(number)) ? uint8_t(sum + 1) : sum;
    m_reply[35] = faults.badMarkerBlocks.count(uint16_t(number)) ? 0 : 5;
}

void SimulatedMeter::answerInformation() {
    Reply& r = startReply(64, 'X');
    std::memcpy(&r[4], &m_memory[SettingsAt + 4], SettingsSize - 5);
    const bool ok = !faults.refuseAck.count('X');
    r[2] = ok ? 'O' : 'N';
    r[3] = ok ? 'K' : 'G';
    const QDateTime t = meterTime();
    r[49] = toBcd(t.time().second());
    r[50] = toBcd(t.time().minute());
    r[51] = toBcd(t.time().hour());
    r[52] = toBcd(t.date().day());
    r[53] = toBcd(t.date().month());
    r[54] = 0;
    r[55] = toBcd(t.date().year() % 100);
}

void SimulatedMeter::acknowledge(uint8_t letter, bool ok) {
    Reply& r = startReply(32, letter);
    ok = ok && !faults.refuseAck.count(char(letter));
    r[2] = ok ? 'O' : 'N';
    r[3] = ok ? 'K' : 'G';
}

void SimulatedMeter::pressKey(uint8_t letter) {
    switch (letter) {
    case 'H':
        if (!m_hold)
            m_held = displayed();
        m_hold = !m_hold;
        break;
    case 'C':
        m_memory[UnitAt] = fahrenheit() ? 0 : 1;
        break;
    case 'M':
        if (m_stats == StatsMode::Off) {
            m_samples = 0;
            sampleStatistics(measured());
            m_stats = StatsMode::Max;
        } else {
            m_stats = m_stats == StatsMode::Max   ? StatsMode::Min
                      : m_stats == StatsMode::Min ? StatsMode::Avg
                                                  : StatsMode::Max;
        }
        break;
    case 'N':
        m_stats = StatsMode::Off;
        break;
    case 'B':
        m_backlight = !m_backlight;
        break;
    case 'E':
        if (m_recording)
            stopRecording();
        else
            startRecording();
        break;
    default:
        break;
    }
}

void SimulatedMeter::startRecording() {
    m_recording = true;
    SetHeader h;
    h.start = meterTime();
    h.intervalMinutesBcd = m_memory[IntervalAt];
    h.intervalSecondsBcd = m_memory[IntervalAt + 1];
    h.unit = m_memory[UnitAt];
    h.ppmOffset = int16_t(read16(m_memory, PpmOffsetAt));
    h.rhOffset = m_memory[RhOffsetAt];
    h.tempOffset = m_memory[TempOffsetAt];
    const auto start = beginDataSet(m_memory, h);
    if (!start) {
        m_memoryFull = true;
        return;
    }
    m_setStart = *start;
    m_recordIntervalMs = int64_t(intervalSeconds(h.intervalMinutesBcd, h.intervalSecondsBcd)) * 1000;
    m_nextRecordTick = tick(); // the first record is the one at the start time
    update();
}

void SimulatedMeter::stopRecording() {
    m_recording = false;
    m_memoryFull = false;
}

void SimulatedMeter::acceptClockBlock(const uint8_t* b) {
    bool ok = b[8] == 'r' && b[9] == 't' && b[10] == 'c';
    for (int i : {0, 1, 2, 3, 4, 6})
        ok = ok && validBcd(b[i]);
    const QDate date(2000 + fromBcd(b[6]), fromBcd(b[4]), fromBcd(b[3]));
    const QTime time(fromBcd(b[2]), fromBcd(b[1]), fromBcd(b[0]));
    ok = ok && date.isValid() && time.isValid();
    if (ok) {
        m_clockBase = QDateTime(date, time);
        m_clockBaseTick = tick();
    }
    acknowledge('t', ok);
}
