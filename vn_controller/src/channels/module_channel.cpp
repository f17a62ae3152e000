#include "channels/module_channel.h"

#include "vn_lib/clock.h"
#include "vn_lib/utilities.h"

namespace VN_Sample {

namespace {

const int MinAverageUsec = 10;
const int MaxAverageUsec = 1000000;
const double MinPtrackVstep = 0.01;
const double MaxPtrackVstep = 0.2;
const double MinArea = 1e-6;
const double MaxArea = 1e6;

// Stores value in field when it lies in [low, high] (inclusive); 0 or 90.
// Written so that a NaN fails the test as well.
template <typename T>
int SetInRange(T& field, T value, T low, T high) {
    if (!(value >= low && value <= high)) return ModuleChannel::ErrRefused;
    field = value;
    return 0;
}

// Local midnight that starts the day after the one starting at midnight;
// from the middle of that day so days of 23 or 25 hours land right too.
time_t NextMidnight(time_t midnight) {
    time_t midday = midnight + 86400 + 43200;
    return VN_Lib::date(&midday);
}

}  // namespace

ModuleChannel::ModuleChannel() = default;

int ModuleChannel::SetTrackingMode(int mode) {
    loadConfiguration.mode = mode;
    return 0;
}

int ModuleChannel::SetFixedVoltage(double volts) {
    loadConfiguration.fixedVoltage = volts;
    return 0;
}

int ModuleChannel::SetAveragePeriod(int usec) {
    return SetInRange(loadConfiguration.averageUsec, usec, MinAverageUsec, MaxAverageUsec);
}

int ModuleChannel::SetPtrackVmin(double fraction) { return SetInRange(loadConfiguration.ptrackVmin, fraction, 0.0, 1.0); }

int ModuleChannel::SetPtrackVstep(double fraction) {
    return SetInRange(loadConfiguration.ptrackVstep, fraction, MinPtrackVstep, MaxPtrackVstep);
}

int ModuleChannel::SetApertureArea(double area) { return SetInRange(apertureArea, area, MinArea, MaxArea); }

int ModuleChannel::SetTotalArea(double area) { return SetInRange(totalArea, area, MinArea, MaxArea); }

bool ModuleChannel::TimeToUpdateLoadProfile(double* voltage) {
    if (loadConfiguration.mode != TrackProfile || voltage == nullptr) return false;
    time_t now = VN_Lib::Now();
    if (now < nextProfileTime) return false;
    const time_t midnight = VN_Lib::date(&now);
    if (midnight < 0) return false;

    const time_t timeOfDay = now - midnight;
    size_t due = voltageProfile.size();
    for (size_t i = 0; i < voltageProfile.size(); ++i)
        if (voltageProfile[i].startTime <= timeOfDay) due = i;
    if (due == voltageProfile.size()) return false;

    *voltage = voltageProfile[due].voltage;
    if (due + 1 < voltageProfile.size()) {
        nextProfileTime = midnight + voltageProfile[due + 1].startTime;
    } else {
        nextProfileTime = NextMidnight(midnight) + voltageProfile.front().startTime;
    }
    return true;
}

}  // namespace VN_Sample
