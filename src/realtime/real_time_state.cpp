#include "real_time_state.h"

bool RealTimeState::takeSampleIfDue() {
    if (!Running || SecondTicks < RealTimeRate)
        return false;
    SecondTicks = 0;
    return true;
}
