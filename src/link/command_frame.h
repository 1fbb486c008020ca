#pragma once
#include <array>
#include <cstdint>

// The 7-byte request: 0x02, a command letter, four parameter bytes, 0x03. Each sender keeps one
// frame for the whole run; a command writes only the parameter bytes it uses, the others keep
// what that sender's previous command left in them.
struct CommandFrame {
    std::array<uint8_t, 7> bytes{0x02, 0, 0, 0, 0, 0, 0x03};

    void setCommand(char letter) {
        bytes[0] = 0x02;
        bytes[1] = static_cast<uint8_t>(letter);
        bytes[6] = 0x03;
    }
    uint8_t& operator[](std::size_t i) { return bytes[i]; }
    uint8_t operator[](std::size_t i) const { return bytes[i]; }
    const uint8_t* data() const { return bytes.data(); }
    static constexpr uint32_t size() { return 7; }
};

// The main window's 64-byte reply buffer.
using ReplyBlock = std::array<uint8_t, 64>;
