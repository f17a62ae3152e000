// The calibration step of one input: a new conversion factor from a true
// value, and the readings with the factors before and after it.
#include "measurement.h"

int Measurement::CalibrateScale(VN_Lib::CalReportRecord& record) {
    if (record.num_samples < 1) record.num_samples = 1;
    if (record.avg_period < 1) record.avg_period = 1;
    // A huge period from the wire would hold the command loop for hours.
    if (record.avg_period > MaxCalibrationPeriodUs) record.avg_period = MaxCalibrationPeriodUs;
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
        SetConversionFactor(record.actual_value / meanVolts);
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
