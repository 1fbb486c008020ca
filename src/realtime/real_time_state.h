#pragma once
#include <array>

// The program-wide record of the real-time recording.
struct RealTimeState {
    bool Running = false;
    int SampleCount = 0;
    int RealTimeRate = 2;
    int SecondTicks = 0;
    double ExtendStep = 10.0 / 86400.0; // days
    bool Unsaved = false;
    std::array<float, 3> RunningMax{-99999.0f, -99999.0f, -99999.0f};
    std::array<float, 3> RunningMin{99999.0f, 99999.0f, 99999.0f};

    // True when a live reading that passed its checks should become the next sample; resets the
    // second count when it does.
    bool takeSampleIfDue();
};
