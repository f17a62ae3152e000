#ifndef VN_FIRMWARE_MEASUREMENT_H
#define VN_FIRMWARE_MEASUREMENT_H

#include "analog104.h"
#include "cal_report_record.h"

// One analog input of the unit: a channel of an analog card read in volts and
// scaled into engineering units by a conversion factor (value = volts x factor).
// Readings are refused until a factor has been set. A failed reading leaves
// value and volts as they were, so holders keep reporting the last good one.
class Measurement {
public:
    static constexpr int ErrConversionNotSet = 803;
    static constexpr int ErrNoCard = 605;
    static constexpr int ErrZeroMean = 401;
    static constexpr int ErrBadReference = 403;
    static constexpr int ErrStepTooLong = 404;
    // The longest averaging one calibration reading may ask for.
    static constexpr int MaxCalibrationPeriodUs = 1000000;
    // A step holds the command loop, and with it tracking and thermal
    // protection, so all its readings together may take at most 120 s.
    static constexpr double MaxCalibrationStepUs = 120e6;
    // What a reading costs besides its averaging: the card settles the
    // multiplexer twice (range probe, then the reading), 2 ms each.
    static constexpr double CalibrationReadingOverheadUs = 4000.0;

    // The card is not owned; it must outlive the measurement.
    void Initialize(VN_Lib::Analog104* analogCard, int muxSetting, int channel, double factor);
    void SetConversionFactor(double factor);
    void SetBeforeConversionFactor(double factor);

    // One reading of mux/chan with automatic gain, averaged over sampleTime us.
    // 0, 803 without a factor, 605 without a card.
    int Update(unsigned int sampleTime);
    // One reading of the input and gain the card has selected now (no switching:
    // the caller selects the input first), averaged over sampleTime us (at least
    // one conversion). Full scale and resolution become 0. 0, 803 or 605.
    int UpdateFast(unsigned int sampleTime);

    // One calibration step against the record's true value: with adjust, a new
    // factor = true value / mean raw volts; then the mean reading with the
    // factor in force and with the before factor. Counts below 1 become 1.
    // 0, 401 for a zero raw mean (factor kept), or a reading's error. Refused
    // before any reading, factor kept: 403 for a true value that is not a
    // finite number, or not above 0 when adjusting (the factor would silence
    // or invert the input); 404 for a step longer than MaxCalibrationStepUs.
    int CalibrateScale(VN_Lib::CalReportRecord& record);

    double Value() const { return value; }
    double Volts() const { return volts; }
    bool ConversionSet() const { return conversionSet; }
    double ConversionFactor() const { return conversionFactor; }
    double BeforeConversionFactor() const { return beforeConversionFactor; }
    // Largest value the input can show at the last reading's gain.
    double FullScale() const { return fullScale; }
    // Value of one converter count at the last reading's gain.
    double Resolution() const { return resolution; }
    int GainIndex() const { return gainIndex; }
    VN_Lib::Analog104* Card() const { return card; }
    int Mux() const { return mux; }
    int Chan() const { return chan; }

private:
    // The module pair averages fast readings itself and stores the means.
    friend class IV_Measurement;

    double value = 0.0;
    VN_Lib::Analog104* card = nullptr;
    int mux = 0;
    int chan = 0;
    int gainIndex = 0;
    double volts = 0.0;
    bool conversionSet = false;
    double conversionFactor = 1.0;
    double beforeConversionFactor = 1.0;
    double fullScale = 0.0;
    double resolution = 0.0;
};

#endif
