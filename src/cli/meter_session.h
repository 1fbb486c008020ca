#pragma once
#include "cli_common.h"
#include "link/meter_link.h"
#include "live/live_reading.h"
#include "live/meter_poll.h"

#include <QString>

#include <memory>
#include <optional>

class Clock;
class MeterTransport;

// Who the meter is, for tags, topics and the device that a home automation system shows.
struct MeterIdentity {
    QString serialNumber;
    QString firmware; // "1.23", from the information reply
};

// The meter a command talks to (the USB meter, or with --demo the simulated one), the clock its
// waits run on, the link with its frame and reply buffer, and the connection as the poll keeps it.
class MeterSession {
  public:
    ~MeterSession();
    // Null, with the reason on standard error, when a demo aid cannot be read.
    static std::unique_ptr<MeterSession> open(const GlobalOptions& options);

    Clock& clock() { return *m_clock; }
    MeterLink& link() { return *m_link; }
    MeterTransport& transport() { return *m_transport; }

    // Waits `ms` milliseconds without using the processor (the clock's pumpWait keeps handling
    // events, which for a real clock means spinning); in virtual time the clock simply moves on.
    void idle(int ms);

    // Probes as the poll does until the meter answers, up to `probes` times half a second apart.
    bool connect(int probes = 3);
    // One poll step: probe while not connected, else read the live state into reading().
    PollStep poll();
    bool connected() const { return m_connected; }
    const LiveReading& reading() const { return m_reading; }

    // The serial number and the information reply's firmware version; empty when the information
    // read failed (the reason's code in `code`).
    std::optional<MeterIdentity> identify(int* code = nullptr);

    // After a failed exchange: ExitNoMeter, with "No Connection" on standard error, when the meter
    // no longer answers a probe (unplugged); ExitFailed when it is there but the exchange failed.
    int failureExit();

    // The message of a command that finds no meter, and its exit code.
    static int noMeter();

  private:
    MeterSession() = default;

    bool m_virtualTime = false;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<MeterTransport> m_transport;
    std::unique_ptr<MeterLink> m_link;
    LiveReading m_reading;
    bool m_connected = false;
    int m_failCount = 0;
};
