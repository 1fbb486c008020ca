// Information replies: decoded as the setup dialog's Read decodes them, with every text it shows.
#include "fuzz_targets.h"
#include "setup/meter_info.h"

#include <QString>

int fuzz::infoReply(const uint8_t* data, std::size_t size) {
    const std::optional<MeterInfo> info = decodeMeterInfo(std::span(data, size));
    require(info.has_value() == (size >= kMeterInfoSize), "64 bytes or more decode, fewer do not");
    if (!info)
        return 0;
    require(meterTimeText(*info).size() == 21, "the meter time reads MM/DD/20YY   hh:mm:ss");
    require(intervalText(*info).size() == 5, "the interval reads mm:ss");
    firmwareText(info->firmware);
    humidityOffsetText(info->humidityOffset);
    temperatureOffsetText(info->temperatureOffset, true);
    temperatureOffsetText(info->temperatureOffset, false);
    require(powerOffText(info->powerOffCode).isEmpty() == (info->powerOffCode >= kPowerOffCodes),
            "power-off codes 0 to 6 have a text, others none");
    require(memoryAvailable(info->memoryPosition) <= kLastMemoryAddress / 8, "free records fit the memory");
    return 0;
}
