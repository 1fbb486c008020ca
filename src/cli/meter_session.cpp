#include "meter_session.h"

#include "cli/demo_meter.h"
#include "link/hid_meter_transport.h"
#include "platform/clock.h"
#include "setup/meter_info.h"
#include "setup/setup_exchange.h"

#include <QThread>

MeterSession::~MeterSession() {
    // The link refers to the transport and the clock: it goes first.
    m_link.reset();
    if (m_transport)
        m_transport->closeDevice();
}

std::unique_ptr<MeterSession> MeterSession::open(const GlobalOptions& options) {
    std::unique_ptr<MeterSession> session(new MeterSession);
    session->m_virtualTime = options.virtualTime;
    if (options.virtualTime)
        session->m_clock = std::make_unique<ManualClock>();
    else
        session->m_clock = std::make_unique<RealClock>();
    if (options.demo) {
        QString error;
        const std::optional<DemoAids> aids = parseDemoAids(options.demoFaults, &error);
        if (!aids) {
            console::error(error);
            return nullptr;
        }
        session->m_transport = std::make_unique<DemoMeter>(*session->m_clock, *aids);
    } else {
        session->m_transport = std::make_unique<HidMeterTransport>();
    }
    session->m_link = std::make_unique<MeterLink>(*session->m_transport, *session->m_clock);
    return session;
}

bool MeterSession::connect(int probes) {
    for (int i = 0; i < probes && !m_connected; ++i) {
        if (i > 0)
            idle(500);
        poll();
    }
    return m_connected;
}

void MeterSession::idle(int ms) {
    if (m_virtualTime)
        m_clock->pumpWait(ms);
    else if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

PollStep MeterSession::poll() {
    return pollMeter(*m_link, *m_clock, m_reading, m_connected, m_failCount);
}

int MeterSession::failureExit() {
    m_connected = false;
    if (connect(1))
        return ExitFailed;
    console::error(QStringLiteral("No Connection"));
    return ExitNoMeter;
}

int MeterSession::noMeter() {
    console::error(QStringLiteral("There is no connection with meter !"));
    return ExitNoMeter;
}

std::optional<MeterIdentity> MeterSession::identify(int* code) {
    // A frame and buffers of their own, as the setup dialog has them beside the poll's.
    CommandFrame frame;
    SetupExchange::Reply reply{};
    SetupExchange::InfoReply infoReply{};
    SetupExchange exchange(*m_transport, *m_clock, frame, reply);
    const int result = exchange.readInformation(infoReply);
    if (code)
        *code = result;
    if (result != 0)
        return std::nullopt;
    const MeterInfo info = *decodeMeterInfo(infoReply);
    return MeterIdentity{QString::fromLatin1(exchange.serialNumber()),
                         firmwareText(info.firmware, QLocale::c())};
}
