#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

// What a SimulatedMeter should get wrong, and when. Call numbers count from 1 per operation over
// the meter's whole life (the same numbers SimulatedMeter::calls() reports), so a test can aim at
// "the third readReply" without knowing what ran before it.
struct FaultPlan {
    // Operations that return a failure on the given call numbers. A failing writeFrame or writeBlock
    // does not reach the meter; a failing readReply loses the reply it would have read.
    std::set<uint32_t> failOpen;
    std::set<uint32_t> failSetTimeouts;
    std::set<uint32_t> failWriteFrame;
    std::set<uint32_t> failFinishWrite;
    std::set<uint32_t> failReadReply;
    std::set<uint32_t> failWriteBlock;
    std::set<uint32_t> failSerialNumber;

    // Block requests ('P' and 'p' counted together from 1) whose reply never arrives: the meter
    // moves on as if it had sent the block, the following readReply fails.
    std::set<uint32_t> failBlockReads;
    // Per command letter: the n-th request with that letter gets no reply at all.
    std::map<char, std::set<uint32_t>> dropReplies;
    // Per command letter: the n-th request with that letter is answered late, after the program's
    // read has timed out. That read fails and the reply stays queued for the next read, as a real
    // HID device queues it, unless a new request comes first (the transport drains stale replies
    // before it writes). Through SimulatedHidBackend the reply arrives lateMs after the request.
    std::map<char, std::set<uint32_t>> lateReplies;
    // 'r' re-sends the block last sent without stepping back, so the next 'p' brings the block
    // after it rather than the one whose reply went missing.
    bool noRewindOnR = false;
    // 'r' is answered with a reply of a block's length whose data are not the block (and so do not
    // add up to its checksum); the meter still steps back unless noRewindOnR says otherwise.
    bool junkOnR = false;

    // Block numbers whose replies carry a wrong checksum (byte 34), a marker other than 5 (byte 35)
    // or another block number (bytes 32-33).
    std::set<uint16_t> corruptChecksumBlocks;
    std::set<uint16_t> badMarkerBlocks;
    std::set<uint16_t> wrongNumberBlocks;

    // The probe answers with these model digits (bytes 23-25) instead of '4','0','7'.
    std::optional<std::array<char, 3>> probeModel;

    // Live replies ('A' requests counted from 1) whose end byte 63 is 0x00 instead of 0x03.
    std::set<uint32_t> badLiveEnd;
    bool badLiveEndAlways = false;

    // Letters whose acknowledgement reads 'N','G' instead of 'O','K' (keys and setting commands).
    std::set<char> refuseAck;

    // After this many request frames have reached the meter, the next openDevice, writeFrame or
    // writeBlock finds it unplugged. Fires once: the meter clears it when it unplugs.
    std::optional<uint32_t> unplugAfterExchanges;
};
