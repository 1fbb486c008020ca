#include "meter_poll.h"

#include "link/meter_link.h"
#include "live_reading.h"
#include "platform/clock.h"

bool isSupportedMeter(std::span<const uint8_t> reply) {
    return reply.size() > 25 && reply[23] == '4' && reply[24] == '0' && reply[25] == '7';
}

PollStep pollMeter(MeterLink& link, Clock& clock, LiveReading& reading, bool& connected, int& failCount) {
    if (!connected) {
        if (!link.probeMeter('K') || !isSupportedMeter(link.replyBlock()))
            return PollStep::NotFound;
        connected = true;
        clock.pumpWait(200);
        // Whatever ran during the wait may have dropped the connection again.
        if (!connected)
            return PollStep::NotFound;
        failCount = 0;
        return PollStep::Found;
    }
    if (link.readLive()) {
        failCount = 0;
        if (!isLiveFrame(link.replyBlock()))
            return PollStep::Unframed;
        DecodeLiveReading(link.replyBlock(), reading);
        return PollStep::Reading;
    }
    if (++failCount >= kPollFailLimit) {
        forgetMeter(reading, connected, failCount);
        return PollStep::Lost;
    }
    return PollStep::Missed;
}

void forgetMeter(LiveReading& reading, bool& connected, int& failCount) {
    reading.memoryFull = false;
    reading.statsFlashMode = false;
    failCount = 0;
    connected = false;
}
