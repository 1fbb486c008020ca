#include "meter_link.h"

#include "platform/clock.h"

#include <QTimer>
#include <exception>

namespace {
constexpr uint32_t kTimeout = 100;
}

MeterLink::MeterLink(MeterTransport& transport, Clock& clock, QObject* parent)
    : QObject(parent), m_transport(&transport), m_clock(clock) {}

bool MeterLink::ProbeMeter(char letter) {
    bool ok = false;
    if (m_transport->OpenDevice(MeterVendorId, MeterProductId) == 0 &&
        m_transport->SetTimeouts(kTimeout, kTimeout) == 0) {
        m_frame.setCommand(letter);
        m_transport->WriteFrame(CommandFrame::size(), m_frame.data());
        m_transport->FinishWrite();
        ok = m_transport->ReadReply(32, m_reply.data()) == 0;
    }
    m_transport->CloseDevice();
    return ok;
}

bool MeterLink::ReadLive() {
    bool ok = false;
    if (m_transport->OpenDevice(MeterVendorId, MeterProductId) == 0 &&
        m_transport->SetTimeouts(kTimeout, kTimeout) == 0) {
        m_frame.setCommand('A');
        m_frame[5] = ++m_sequence;
        m_transport->WriteFrame(CommandFrame::size(), m_frame.data());
        m_transport->FinishWrite();
        m_reply.fill(0);
        ok = m_transport->ReadReply(64, m_reply.data()) == 0;
    }
    m_transport->CloseDevice();
    return ok;
}

bool MeterLink::ReadLiveOpen(uint32_t count) {
    m_frame.setCommand('A');
    m_frame[5] = ++m_sequence;
    m_transport->WriteFrame(CommandFrame::size(), m_frame.data());
    m_transport->FinishWrite();
    return m_transport->ReadReply(count, m_reply.data()) == 0;
}

int MeterLink::SendOpen(char letter, uint32_t count) {
    m_frame.setCommand(letter);
    if (m_transport->WriteFrame(CommandFrame::size(), m_frame.data()) != 0)
        return 1;
    m_transport->FinishWrite();
    if (count > 0 && m_transport->ReadReply(count, m_reply.data()) != 0)
        return 2;
    return 0;
}

int MeterLink::ReadBlockAt(uint16_t number) {
    waitPollIdle(2000);
    stopMainTimer();
    if (m_transport->OpenDevice(MeterVendorId, MeterProductId) != 0)
        return 1002;
    m_clock.pumpWait(100);
    if (m_transport->SetTimeouts(kTimeout, kTimeout) != 0)
        return 1003;
    m_clock.pumpWait(100);
    m_frame.setCommand('P');
    m_frame[2] = static_cast<uint8_t>(number >> 8);
    m_frame[3] = static_cast<uint8_t>(number & 0xFF);
    if (m_transport->WriteFrame(CommandFrame::size(), m_frame.data()) != 0)
        return 1004;
    m_transport->FinishWrite();
    m_clock.pumpWait(100);
    if (m_transport->ReadReply(36, m_reply.data()) != 0)
        return 1005;
    if (m_reply[35] != 5)
        return 1006;
    if (m_reply[32] != m_frame[2] || m_reply[33] != m_frame[3])
        return 1007;
    return 0;
}

int MeterLink::SendPanelCommand(MeterTransport& transport, const CommandFrame& frame,
                                std::array<uint8_t, 32>& reply) {
    int result = 0;
    if (transport.OpenDevice(MeterVendorId, MeterProductId) != 0)
        result = 7002;
    if (transport.SetTimeouts(kTimeout, kTimeout) != 0)
        result = 7003;
    if (transport.WriteFrame(CommandFrame::size(), frame.data()) != 0)
        result = 7004;
    transport.FinishWrite();
    try {
        if (transport.ReadReply(32, reply.data()) != 0)
            result = 7005;
        else if (reply[2] != 'O' || reply[3] != 'K')
            result = 7006;
    } catch (const std::exception&) {
        result = 7007;
    }
    return result;
}

void MeterLink::stopMainTimer() {
    if (m_mainTimer)
        m_mainTimer->stop();
}

void MeterLink::startMainTimer() {
    if (m_mainTimer)
        m_mainTimer->start();
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
    const bool timerWasActive = m_mainTimer && m_mainTimer->isActive();
    stopMainTimer();
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
                link->startMainTimer();
        }
    } release{this, timerWasActive};
    work();
    return Gate::Ran;
}
