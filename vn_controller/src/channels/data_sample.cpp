#include "channels/data_sample.h"

namespace VN_Sample {

int DataSample::SetValue(double v) {
    value = v;
    valid = true;
    sum += v;
    ++count;
    return 0;
}

void DataSample::RestoreValue(double v) {
    value = v;
    valid = v != InvalidValue;
}

void DataSample::Invalidate() {
    value = InvalidValue;
    valid = false;
    periodClean = false;
}

int DataSample::ResetAverage() {
    sum = 0.0;
    count = 0;
    periodClean = true;
    return 0;
}

int DataSample::AverageNow() {
    int result = 0;
    if (!periodClean) {
        result = ErrPeriodSpoiled;
    } else if (count == 0) {
        result = ErrNoValues;
    }
    averageValid = result == 0;
    average = averageValid ? sum / count : InvalidValue;
    ResetAverage();
    return result;
}

}  // namespace VN_Sample
