#pragma once
#include "command_frame.h"
#include "meter_transport.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>

class Clock;

// The main window's side of the meter conversation: its frame, its reply buffer, the live-reading
// sequence number and the exchange routines built on them. It also guards the rule that only one
// exchange runs at a time: the poll tick marks itself with PollBusy, every other exchange runs
// through runExclusive(), which stops the poll timer for its duration.
class MeterLink : public QObject {
    Q_OBJECT
  public:
    MeterLink(MeterTransport& transport, Clock& clock, QObject* parent = nullptr);

    MeterTransport& transport() { return *m_transport; }
    void setTransport(MeterTransport& transport) { m_transport = &transport; }
    Clock& clock() { return m_clock; }

    CommandFrame& frame() { return m_frame; }
    ReplyBlock& replyBlock() { return m_reply; }
    const ReplyBlock& replyBlock() const { return m_reply; }
    uint8_t sequenceNumber() const { return m_sequence; }

    // Probe with the given letter; true when a 32-byte reply was read. Always closes the device.
    bool probeMeter(char letter);
    // Live reading 'A'; true when the 64-byte reply was read. Clears the buffer before reading.
    bool readLive();
    // Live-reading request answered with `count` bytes, without opening or closing (download resume).
    bool readLiveOpen(uint32_t count);
    // Memory block by number: 0 on success, else 1002-1007. Leaves the device open and pollTimer stopped.
    int readBlockAt(uint16_t number);
    // A single-letter request on the open device followed by a read of `count` bytes (0 reads nothing).
    int sendOpen(char letter, uint32_t count);

    // Panel key exchange with the panel's own frame and 32-byte buffer; result is the code of the
    // last failing step (7002-7007) or 0.
    static int sendPanelCommand(MeterTransport& transport, const CommandFrame& frame,
                                std::array<uint8_t, 32>& reply);

    // --- one exchange at a time ---
    bool PollBusy = false;
    void setPollTimer(QTimer* timer) { m_pollTimer = timer; }
    QTimer* pollTimer() const { return m_pollTimer; }
    void stopPollTimer();
    void startPollTimer();

    enum class Gate { Ran, Deferred, Refused };
    // Runs `work` with the poll timer stopped. Called while the poll tick waits (re-entry), the work
    // is posted to the event loop and runs once the tick has ended. While another exclusive
    // exchange runs (a download, a setup operation), nothing runs and Refused is returned.
    Gate runExclusive(const std::function<void()>& work);
    bool exclusiveActive() const { return m_exclusiveDepth > 0; }
    // Waits, pumping messages, until the poll tick is over or `maxMs` has passed; true when idle.
    bool waitPollIdle(int maxMs);

  signals:
    // Emitted when an exclusive exchange starts and ends, so windows can disable meter commands.
    void exclusiveChanged(bool active);

  private:
    MeterTransport* m_transport;
    Clock& m_clock;
    CommandFrame m_frame;
    ReplyBlock m_reply{};
    uint8_t m_sequence = 0;
    QPointer<QTimer> m_pollTimer;
    int m_exclusiveDepth = 0;
};
