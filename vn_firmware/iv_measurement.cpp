#include "iv_measurement.h"

#include "short_timer.h"

int IV_Measurement::Update(unsigned int sampleTime) {
    int result = voltage.Update(sampleTime);
    if (result != 0) return result;
    return current.Update(sampleTime);
}

int IV_Measurement::UpdateFast(unsigned int period) {
    if (voltage.Card() == current.Card()) {
        int result = voltage.UpdateFast(1);
        if (result != 0) return result;
        return current.UpdateFast(1);
    }
    // Two cards: neither can be held on one conversion of the other, so both
    // are sampled in turn for the whole period and averaged.
    VN_Lib::ShortTimer timer;
    float voltageSum = 0.0f;
    float currentSum = 0.0f;
    int count = 0;
    do {
        // A failure here is a set-up fault that repeats every round; averaging
        // stale values around it would hide it.
        int result = voltage.UpdateFast(0);
        if (result == 0) result = current.UpdateFast(0);
        if (result != 0) return result;
        voltageSum += static_cast<float>(voltage.Value());
        currentSum += static_cast<float>(current.Value());
        ++count;
    } while (timer.ReadTimerMicroSeconds() < period);
    voltage.value = voltageSum / count;
    current.value = currentSum / count;
    return 0;
}
