#pragma once
#include "link/meter_transport.h"

#include <array>
#include <cstring>
#include <deque>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

// A transport whose every result and reply is chosen by the test, recording the frames written.
struct FakeTransport : MeterTransport {
    std::set<int> failOpen, failTimeouts, failWrite, failRead; // 1-based call numbers that fail
    bool allOpenFail = false, allReadFail = false;
    bool throwOnRead = false;                 // readReply raises a fault, as a broken driver may
    std::deque<std::vector<uint8_t>> replies; // next replies; empty → read fails
    std::vector<std::array<uint8_t, 7>> frames;
    int opens = 0, timeouts = 0, writes = 0, reads = 0, closes = 0, finishes = 0;
    // The arguments of every call that takes some, so tests pin what the program asks for.
    std::vector<std::pair<uint16_t, uint16_t>> openArgs;    // vendor, product
    std::vector<std::pair<uint32_t, uint32_t>> timeoutArgs; // read, write
    std::vector<uint32_t> readCounts;
    std::vector<std::pair<int, int>> serialArgs; // first argument, buffer size

    int openDevice(uint16_t vendor, uint16_t product) override {
        openArgs.emplace_back(vendor, product);
        return (++opens, allOpenFail || failOpen.count(opens));
    }
    int setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override {
        timeoutArgs.emplace_back(readTimeout, writeTimeout);
        return failTimeouts.count(++timeouts) ? 1 : 0;
    }
    int writeFrame(uint32_t count, const uint8_t* bytes) override {
        std::array<uint8_t, 7> f{};
        std::memcpy(f.data(), bytes, std::min<uint32_t>(count, 7));
        frames.push_back(f);
        return failWrite.count(++writes) ? 1 : 0;
    }
    int finishWrite() override { return (++finishes, 0); }
    int readReply(uint32_t count, uint8_t* buffer) override {
        ++reads;
        readCounts.push_back(count);
        if (throwOnRead)
            throw std::runtime_error("read fault");
        if (allReadFail || failRead.count(reads) || replies.empty())
            return 1;
        auto r = replies.front();
        replies.pop_front();
        r.resize(count);
        std::memcpy(buffer, r.data(), count);
        return 0;
    }
    int closeDevice() override { return (++closes, 0); }
    int writeBlock(uint32_t, const uint8_t*) override { return 0; }
    int readSerialNumber(int first, char* buffer, int size) override {
        serialArgs.emplace_back(first, size);
        if (size > 0)
            buffer[0] = 0;
        return 0;
    }
};
