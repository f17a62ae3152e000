// The calibration step of one input: a new conversion factor from a true
// value, and the readings with the factors before and after it.
#include <cmath>

#include "calibration_table.h"
#include "measurement.h"

namespace {

// The true value and the length of a step come from the wire.
int CheckStep(const VN_Lib::CalReportRecord& record) {
    if (!std::isfinite(record.actual_value)) return Measurement::ErrBadReference;
    if (record.adjust && !(record.actual_value > 0.0)) return Measurement::ErrBadReference;
    const double passes = record.adjust ? 2.0 : 1.0;
    const double readingUs = static_cast<double>(record.avg_period) + Measurement::CalibrationReadingOverheadUs;
    if (passes * static_cast<double>(record.num_samples) * readingUs > Measurement::MaxCalibrationStepUs) {
        return Measurement::ErrStepTooLong;
    }
    return 0;
}

}  // namespace

int Measurement::CalibrateScale(VN_Lib::CalReportRecord& record) {
    if (record.num_samples < 1) record.num_samples = 1;
    if (record.avg_period < 1) record.avg_period = 1;
    // A huge period from the wire would hold the command loop for hours.
    if (record.avg_period > MaxCalibrationPeriodUs) record.avg_period = MaxCalibrationPeriodUs;
    int refused = CheckStep(record);
    if (refused != 0) return refused;
    const unsigned int period = static_cast<unsigned int>(record.avg_period);
    const double count = static_cast<double>(record.num_samples);

    if (record.adjust) {
        double sumVolts = 0.0;
        for (int32_t i = 0; i < record.num_samples; i++) {
            int result = Update(period);
            if (result != 0) return result;
            sumVolts += volts;
        }
        double meanVolts = sumVolts / count;
        if (meanVolts == 0.0) return ErrZeroMean;
        // A factor the calibration file cannot hold would be lost at its next load.
        const double factor = record.actual_value / meanVolts;
        if (!(std::fabs(factor) < CalibrationTable::MaxFactorMagnitude)) return ErrBadReference;
        SetConversionFactor(factor);
    }

    double sumValues = 0.0;
    double sumVolts = 0.0;
    for (int32_t i = 0; i < record.num_samples; i++) {
        int result = Update(period);
        if (result != 0) return result;
        sumValues += value;
        sumVolts += volts;
    }
    record.after_value = sumValues / count;
    // From the raw mean rather than after x before / factor: a true value of 0
    // gives a factor of 0, and the before reading must still be a number.
    record.before_value = sumVolts / count * beforeConversionFactor;
    record.before_constant = beforeConversionFactor;
    record.after_constant = conversionFactor;
    return 0;
}
