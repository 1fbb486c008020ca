#pragma once
#include "support/fake_transport.h"

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// FakeTransport that also keeps the written blocks, answers with a chosen serial number and lets a
// test look around while an exchange is under way.
struct SetupTransport : FakeTransport {
    std::vector<std::array<uint8_t, 32>> blocks;
    std::set<int> failBlock;
    std::string serial = "SN-0001";
    std::function<void()> onOpen;

    int openDevice(uint16_t vendor, uint16_t product) override {
        if (onOpen)
            onOpen();
        return FakeTransport::openDevice(vendor, product);
    }
    int writeBlock(uint32_t count, const uint8_t* bytes) override {
        std::array<uint8_t, 32> b{};
        std::memcpy(b.data(), bytes, std::min<uint32_t>(count, 32));
        blocks.push_back(b);
        return failBlock.count(static_cast<int>(blocks.size())) ? 1 : 0;
    }
    int readSerialNumber(int first, char* buffer, int size) override {
        serialArgs.emplace_back(first, size);
        std::memset(buffer, 0, size);
        std::memcpy(buffer, serial.data(), std::min<std::size_t>(serial.size(), std::size_t(size)));
        return 0;
    }
};

using Frame = std::array<uint8_t, 7>;

// A 32-byte acknowledgement: 02, letter, 'O','K' ... 03.
inline std::vector<uint8_t> ack(char letter, bool ok = true) {
    std::vector<uint8_t> r(32, 0);
    r[0] = 0x02;
    r[1] = static_cast<uint8_t>(letter);
    r[2] = ok ? 'O' : 'N';
    r[3] = ok ? 'K' : 'G';
    r[31] = 0x03;
    return r;
}

// An information reply with every field the dialog shows set to a known value.
inline std::vector<uint8_t> infoReply() {
    std::vector<uint8_t> r(64, 0);
    r[4] = 0x00, r[5] = 0x03;                 // 3 data sets
    r[6] = 0x00, r[7] = 0x0B, r[8] = 0x11;    // position 0xB11
    r[9] = 0x01, r[10] = 0x30;                // interval 01:30
    r[15] = 123;                              // firmware 1.23
    r[18] = 0x07, r[19] = 0xD0;               // 2000
    r[20] = 0x01, r[21] = 0x90;               // 400
    r[22] = 0x00, r[23] = 0x05;               // 5
    r[29] = 1;                                // alarm on
    r[30] = 0x03, r[31] = 0xE8;               // high 1000
    r[32] = 0x03, r[33] = 0x20;               // low 800
    r[38] = 0x05, r[39] = 0xDC;               // 1500 m
    r[40] = 0;                                // Celsius
    r[41] = 0xE7;                             // -2.5 %RH
    r[42] = 0xA6;                             // -9.0 F = -5.0 C
    r[43] = 0xFE, r[44] = 0x70;               // -400 ppm
    r[48] = 3;                                // 1 hour
    r[49] = 0x09, r[50] = 0x05, r[51] = 0x14; // 14:05:09
    r[52] = 0x31, r[53] = 0x07, r[55] = 0x26; // 07/31/2026
    return r;
}
