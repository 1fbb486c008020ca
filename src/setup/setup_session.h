#pragma once
#include "link/command_frame.h"

#include <QObject>
#include <array>
#include <cstdint>

class MeterLink;

// What the setup dialog keeps for the whole run of the program rather than per dialog: its own
// command frame (parameter bytes carry over from one setup command to the next), its reply
// buffers, and the temperature unit found by the last information read.
class SetupSession : public QObject {
    Q_OBJECT
  public:
    explicit SetupSession(QObject* parent = nullptr) : QObject(parent) {}

    // The session of the program run that `link` belongs to, created with the first dialog.
    static SetupSession& of(MeterLink& link);

    CommandFrame frame;
    std::array<uint8_t, 32> reply{};
    std::array<uint8_t, 64> info{};
    bool unitIsFahrenheit = false;
};
