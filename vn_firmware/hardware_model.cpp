#include "hardware_model.h"

#include <cstdio>

#include "sys_error.h"

namespace VN_Lib {

namespace {

// A missing element keeps the old value; an empty one clears it.
void ReadChildText(TiXmlElement* parent, const char* name, std::string* value) {
    TiXmlElement* child = parent->FirstChildElement(name);
    if (child == nullptr) return;
    const char* text = child->GetText();
    *value = text != nullptr ? text : "";
}

}  // namespace

int Vantrel::Initialize(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ERR_NO_ROOT_ELEMENT;

    if (TiXmlElement* description = root->FirstChildElement("Description")) {
        ReadChildText(description, "Model", &model);
        ReadChildText(description, "BuildDate", &buildDate);
        ReadChildText(description, "SerialNumber", &serialNumber);
    }

    leds.clear();
    if (TiXmlElement* ledsElement = root->FirstChildElement("Leds")) {
        for (TiXmlElement* e = ledsElement->FirstChildElement("Led"); e != nullptr; e = e->NextSiblingElement("Led")) {
            int id = -1;
            int bit = -1;
            unsigned int address = 0;
            e->QueryIntAttribute("id", &id);
            e->QueryIntAttribute("bit", &bit);
            const char* addressText = e->Attribute("io_address");
            if (addressText != nullptr) std::sscanf(addressText, "%x", &address);
            if (id >= 0) leds.emplace(id, Led(static_cast<int>(address), bit));
        }
    }
    return 0;
}

std::vector<int> Vantrel::AuxInputIds() const { return {}; }
std::vector<std::pair<int, std::string>> Vantrel::TemperatureTypes() const { return {}; }
std::vector<int> Vantrel::ModuleIds() const { return {}; }
std::vector<std::pair<int, double>> Vantrel::TemperatureValues() const { return {}; }
std::vector<std::pair<int, double>> Vantrel::AuxInputValues() const { return {}; }
std::vector<Vantrel::ModuleValue_T> Vantrel::ModuleValues() const { return {}; }

int Vantrel::SampleAll() { return 0; }
int Vantrel::SampleTemperature(double*, int) { return ERR_UNKNOWN_TEMPERATURE; }
int Vantrel::SampleAuxInput(double*, int) { return ERR_UNKNOWN_AUX_INPUT; }
int Vantrel::ReadRawAnalogChannelADC(int*, int, int, int, int, unsigned int) { return ERR_UNKNOWN_CARD; }
int Vantrel::ReadAnalogChannelADC(int*, int, int, int, unsigned int) { return ERR_UNKNOWN_CARD; }
int Vantrel::ReadAnalogChannelVolts(double*, int, int, int, unsigned int) { return ERR_UNKNOWN_CARD; }
int Vantrel::InitializeLoads(int id) { return id == 0 ? 0 : ERR_UNKNOWN_MODULE; }
int Vantrel::SetLoadControlParameters(int, const LoadConfiguration_T&) { return ERR_UNKNOWN_MODULE; }
int Vantrel::SetAllLoadsOff() { return 0; }
int Vantrel::TakeIvCurve(int) { return ERR_UNKNOWN_MODULE; }
CanBus* Vantrel::FindCanBus(int) { return nullptr; }

Led Vantrel::StatusLed() {
    auto it = leds.find(0);
    if (it == leds.end()) it = leds.emplace(0, Led()).first;
    return it->second;
}

}  // namespace VN_Lib
