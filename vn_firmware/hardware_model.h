#ifndef VN_FIRMWARE_HARDWARE_MODEL_H
#define VN_FIRMWARE_HARDWARE_MODEL_H

#include <tinyxml.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "can_bus.h"
#include "led.h"
#include "load_configuration.h"

namespace VN_Lib {

// The unit's model of its hardware, built from "hw_config.xml". It holds the
// unit's description and LEDs; cards, buses, loads and inputs join it with the
// drivers that reach them, and until then every id lookup finds nothing.
class Vantrel {
public:
    // 801 when the document has no root element.
    int Initialize(TiXmlDocument& document);

    const std::string& Model() const { return model; }
    const std::string& BuildDate() const { return buildDate; }
    const std::string& SerialNumber() const { return serialNumber; }

    std::vector<int> AuxInputIds() const;
    // (id, thermocouple type letter "T", "K", "J" or "Unknown") in ascending id order.
    std::vector<std::pair<int, std::string>> TemperatureTypes() const;
    std::vector<int> ModuleIds() const;

    // Present values in ascending id order, for the sample record.
    std::vector<std::pair<int, double>> TemperatureValues() const;
    std::vector<std::pair<int, double>> AuxInputValues() const;
    // (id, current A, voltage V) per module.
    struct ModuleValue_T {
        int id;
        double current;
        double voltage;
    };
    std::vector<ModuleValue_T> ModuleValues() const;

    int SampleAll();
    int SampleTemperature(double* value, int id);
    int SampleAuxInput(double* value, int id);
    int ReadRawAnalogChannelADC(int* count, int card, int mux, int chan, int gainIndex, unsigned int sampleTime);
    int ReadAnalogChannelADC(int* count, int card, int mux, int chan, unsigned int sampleTime);
    int ReadAnalogChannelVolts(double* volts, int card, int mux, int chan, unsigned int sampleTime);
    int InitializeLoads(int id);
    int SetLoadControlParameters(int id, const LoadConfiguration_T& configuration);
    int SetAllLoadsOff();
    int TakeIvCurve(int id);

    // The bus with that id, or nullptr.
    CanBus* FindCanBus(int id);

    // The LED with id 0, added as a default (inert) LED when the description has none.
    Led StatusLed();

private:
    std::string model;
    std::string buildDate;
    std::string serialNumber;
    std::map<int, Led> leds;
};

}  // namespace VN_Lib

#endif
