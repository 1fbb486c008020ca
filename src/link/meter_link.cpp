#include "meter_link.h"

#include "platform/clock.h"

#include <QTimer>
#include <exception>

namespace {
constexpr uint32_t kTimeout = 100;
}

MeterLink::MeterLink(MeterTransport& transport, Clock& clock, QObject* parent)
    : QObject(parent), m_transport(&transport), m_clock(clock) {}

bool MeterLink::probeMeter(char letter) {
    bool ok = false;
    if (m_transport->openDevice(MeterVendorId, MeterProductId) == 0 &&
        m_transport->setTimeouts(kTimeout, kTimeout) == 0) {
        m_frame.setCommand(letter);
        m_transport->writeFrame(CommandFrame::size(), m_frame.data());
        m_transport->finishWrite();
        ok = m_transport->readReply(32, m_reply.data()) == 0;
    }
    m_transport->closeDevice();
    return ok;
}

bool MeterLink::readLive() {
    bool ok = false;
    if (m_transport->openDevice(MeterVendorId, MeterProductId) == 0 &&
        m_transport->setTimeouts(kTimeout, kTimeout) == 0) {
        m_frame.setCommand('A');
        m_frame[5] = ++m_sequence;
        m_transport->writeFrame(CommandFrame::size(), m_frame.data());
        m_transport->finishWrite();
        m_reply.fill(0);
        ok = m_transport->readReply(64, m_reply.data()) == 0;
    }
    m_transport->closeDevice();
    return ok;
}

bool MeterLink::readLiveOpen(uint32_t count) {
    m_frame.setCommand('A');
    m_frame[5] = ++m_sequence;
    m_transport->writeFrame(CommandFrame::size(), m_frame.data());
    m_transport->finishWrite();
    return m_transport->readReply(count, m_reply.data()) == 0;
}

int MeterLink::sendOpen(char letter, uint32_t count) {
    m_frame.setCommand(letter);
    if (m_transport->writeFrame(CommandFrame::size(), m_frame.data()) != 0)
        return 1;
    m_transport->finishWrite();
    if (count > 0 && m_transport->readReply(count, m_reply.data()) != 0)
        return 2;
    return 0;
}

int MeterLink::readBlockAt(uint16_t number) {
    waitPollIdle(2000);
    stopPollTimer();
    if (m_transport->openDevice(MeterVendorId, MeterProductId) != 0)
        return 1002;
    m_clock.pumpWait(100);
    if (m_transport->setTimeouts(kTimeout, kTimeout) != 0)
        return 1003;
    m_clock.pumpWait(100);
    m_frame.setCommand('P');
    m_frame[2] = static_cast<uint8_t>(number >> 8);
    m_frame[3] = static_cast<uint8_t>(number & 0xFF);
    if (m_transport->writeFrame(CommandFrame::size(), m_frame.data()) != 0)
        return 1004;
    m_transport->finishWrite();
    m_clock.pumpWait(100);
    if (m_transport->readReply(36, m_reply.data()) != 0)
        return 1005;
    if (m_reply[35] != 5)
        return 1006;
    if (m_reply[32] != m_frame[2] || m_reply[33] != m_frame[3])
        return 1007;
    return 0;
}

int MeterLink::sendPanelCommand(MeterTransport& transport, const CommandFrame& frame,
                                std::array<uint8_t, 32>& reply) {
    int result = 0;
    if (transport.openDevice(MeterVendorId, MeterProductId) != 0)
        result = 7002;
    if (transport.setTimeouts(kTimeout, kTimeout) != 0)
        result = 7003;
    if (transport.writeFrame(CommandFrame::size(), frame.data()) != 0)
        result = 7004;
    transport.finishWrite();
    try {
        if (transport.readReply(32, reply.data()) != 0)
            result = 7005;
        else if (reply[2] != 'O' || reply[3] != 'K')
            result = 7006;
    } catch (const std::exception&) {
        result = 7007;
    }
    return result;
}

void MeterLink::stopPollTimer() {
    if (m_pollTimer)
        m_pollTimer->stop();
}

void MeterLink::startPollTimer() {
    if (m_pollTimer)
        m_pollTimer->start();
}

bool MeterLink::waitPollIdle(int maxMs) {
    const int64_t start = m_clock.tickCount();
    while (PollBusy && m_clock.tickCount() - start <= maxMs)
        m_clock.pumpWait(10);
    return !PollBusy;
}

MeterLink::Gate MeterLink::runExclusive(const std::function<void()>& work) {
    if (m_exclusiveDepth > 0)
        return Gate::Refused;
    if (PollBusy) {
        // We are inside the poll tick's own wait: the tick cannot end before we return, so run
        // the request once the event loop is back at the top.
        QTimer::singleShot(0, this, [this, work] { runExclusive(work); });
        return Gate::Deferred;
    }
    const bool timerWasActive = m_pollTimer && m_pollTimer->isActive();
    stopPollTimer();
    ++m_exclusiveDepth;
    emit exclusiveChanged(true);
    // Released also when the work throws, so the link is never held for good.
    struct Release {
        MeterLink* link;
        bool restart;
        ~Release() {
            --link->m_exclusiveDepth;
            emit link->exclusiveChanged(false);
            if (restart)
                link->startPollTimer();
        }
    } release{this, timerWasActive};
    work();
    return Gate::Ran;
}
