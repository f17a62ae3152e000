#ifndef VN_CONTROLLER_DATA_SAMPLE_H
#define VN_CONTROLLER_DATA_SAMPLE_H

#include <string>

namespace VN_Sample {

// Marks a value or average that is not valid.
constexpr double InvalidValue = -9999.0;

// One measured quantity: the latest value, the running sum of the current
// averaging period and the average of the last completed one.
class DataSample {
public:
    static constexpr int ErrPeriodSpoiled = 53;
    static constexpr int ErrNoValues = 504;

    int SetValue(double v);
    // A value read back from a document: shown as the latest value but kept out
    // of the running average, which holds only what this program measured.
    void RestoreValue(double v);
    // The value is gone, and with it the validity of this period's average.
    void Invalidate();
    int ResetAverage();
    // Closes the period: 0, 53 when an invalid value spoiled it, 504 when it had no value.
    int AverageNow();

    std::string name;
    double value = InvalidValue;
    double average = InvalidValue;
    std::string units;
    bool valid = true;
    bool averageValid = true;
    bool periodClean = true;
    unsigned int count = 0;
    double sum = 0.0;
};

}  // namespace VN_Sample

#endif
