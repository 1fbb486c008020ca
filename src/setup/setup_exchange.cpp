#include "setup_exchange.h"

#include "meter_config.h"
#include "platform/clock.h"

namespace {
constexpr uint32_t kTimeout = 100;
}

bool SetupExchange::open() {
    return m_transport.openDevice(MeterVendorId, MeterProductId) == 0;
}

bool SetupExchange::send() {
    return m_transport.writeFrame(CommandFrame::size(), m_frame.data()) == 0;
}

// The three-try commands run every step of a try, even after one has failed; the try's code is
// that of the last step that failed.

int SetupExchange::readInformation(InfoReply& info) {
    int code = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        code = 0;
        if (!open())
            code = 201;
        if (m_transport.setTimeouts(kTimeout, kTimeout) != 0)
            code = 202;
        m_frame.setCommand('X');
        m_frame[2] = 0x00;
        m_frame[3] = 0x00;
        if (!send())
            code = 203;
        m_transport.finishWrite();
        if (m_transport.readReply(static_cast<uint32_t>(info.size()), info.data()) != 0)
            code = 204;
        if (code == 0)
            break;
    }
    return code;
}

QByteArray SetupExchange::serialNumber() {
    std::array<char, 32> text{};
    m_transport.readSerialNumber(0, text.data(), static_cast<int>(text.size()));
    text.back() = '\0'; // a transport that fills the whole buffer must not run us past its end
    return QByteArray(text.data());
}

int SetupExchange::setClock() {
    int code = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        code = 0;
        if (!open())
            code = 401;
        if (m_transport.setTimeouts(kTimeout, kTimeout) != 0)
            code = 402;
        m_frame.setCommand('t');
        m_frame[2] = 0x00;
        m_frame[3] = 0x00;
        if (!send())
            code = 403;
        m_transport.finishWrite();
        m_clock.pumpWait(100);
        // The block is built in the reply buffer, from the time at the moment it goes out.
        meter_config::writeTimeBlock(m_clock.nowDateTime(), std::span<uint8_t, 32>(m_reply));
        if (m_transport.writeBlock(static_cast<uint32_t>(m_reply.size()), m_reply.data()) != 0)
            code = 404;
        m_transport.finishWrite();
        m_clock.pumpWait(100);
        if (m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) != 0)
            code = 405;
        else if (!acknowledged())
            code = 406;
        if (code == 0)
            break;
    }
    return code;
}

int SetupExchange::setInterval(uint8_t minutesBcd, uint8_t secondsBcd) {
    int code = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        code = 0;
        if (!open())
            code = 600;
        if (m_transport.setTimeouts(kTimeout, kTimeout) != 0)
            code = 602;
        m_frame.setCommand('I');
        m_frame[2] = minutesBcd;
        m_frame[3] = secondsBcd;
        if (!send())
            code = 603;
        m_transport.finishWrite();
        if (m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) != 0)
            code = 604;
        else if (!acknowledged())
            code = 605;
        if (code == 0)
            break;
    }
    return code;
}

int SetupExchange::eraseMemory() {
    int code = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        code = 0;
        if (!open())
            code = 501;
        if (m_transport.setTimeouts(kTimeout, kTimeout) != 0)
            code = 502;
        m_frame.setCommand('e');
        m_frame[2] = 0x00;
        m_frame[3] = 0x00;
        if (!send())
            code = 503;
        m_transport.finishWrite();
        m_clock.pumpWait(10);
        if (m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) != 0)
            code = 505;
        else if (!acknowledged())
            code = 506;
        if (code == 0)
            break;
    }
    return code;
}

int SetupExchange::writeCell(uint32_t cell, uint8_t value) {
    int code = 0;
    for (int attempt = 0; attempt < kCellTries; ++attempt) {
        if (attempt > 0)
            m_clock.pumpWait(300);
        code = [&] {
            if (!open())
                return 9000;
            if (m_transport.setTimeouts(kTimeout, kTimeout) != 0)
                return 9001;
            m_frame.setCommand('W');
            m_frame[2] = static_cast<uint8_t>(cell >> 16);
            m_frame[3] = static_cast<uint8_t>(cell >> 8);
            m_frame[4] = static_cast<uint8_t>(cell);
            m_frame[5] = value;
            if (!send())
                return 9002;
            m_transport.finishWrite();
            if (m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) != 0)
                return 9003;
            return acknowledged() ? 0 : 9004;
        }();
        if (code == 0)
            break;
    }
    return code;
}

bool SetupExchange::setCo2Offset(std::array<uint8_t, 2> offset) {
    if (!open() || m_transport.setTimeouts(kTimeout, kTimeout) != 0)
        return false;
    m_frame.setCommand('D');
    m_frame[2] = offset[0];
    m_frame[3] = offset[1];
    m_frame[4] = 0x00;
    m_frame[5] = 0x00;
    if (!send())
        return false;
    // This command has always gone out without the finishing call; the meter answers regardless.
    m_clock.pumpWait(200);
    return m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) == 0 &&
           acknowledged();
}

bool SetupExchange::setAltitude(std::array<uint8_t, 2> metres) {
    const bool opened = open();
    const bool timeoutsSet = m_transport.setTimeouts(kTimeout, kTimeout) == 0;
    m_frame.setCommand('L');
    m_frame[2] = metres[0];
    m_frame[3] = metres[1];
    m_frame[4] = 0x00;
    m_frame[5] = 0x00;
    if (!send())
        return false;
    m_transport.finishWrite();
    m_clock.pumpWait(100);
    const bool read = m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) == 0;
    return opened && timeoutsSet && read && acknowledged();
}

bool SetupExchange::setAlarm(std::array<uint8_t, 4> limits) {
    if (!open() || m_transport.setTimeouts(kTimeout, kTimeout) != 0)
        return false;
    m_frame.setCommand('F');
    for (std::size_t i = 0; i < limits.size(); ++i)
        m_frame[2 + i] = limits[i];
    if (!send())
        return false;
    m_transport.finishWrite();
    m_clock.pumpWait(100);
    return m_transport.readReply(static_cast<uint32_t>(m_reply.size()), m_reply.data()) == 0 &&
           acknowledged();
}
