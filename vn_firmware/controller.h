#ifndef VN_FIRMWARE_CONTROLLER_H
#define VN_FIRMWARE_CONTROLLER_H

#include <vector>

#include "control_config.h"
#include "curve_type.h"
#include "iv_measurement.h"
#include "load_configuration.h"
#include "load_controller.h"
#include "long_timer.h"
#include "drift_guarded_tracker.h"

namespace VN_Lib {

class CanBus;

// The unit-side controller of one module's electronic load: the module's
// voltage and current measurements, its ratings, the load configuration the
// controller program chose, and the control loop that holds the module at its
// maximum power point, at a fixed voltage or at open circuit, one step per
// call of UpdateLoad. Error holders are plain ints (0 = success).
class Controller {
public:
    static constexpr int ErrNegativeVoc = 110;
    static constexpr int ErrOverPower = PowerTracker::ErrOverPower;
    static constexpr double FailedReading = -999.0;
    // Open circuit after an over-power event, before control resumes.
    static constexpr unsigned long OverPowerHoldMs = 20000;
    // Settling of the load after a jump to open or short circuit.
    static constexpr unsigned SettleMs = 10;
    static constexpr int MaxAverageUsec = 1000000;

    // Takes the ratings, the bus and the load address, resets the
    // configuration to the defaults, measures Voc, runs the tracker briefly
    // and leaves the load at open circuit. The error of the last Voc reading.
    int Initialize(CanBus* bus, const ControlConfigType& ratings);

    static LoadConfiguration_T GetDefaultLoadConfiguration();
    // Clamps every field into its valid range. When the mode in force is not
    // fixed voltage, the fixed-voltage loop is marked to start afresh.
    LoadConfiguration_T ValidateLoadConfiguration(LoadConfiguration_T config);
    // Validates and stores; 0.
    int SetLoadParameters(LoadConfiguration_T config);
    const LoadConfiguration_T& GetLoadConfiguration() const { return configuration; }
    // Ends an over-power hold and restores the default configuration; 0.
    int InitializeLoad();

    int SetDac(unsigned int value);
    int SetToVoc();
    int SetToIsc();
    static int LimitDac(int value);
    int VoltsToDac(double volts) const;

    // One voltage and current reading over the configured average period.
    int SampleModule();
    // Voltage only; raises the Voc estimate when it is exceeded.
    double GetModuleVoltage(int* error);
    // Open circuit, 10 ms settling, one reading: the new Voc estimate.
    // FailedReading with the error when the load or the reading fails, or
    // with ErrNegativeVoc for a negative voltage.
    double GetVoc(int* error);
    // Short circuit, 10 ms settling, one current reading; FailedReading on error.
    // The load is left at short circuit.
    double GetIsc(int* error);

    // One tracking step from the last readings, or a fresh start at 55 % of Voc.
    int PowerTrack(bool reset);
    // One step of the fixed-voltage loop from the last readings.
    int UpdateLoadVoltage();
    // One control step by mode, with the over-power hold.
    int UpdateLoad();
    void SetAveragePeriod(unsigned int usec);

    // I-V sweep from short to open circuit into curve; 0 or an error code
    // (ErrNoLight, ErrSweepTimeout, ErrNegativeIsc or a reading's error).
    int TakeIvCurve(curve_type& curve);
    static constexpr int ErrNoLight = 111;
    static constexpr int ErrSweepTimeout = 260;
    static constexpr int ErrNegativeIsc = 320;
    static void ClearTestData(CurveTest_T& record);
    // The stage records of the last sweep.
    const std::vector<CurveTest_T>& TestData() const { return testData; }
    // DAC counts per sweep point: about 200 points up to voc, at least 4.
    static int SweepStep(double voc, double vmax);
    // Fast-phase settling after a point: longer the less the voltage moved.
    static unsigned SettlingWaitMs(double previousVolts, double volts, int step);
    // Every s-th raw point from k to m fills at most 295 curve places.
    static int DecimationStep(int m, int k);
    // Raw points are stored from index 2 up to m (exclusive); fills curve
    // place 2 with the first of them and places 3.. with every s-th from the
    // first point clearly above it (k). Returns the next free curve place.
    struct Decimation_T {
        int k = 0;
        int s = 0;
        int n = 0;
    };
    static Decimation_T CopySweptPoints(const std::vector<double>& rawVolts, const std::vector<double>& rawAmps, int m,
                                        double voc, curve_type& curve);

    // A calibration step on the module's voltage ("V") or current ("A") input.
    int CalibrateModuleVoltage(CalReportRecord& record);
    int CalibrateModuleCurrent(CalReportRecord& record);

    IV_Measurement& ModuleMeasurement() { return measurement; }
    const IV_Measurement& ModuleMeasurement() const { return measurement; }
    LoadController& Load() { return load; }
    const ControlConfigType& Ratings() const { return ratings; }
    double Voc() const { return voc; }
    bool InOverPowerHold() const { return overPowerHold != 0; }
    const PowerTracker& Tracker() const { return tracker.Plain(); }
    const DriftGuardedTracker& GuardedTracker() const { return tracker; }
    // Drift protection of the tracker (on when built); off runs the plain
    // perturb and observe, step for step.
    void SetDriftGuard(bool on) { tracker.SetGuard(on); }

private:
    // GetVoc, then a fresh reading at open circuit (the values the unit reports).
    int MeasureOpenCircuit();
    void RaiseVoc(double volts);
    double ModuleVoltage() const;
    double ModuleCurrent() const;
    void AddTestRecord(const char* label, double value1, double value2, unsigned count);
    // What the sweep last selected on a card's front end: re-selecting the
    // same input needs no settling wait.
    struct FrontEnd_T {
        const Analog104* card = nullptr;
        int gain = -1;
        int mux = -1;
        int chan = -1;
    };
    // One fast reading of an input at a given gain, selected here: the card
    // keeps one input selected, and voltage and current share it.
    int ReadInputFast(const Measurement& input, int gain, FrontEnd_T& selected, double* value);

    IV_Measurement measurement;
    LoadController load;
    int previousMode = 0;
    int overPowerHold = 0;
    LongTimer holdTimer;
    ControlConfigType ratings;
    double voc = 0.0;
    LoadConfiguration_T configuration;
    // 0: the fixed-voltage loop starts from VoltsToDac(set-point).
    double voltageModeDac = 0.0;
    DriftGuardedTracker tracker;
    std::vector<CurveTest_T> testData;
};

}  // namespace VN_Lib

#endif
