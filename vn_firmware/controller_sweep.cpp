#include <cmath>
#include <cstdlib>

#include "controller.h"
#include "dac_scale.h"
#include "long_timer.h"
#include "short_timer.h"

namespace VN_Lib {

namespace {

const unsigned long SweepAlarmMs = 4800;
const int SoftIscDac = 42592;
const int CrossSweepStep = 16;
// The cross sweep stops one point past the cross-over; start well before it.
const int StepBackCounts = 480;
const unsigned StepBackSettleMs = 15;
const unsigned PointSettleMs = 1;
const unsigned MaxSettleMs = 15;
const unsigned MinSettleMs = 1;
// Raw points start at index 2: places 0 and 1 are the short-circuit points.
const int FirstRaw = 2;
const int RawCapacity = 65536;
const int CopiedPoints = 295;
const int LowCurrentPointsToStop = 4;
const double OverPowerMargin = 1.02;
// The front end settles with a time constant of ~150 us after a switch.
const unsigned SwitchSettleUs = 1000;

void Wait(unsigned ms) { ShortTimer().MilliSecondDelay(ms); }

}  // namespace

void Controller::ClearTestData(CurveTest_T& record) { record = CurveTest_T(); }

void Controller::AddTestRecord(const char* label, double value1, double value2, unsigned count) {
    CurveTest_T record;
    ClearTestData(record);
    record.value1 = value1;
    record.value2 = value2;
    record.count = count;
    record.label = label;
    testData.push_back(record);
}

int Controller::SweepStep(double voc, double vmax) {
    if (!(vmax > 0)) return 4;
    const double step = std::trunc(voc * 32768.0 / (vmax * 200.0));
    return step < 4 ? 4 : static_cast<int>(step);
}

unsigned Controller::SettlingWaitMs(double previousVolts, double volts, int step) {
    const double wait = std::trunc((previousVolts - volts) * 32768.0 / (5.0 * step)) + MaxSettleMs;
    if (!(wait >= MinSettleMs)) return MinSettleMs;
    if (wait > MaxSettleMs) return MaxSettleMs;
    return static_cast<unsigned>(wait);
}

int Controller::DecimationStep(int m, int k) { return (m - k + 3) / CopiedPoints + 1; }

Controller::Decimation_T Controller::CopySweptPoints(const std::vector<double>& rawVolts,
                                                     const std::vector<double>& rawAmps, int m, double voc,
                                                     curve_type& curve) {
    Decimation_T result;
    result.k = FirstRaw + 1;
    for (int i = FirstRaw + 1; i < m; ++i) {
        if (rawVolts[i] >= rawVolts[FirstRaw] + voc / 200.0) {
            result.k = i;
            break;
        }
    }
    curve.voltages[2] = rawVolts[FirstRaw];
    curve.currents[2] = rawAmps[FirstRaw];
    result.s = DecimationStep(m, result.k);
    result.n = 3;
    for (int i = result.k; i <= m && result.n < curve_type::MaxPoints; i += result.s, ++result.n) {
        curve.voltages[result.n] = rawVolts[i];
        curve.currents[result.n] = rawAmps[i];
    }
    return result;
}

int Controller::ReadInputFast(const Measurement& input, int gain, FrontEnd_T& selected, double* value) {
    if (!input.ConversionSet()) return Measurement::ErrConversionNotSet;
    Analog104* card = input.Card();
    if (card == nullptr) return Measurement::ErrNoCard;
    const bool same = selected.card == card && selected.gain == gain && selected.mux == input.Mux() &&
                      selected.chan == input.Chan();
    if (!same) {
        card->SwitchMuxGain(gain, input.Mux(), input.Chan());
        ShortTimer().MicroSecondDelay(SwitchSettleUs);
        selected = FrontEnd_T{card, gain, input.Mux(), input.Chan()};
    }
    int flag = 0;
    const int count = card->ReadAD_Fast(card->GetZeroOffset(gain), static_cast<unsigned>(configuration.averageUsec), &flag);
    *value = count * static_cast<double>(card->GetVoltsPerCount(gain)) * input.ConversionFactor();
    return 0;
}

int Controller::TakeIvCurve(curve_type& curve) {
    LongTimer sweepTimer;
    sweepTimer.SetAlarm(SweepAlarmMs);
    sweepTimer.EnableAlarm();
    testData.clear();
    AddTestRecord("Start Curve", FailedReading, FailedReading, 0);
    const unsigned savedDac = load.Dac();
    const Measurement savedVoltage = measurement.Voltage();
    const Measurement savedCurrent = measurement.Current();

    int error = 0;
    double sweepVoc = GetVoc(&error);
    if (error != 0) return error;
    curve.voc = sweepVoc;
    curve.voltageResolution = measurement.Voltage().Resolution();
    curve.voltageFullScale = measurement.Voltage().FullScale();
    const int voltageGain = measurement.Voltage().GainIndex();
    AddTestRecord("Get Voc", sweepVoc, FailedReading, 0);
    if (sweepVoc < 0.3) return ErrNoLight;

    const double isc = GetIsc(&error);
    if (error != 0) return error;
    curve.isc = isc;
    curve.currentResolution = measurement.Current().Resolution();
    curve.currentFullScale = measurement.Current().FullScale();
    const int currentGain = measurement.Current().GainIndex();
    AddTestRecord("Get Isc", FailedReading, isc, 0);

    // GetVoc and GetIsc switched the front end themselves.
    FrontEnd_T selected;
    double voltsAtIsc = 0.0;
    error = ReadInputFast(measurement.Voltage(), voltageGain, selected, &voltsAtIsc);
    if (error != 0) return error;
    AddTestRecord("V at Isc", voltsAtIsc, FailedReading, 0);

    double lowCurrent = isc / 200.0;
    if (lowCurrent < 0) return ErrNegativeIsc;
    if (lowCurrent == 0) lowCurrent = 1.0;
    const int step = SweepStep(sweepVoc, ratings.vmax);

    error = SetDac(SoftIscDac);
    if (error != 0) return error;
    Wait(SettleMs);
    double volts = 0.0;
    error = ReadInputFast(measurement.Voltage(), voltageGain, selected, &volts);
    if (error != 0) return error;
    AddTestRecord("Set Soft Isc", volts, FailedReading, SoftIscDac);
    const double crossVolts = volts + 0.005 * sweepVoc;

    double crossLast = 0.0;
    int dac = SoftIscDac;
    while (crossLast < crossVolts && dac >= 0) {
        error = SetDac(static_cast<unsigned>(dac));
        if (error != 0) return error;
        error = ReadInputFast(measurement.Voltage(), voltageGain, selected, &crossLast);
        if (error != 0) return error;
        AddTestRecord("Cross Sweep", crossLast, FailedReading, static_cast<unsigned>(dac));
        if (sweepTimer.CheckAlarm() != 0) return ErrSweepTimeout;
        dac -= CrossSweepStep;
    }

    dac += StepBackCounts;
    error = SetDac(static_cast<unsigned>(LimitDac(dac)));
    if (error != 0) return error;
    Wait(StepBackSettleMs);
    AddTestRecord("Step Back", FailedReading, FailedReading, static_cast<unsigned>(dac));

    std::vector<double> rawVolts(RawCapacity, 0.0);
    std::vector<double> rawAmps(RawCapacity, 0.0);
    int m = FirstRaw;
    if (dac >= 0 && crossLast < sweepVoc) {
        const double pmax = ratings.pmax;
        double previous = crossLast;
        int lowPoints = 0;
        bool slow = false;
        while (lowPoints < LowCurrentPointsToStop && m < RawCapacity) {
            error = SetDac(static_cast<unsigned>(LimitDac(dac)));
            if (error != 0) return error;
            Wait(PointSettleMs);
            double amps = 0.0;
            error = ReadInputFast(measurement.Voltage(), voltageGain, selected, &volts);
            if (error == 0) error = ReadInputFast(measurement.Current(), currentGain, selected, &amps);
            if (error != 0) return error;
            rawVolts[m] = volts;
            rawAmps[m] = amps;
            ++m;
            AddTestRecord(slow ? "Slow Sweep" : "Fast Sweep", volts, amps, static_cast<unsigned>(dac));
            if (amps < lowCurrent) ++lowPoints;
            if (!slow) Wait(SettlingWaitMs(previous, volts, step));
            if (volts > crossVolts) slow = true;
            previous = volts;
            if (std::fabs(volts * amps) > OverPowerMargin * pmax) break;
            if (sweepTimer.CheckAlarm() != 0) return ErrSweepTimeout;
            dac -= step;
            if (dac < 0 || volts >= sweepVoc) break;
        }
    }

    sweepVoc = GetVoc(&error);
    if (error != 0) return error;
    sweepVoc = GetVoc(&error);
    if (error != 0) return error;
    AddTestRecord("Voc aftr Swp", sweepVoc, FailedReading, 0);

    const Decimation_T copied = CopySweptPoints(rawVolts, rawAmps, m, sweepVoc, curve);
    AddTestRecord("Strip k", FailedReading, FailedReading, static_cast<unsigned>(copied.k));
    AddTestRecord("dac Step", FailedReading, FailedReading, static_cast<unsigned>(copied.s));
    const int n = copied.n;

    sweepVoc = GetVoc(&error);
    if (error != 0) return error;
    curve.n = n;
    curve.voc = sweepVoc;
    curve.voltages[n - 1] = sweepVoc;
    curve.currents[n - 1] = 0.0;
    curve.voltages[0] = 0.0;
    curve.currents[0] = isc;
    curve.voltages[1] = voltsAtIsc;
    curve.currents[1] = isc;

    error = SetDac(savedDac);
    measurement.Voltage() = savedVoltage;
    measurement.Current() = savedCurrent;
    return error;
}

}  // namespace VN_Lib
