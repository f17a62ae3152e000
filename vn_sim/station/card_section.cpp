#include "vn_sim/station/card_section.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

int ReadConfig(const TiXmlElement& card, AnalogCardConfig_T* config, std::string* error) {
    if (RequireHex(card, "address", &config->baseAddress, error) != 0) return 1;
    if (config->baseAddress > 0xFFFF - 15) return Fail(card, "address leaves no room for the card's 16 ports", error);
    // Each card its own noise unless told otherwise.
    int seed = static_cast<int>(config->baseAddress);
    double inputOffsetUv = config->inputOffsetVolts * 1e6;
    double inputNoiseUv = config->inputNoiseVolts * 1e6;
    std::vector<double> references(config->referenceVolts, config->referenceVolts + 4);
    if (ReadInt(card, "seed", &seed, error) != 0 || ReadDoubles(card, "references", 4, &references, error) != 0 ||
        ReadDouble(card, "offset_counts", &config->adcOffsetCounts, error) != 0 ||
        ReadDouble(card, "noise_counts", &config->adcNoiseCounts, error) != 0 ||
        ReadDouble(card, "input_offset_uv", &inputOffsetUv, error) != 0 ||
        ReadDouble(card, "input_noise_uv", &inputNoiseUv, error) != 0 ||
        ReadBool(card, "fan_card", &config->fanCard, error) != 0)
        return 1;
    if (seed < 0) return Fail(card, "seed must not be negative", error);
    if (config->adcNoiseCounts < 0.0 || inputNoiseUv < 0.0) return Fail(card, "noise must not be negative", error);
    for (int range = 0; range < 4; ++range) {
        double nominal = 4.0 / std::pow(10.0, range);
        if (std::fabs(references[range] / nominal - 1.0) > 0.05)
            return Fail(card, "references must be within 5 % of 4, 0.4, 0.04 and 0.004 V", error);
        config->referenceVolts[range] = references[range];
    }
    config->seed = static_cast<uint64_t>(seed);
    config->inputOffsetVolts = inputOffsetUv * 1e-6;
    config->inputNoiseVolts = inputNoiseUv * 1e-6;
    if (const char* eeprom = card.Attribute("eeprom")) {
        if (*eeprom == '\0') return Fail(card, "attribute eeprom is empty", error);
        config->eepromPath = eeprom;
    }
    return 0;
}

int ReadChips(const TiXmlElement& card, unsigned base, Station& station, std::string* error) {
    for (const TiXmlElement* chip = card.FirstChildElement(); chip != nullptr; chip = chip->NextSiblingElement()) {
        if (std::strcmp(chip->Value(), "CanChip") != 0)
            return Fail(*chip, "unknown element in Card (expected CanChip)", error);
        int select = -1;
        std::string bus;
        if (RequireInt(*chip, "select", &select, error) != 0 || RequireText(*chip, "bus", &bus, error) != 0) return 1;
        if (!station.HasBus(bus)) return Fail(*chip, "no bus named " + bus + " in CanBusses", error);
        if (station.AttachChip(base, select, bus) != 0)
            return Fail(*chip, "a CAN chip needs a free chip select 0, 1, 4 or 5, not " + std::to_string(select), error);
    }
    return 0;
}

// Every cold-junction sensor of the card reads the card's temperature.
void WireColdJunctions(Station& station, AnalogCard& card, unsigned base) {
    StationModel* model = &station.Model();
    Signal_T signal{Quantity_T::CardTemperature, static_cast<int>(base)};
    for (int sensor = 0; sensor < CardInputs::SensorCount; ++sensor)
        card.SetColdJunctionSource(sensor, [model, signal](double t) { return model->ValueAt(signal, t); });
}

}  // namespace

int ReadCards(const TiXmlElement& root, Station& station, std::string* error) {
    return ReadSectionItems(root, "Cards", "Card", station, [&station](const TiXmlElement& item, std::string* err) {
        AnalogCardConfig_T config;
        if (ReadConfig(item, &config, err) != 0) return 1;
        if (station.AddCard(config) != 0)
            return Fail(item, "the ports of the card at " + HexText(config.baseAddress) + " overlap another device", err);
        double coldJunction = 0.0;
        if (item.Attribute("cold_junction") != nullptr) {
            if (ReadDouble(item, "cold_junction", &coldJunction, err) != 0) return 1;
            station.Model().FixCardTemperature(config.baseAddress, coldJunction);
        }
        WireColdJunctions(station, *station.Card(config.baseAddress), config.baseAddress);
        return ReadChips(item, config.baseAddress, station, err);
    }, error);
}

}  // namespace VN_Sim
