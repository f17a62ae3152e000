// Building the hardware model from the elements of "hw_config.xml".
#include <cstdio>

#include "hardware_model.h"
#include "sys_error.h"

namespace VN_Lib {

namespace {

int IntAttribute(const TiXmlElement& element, const char* name, int fallback) {
    int value = fallback;
    element.QueryIntAttribute(name, &value);
    return value;
}

double RealAttribute(const TiXmlElement& element, const char* name, double fallback) {
    double value = fallback;
    element.QueryDoubleAttribute(name, &value);
    return value;
}

// I/O addresses are written in hexadecimal without a prefix ("300" is 0x300).
// False when the attribute is missing or no I/O port: a device must never be
// driven at a port nobody named.
bool HexAttribute(const TiXmlElement& element, const char* name, int* value) {
    unsigned int address = 0;
    const char* text = element.Attribute(name);
    if (text == nullptr || std::sscanf(text, "%x", &address) != 1 || address == 0 || address > 0xFFFF) return false;
    *value = static_cast<int>(address);
    return true;
}

// A missing element keeps the old value; an empty one clears it.
void ReadChildText(TiXmlElement& parent, const char* name, std::string* value) {
    TiXmlElement* child = parent.FirstChildElement(name);
    if (child == nullptr) return;
    const char* text = child->GetText();
    *value = text != nullptr ? text : "";
}

}  // namespace

int Vantrel::Initialize(TiXmlDocument& document) {
    internalSampleTime = 100;
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ERR_NO_ROOT_ELEMENT;

    // Loads and inputs point at buses and cards: they go first, whatever the
    // order in which the sections are read back.
    ClearHardware();
    ReadDescription(*root);
    ReadCards(*root);
    ReadCanBusses(*root);
    ReadFans(*root);
    ReadAuxInputs(*root);
    ReadTemperatures(root->FirstChildElement("Temperatures"), "Temperature", &temperatures);
    ReadModuleChannels(*root);
    TiXmlElement* internal = root->FirstChildElement("InternalMeasurements");
    ReadTemperatures(internal, "HeatSinkTemperature", &heatSinkTemperatures);
    ReadTemperatures(internal, "IntakeTemperature", &intakeTemperatures);
    ReadTemperatures(internal, "SupplyTemperature", &supplyTemperatures);
    ReadLeds(*root);

    temperatureSampleTime = 16667;
    auxSampleTime = 16667;
    LoadAllActiveCalibrations();
    return LoadAllBeforeCalibrations();
}

void Vantrel::ClearHardware() {
    modules.clear();
    auxInputs.clear();
    temperatures.clear();
    heatSinkTemperatures.clear();
    intakeTemperatures.clear();
    supplyTemperatures.clear();
    thermal.SetFanCard(nullptr);
    canBuses.clear();
    cards.clear();
    leds.clear();
}

void Vantrel::ReadDescription(TiXmlElement& root) {
    TiXmlElement* description = root.FirstChildElement("Description");
    if (description == nullptr) return;
    ReadChildText(*description, "Model", &model);
    ReadChildText(*description, "BuildDate", &buildDate);
    ReadChildText(*description, "SerialNumber", &serialNumber);
}

void Vantrel::ReadCards(TiXmlElement& root) {
    TiXmlElement* section = root.FirstChildElement("Cards");
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement("Card"); e != nullptr; e = e->NextSiblingElement("Card")) {
        int id = IntAttribute(*e, "id", 0);
        int address = 0;
        if (cards.count(id) == 0 && HexAttribute(*e, "address", &address)) {
            cards.emplace(id, std::make_unique<Analog104>(address));
        }
    }
    for (auto& card : cards) card.second->Initialize(true);
}

void Vantrel::ReadCanBusses(TiXmlElement& root) {
    TiXmlElement* section = root.FirstChildElement("CAN_Busses");
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement("Bus"); e != nullptr; e = e->NextSiblingElement("Bus")) {
        int id = IntAttribute(*e, "id", 0);
        Analog104* card = FindCard(IntAttribute(*e, "card", 0));
        if (card == nullptr || canBuses.count(id) != 0) continue;
        auto bus = std::make_unique<CanBus>();
        bus->Initialize(card, IntAttribute(*e, "chan", 0));
        canBuses.emplace(id, std::move(bus));
    }
}

void Vantrel::ReadFans(TiXmlElement& root) {
    TiXmlElement* fans = root.FirstChildElement("Fans");
    if (fans == nullptr) return;
    Analog104* card = FindCard(IntAttribute(*fans, "card", 0));
    if (card != nullptr) thermal.SetFanCard(card);
}

void Vantrel::ReadAuxInputs(TiXmlElement& root) {
    TiXmlElement* section = root.FirstChildElement("AuxInputs");
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement("AuxInput"); e != nullptr;
         e = e->NextSiblingElement("AuxInput")) {
        Analog104* card = FindCard(IntAttribute(*e, "card", 0));
        if (card == nullptr) continue;
        Measurement& input = auxInputs[IntAttribute(*e, "id", 0)];
        input.Initialize(card, IntAttribute(*e, "mux", 0), IntAttribute(*e, "chan", 0), 1.0);
    }
}

void Vantrel::ReadTemperatures(TiXmlElement* section, const char* name, TempMap* inputs) {
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement(name); e != nullptr; e = e->NextSiblingElement(name)) {
        Analog104* card = FindCard(IntAttribute(*e, "card", 0));
        if (card == nullptr) continue;
        TempMeasurement& input = (*inputs)[IntAttribute(*e, "id", 0)];
        input.Initialize(card, IntAttribute(*e, "mux", 0), IntAttribute(*e, "chan", 0), 1.0);
        const char* type = e->Attribute("type");
        input.SetType(type != nullptr ? type[0] : 'T');
    }
}

void Vantrel::ReadModuleChannels(TiXmlElement& root) {
    TiXmlElement* section = root.FirstChildElement("ModuleChannels");
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement("Channel"); e != nullptr; e = e->NextSiblingElement("Channel")) {
        ReadModuleChannel(*e);
    }
}

void Vantrel::ReadModuleChannel(TiXmlElement& channel) {
    CanBus* bus = FindCanBus(IntAttribute(channel, "canbus", -1));
    if (bus == nullptr) return;
    int id = IntAttribute(channel, "id", 0);
    ControlConfigType ratings;
    ratings.vmax = RealAttribute(channel, "vmax", 1.0);
    ratings.imax = RealAttribute(channel, "imax", 1.0);
    ratings.pmax = RealAttribute(channel, "pmax", 1.0);
    ratings.vmax_at = RealAttribute(channel, "vmax_at", 5.0);
    ratings.imax_at = RealAttribute(channel, "imax_at", 0.05);
    ratings.address = IntAttribute(channel, "address", 1);

    // The measurements are set up before the load is initialised, so that its
    // first Voc reading and tracking steps see the module.
    auto controller = std::make_unique<Controller>();
    // Our own switch: drift_guard="0" runs the plain tracker, for comparison.
    controller->SetDriftGuard(IntAttribute(channel, "drift_guard", 1) != 0);
    IV_Measurement& measurement = controller->ModuleMeasurement();
    Analog104* voltageCard = FindCard(IntAttribute(channel, "vcard", 0));
    Analog104* currentCard = FindCard(IntAttribute(channel, "icard", 0));
    if (voltageCard != nullptr) {
        measurement.Voltage().Initialize(voltageCard, IntAttribute(channel, "vmux", 0),
                                         IntAttribute(channel, "vchan", 0), 1.0);
    }
    if (currentCard != nullptr) {
        measurement.Current().Initialize(currentCard, IntAttribute(channel, "imux", 0),
                                         IntAttribute(channel, "ichan", 0), 1.0);
    }
    controller->Initialize(bus, ratings);
    // A channel without both cards cannot be measured: it is dropped (its load
    // has been left at open circuit by the initialisation).
    if (voltageCard == nullptr || currentCard == nullptr) return;
    modules[id] = std::move(controller);
}

void Vantrel::ReadLeds(TiXmlElement& root) {
    TiXmlElement* section = root.FirstChildElement("Leds");
    if (section == nullptr) return;
    for (TiXmlElement* e = section->FirstChildElement("Led"); e != nullptr; e = e->NextSiblingElement("Led")) {
        int id = IntAttribute(*e, "id", -1);
        int address = 0;
        if (id >= 0 && HexAttribute(*e, "io_address", &address)) leds[id] = Led(address, IntAttribute(*e, "bit", -1));
    }
}

}  // namespace VN_Lib
