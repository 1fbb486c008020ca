#pragma once
#include "link/command_frame.h"
#include "link/meter_transport.h"

#include <QByteArray>
#include <array>
#include <cstdint>

class Clock;

// The setup dialog's exchanges with the meter, over its own frame and reply buffers. Each returns
// 0 on success and otherwise the failure code of its last try, or false. None of them shows
// anything, stops the poll timer or closes the device: the caller does the first two and the
// meter is left open as every setup exchange leaves it.
class SetupExchange {
  public:
    using Reply = std::array<uint8_t, 32>;
    using InfoReply = std::array<uint8_t, 64>;

    SetupExchange(MeterTransport& transport, Clock& clock, CommandFrame& frame, Reply& reply)
        : m_transport(transport), m_clock(clock), m_frame(frame), m_reply(reply) {}

    // 'X' into `info`, up to three tries: 201 open, 202 time-outs, 203 write, 204 read.
    int readInformation(InfoReply& info);
    // The meter's serial number text (at most 31 characters).
    QByteArray serialNumber();
    // 't' and the time block of the clock's current time, up to three tries: 401 open,
    // 402 time-outs, 403 write, 404 block write, 405 read, 406 not acknowledged.
    int setClock();
    // 'I' with the two BCD bytes, up to three tries: 600, 602, 603, 604, 605.
    int setInterval(uint8_t minutesBcd, uint8_t secondsBcd);
    // 'e', up to three tries: 501, 502, 503, 505, 506.
    int eraseMemory();
    // 'W' of one byte into a settings cell, up to five tries each ending at its first failing step:
    // 9000 open, 9001 time-outs, 9002 write, 9003 read, 9004 not acknowledged.
    int writeCell(uint32_t cell, uint8_t value);
    // Single tries of the commands with their own letter.
    bool setCo2Offset(std::array<uint8_t, 2> offset);
    bool setAltitude(std::array<uint8_t, 2> metres);
    bool setAlarm(std::array<uint8_t, 4> limits);

    static constexpr int kTries = 3;
    static constexpr int kCellTries = 5;

  private:
    bool acknowledged() const { return m_reply[2] == 'O' && m_reply[3] == 'K'; }
    bool open();
    bool send();

    MeterTransport& m_transport;
    Clock& m_clock;
    CommandFrame& m_frame;
    Reply& m_reply;
};
