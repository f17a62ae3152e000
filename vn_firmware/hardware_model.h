#ifndef VN_FIRMWARE_HARDWARE_MODEL_H
#define VN_FIRMWARE_HARDWARE_MODEL_H

#include <tinyxml.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analog104.h"
#include "calibration_table.h"
#include "can_bus.h"
#include "controller.h"
#include "curve_type.h"
#include "data_frame.h"
#include "led.h"
#include "load_configuration.h"
#include "measurement.h"
#include "temp_measurement.h"
#include "thermal.h"

namespace VN_Lib {

// The unit's model of its hardware, built from "hw_config.xml": analog cards,
// the CAN buses on them, one load controller per module channel, aux and
// thermocouple inputs, internal temperatures, LEDs and the fans. Everything
// the unit does to its hardware goes through here, addressed by the file's ids.
class Vantrel {
public:
    static constexpr int ErrBadCalType = 400;
    static constexpr int ErrFactoryCopy = 804;

    Vantrel() = default;
    ~Vantrel();
    Vantrel(const Vantrel&) = delete;
    Vantrel& operator=(const Vantrel&) = delete;

    // Empties and refills every map from the document (description texts the
    // document lacks keep their values), then loads the active and the before
    // calibrations. 801 without a root element, else the result of the latter.
    int Initialize(TiXmlDocument& document);

    // A full reference update on every card; 0.
    int CalibrateAnalogCardReferences();
    // One reference step on every card; 0.
    int UpdateAnalogCardReferences();
    // Whether a main-loop pass has hardware to serve (any card at all).
    bool HasPeriodicWork() const { return !cards.empty(); }

    // Round robin: one item of the kind per call, in ascending id order. The
    // result is the item's (its kind's not-found code for an absent id).
    int UpdateNextAuxInputSample();
    int UpdateNextTemperatureSample();
    int UpdateNextHeatSinkTemperatureSample();
    int UpdateNextIntakeTemperatureSample();
    int UpdateNextSupplyTemperatureSample();
    int UpdateNextLoad();

    // Fresh readings on demand: 703 / 702 for an unknown id, else the reading's result.
    int SampleAuxInput(double* value, int id);
    int SampleTemperature(double* value, int id);
    int SampleHeatSinkTemperature(double* value, int id);
    int SampleIntakeTemperature(double* value, int id);
    int SampleSupplyTemperature(double* value, int id);
    // Every input of the kind; the first error stops the pass.
    int SampleModules();
    int SampleAuxInputs();
    int SampleTemperatures();
    int SampleHeatSinkTemperatures();
    // All four passes; 0.
    int SampleAll();

    // Direct channel reads; 601 for an unknown card. The raw read returns the
    // card's conversion status.
    int ReadRawAnalogChannelADC(int* count, int card, int mux, int chan, int gainIndex, unsigned int sampleTime);
    int ReadAnalogChannelADC(int* count, int card, int mux, int chan, unsigned int sampleTime);
    int ReadAnalogChannelVolts(double* volts, int card, int mux, int chan, unsigned int sampleTime);

    // Module loads; 701 for an unknown module.
    int UpdateLoad(int id);
    int SetModuleToVoc(int id);
    // Id 0 resets every module's load configuration.
    int InitializeLoads(int id);
    int SetLoadControlParameters(int id, const LoadConfiguration_T& configuration);
    int SetAllLoadsOff();
    // Sweeps the module into the unit's curve record and rewrites "test_data"
    // with the stage records; 701 for an unknown module, else the sweep's result.
    int TakeIvCurve(int id);
    // Appends the curve record: variant 1 the fixed layout, any other the compact one; 0.
    int GetIvCurveDataRecord(int variant, DataFrame& frame);
    const curve_type& Curve() const { return curve; }

    // Thermal management, every 10 s from the main loop.
    int UpdateThermalManagement();
    double GetMaxHeatsinkTemp() const;
    int CheckHeatsinkTemperature(double heatsinkTemp) { return thermal.CheckHeatsinkTemperature(heatsinkTemp); }
    int UpdateFanSpeed(double heatsinkTemp) { return thermal.UpdateFanSpeed(heatsinkTemp, ModulePowers()); }
    float GetNewFanSpeed(double heatsinkTemp) const { return thermal.GetNewFanSpeed(heatsinkTemp, ModulePowers()); }
    int SetFanSpeed(float percent) { return thermal.SetFanSpeed(percent); }
    const Thermal& ThermalState() const { return thermal; }

    // Calibration factors; 400 for a type other than 10, 20, 30, 40.
    int LoadCalibrationFromFile(int type, CalibrationTable& table);
    int SetCalibrationData(int type, CalibrationTable& table, bool active);
    int LoadActiveCalibrationFromFile(int type);
    int LoadBeforeCalibrationFromFile(int type);
    int LoadAllActiveCalibrations();
    int LoadAllBeforeCalibrations();
    int GetActiveCalibrationData(int type, CalibrationTable& table);
    int SaveCalibrationToFile(int type, const std::string& date, const std::string& serial);
    // One calibration step on the record's channel: 701 / 703 for an unknown
    // module / aux input, 0 for temperature, else the step's result.
    int Calibrate(CalReportRecord& record);
    int CalibrateModuleVoltage(CalReportRecord& record);
    int CalibrateModuleCurrent(CalReportRecord& record);
    int CalibrateAuxInput(CalReportRecord& record);
    // Copies the factory files over the working and the backup files; the
    // factors in use stay until the next load. 0, or 804 when a copy failed.
    int ResetToFactoryCalibration();

    const std::string& Model() const { return model; }
    const std::string& BuildDate() const { return buildDate; }
    const std::string& SerialNumber() const { return serialNumber; }

    std::vector<int> AuxInputIds() const;
    // (id, thermocouple type letter "T", "K", "J" or "Unknown") in ascending id order.
    std::vector<std::pair<int, std::string>> TemperatureTypes() const;
    std::vector<int> ModuleIds() const;

    // Held values in ascending id order, for the sample record.
    std::vector<std::pair<int, double>> TemperatureValues() const;
    std::vector<std::pair<int, double>> AuxInputValues() const;
    struct ModuleValue_T {
        int id;
        double current;
        double voltage;
    };
    std::vector<ModuleValue_T> ModuleValues() const;

    // Lookups by id; nullptr when absent.
    CanBus* FindCanBus(int id);
    Controller* FindModule(int id);
    Measurement* FindAuxInput(int id);

    // The LED with id 0, added as a default (inert) LED when the description has none.
    Led StatusLed();

private:
    using TempMap = std::map<int, TempMeasurement>;

    // Drops every driver in dependency order: loads and inputs, then buses, then cards.
    void ClearHardware();
    void ReadDescription(TiXmlElement& root);
    void ReadCards(TiXmlElement& root);
    void ReadCanBusses(TiXmlElement& root);
    void ReadFans(TiXmlElement& root);
    void ReadAuxInputs(TiXmlElement& root);
    void ReadTemperatures(TiXmlElement* section, const char* name, TempMap* inputs);
    void ReadModuleChannels(TiXmlElement& root);
    void ReadModuleChannel(TiXmlElement& channel);
    void ReadLeds(TiXmlElement& root);

    Analog104* FindCard(int id);
    static int SampleTemp(TempMap& inputs, double* value, int id, unsigned int sampleTime);
    static int SampleTemps(TempMap& inputs, unsigned int sampleTime);
    std::vector<ModulePower_T> ModulePowers() const;
    // Channels of a calibration type in ascending id: module voltage or current, aux inputs.
    std::vector<std::pair<int, Measurement*>> CalibrationChannels(int type);

    std::map<int, std::unique_ptr<Controller>> modules;
    std::map<int, Measurement> auxInputs;
    TempMap temperatures;
    TempMap heatSinkTemperatures;
    TempMap intakeTemperatures;
    TempMap supplyTemperatures;
    std::map<int, std::unique_ptr<CanBus>> canBuses;
    std::string model;
    std::string buildDate;
    std::string serialNumber;
    std::map<int, std::unique_ptr<Analog104>> cards;
    std::map<int, Led> leds;
    Thermal thermal;
    curve_type curve;
    unsigned int temperatureSampleTime = 16667;
    unsigned int auxSampleTime = 16667;
    unsigned int internalSampleTime = 100;

    // Next id of each round robin: members, not statics, so each model starts from 0.
    int nextAuxInput = 0;
    int nextTemperature = 0;
    int nextHeatSink = 0;
    int nextIntake = 0;
    int nextSupply = 0;
    int nextLoad = 0;
};

}  // namespace VN_Lib

#endif
