#include "vn_sim/station/station.h"

#include <cstdio>
#include <utility>

#include "vn_sim/port_space.h"
#include "vn_sim/station/fan_card_ports.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

// The wire folder "a/b/name" is the link folder "a/b" and the wire "name".
void SplitFolder(const std::string& folder, std::string* linkFolder, std::string* wireName) {
    size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) {
        *linkFolder = ".";
        *wireName = folder;
    } else {
        *linkFolder = slash == 0 ? "/" : folder.substr(0, slash);
        *wireName = folder.substr(slash + 1);
    }
}

std::string Hex(unsigned base) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", base);
    return text;
}

}  // namespace

const char* const Station::DefaultProgram = "vn_firmware";

Station::Station(const std::string& programName, std::unique_ptr<StationModel> stationModel)
    : program(programName), model(std::move(stationModel)) {}

Station::~Station() {
    // Listeners and chips leave their wires before the wires go.
    listeners.clear();
    chips.clear();
    cards.clear();
    wires.clear();
}

int Station::BelongsHere(const TiXmlElement& item, const TiXmlElement& section, bool* here,
                         std::string* error) const {
    const char* owner = item.Attribute("program");
    const TiXmlElement* where = &item;
    if (owner == nullptr) {
        owner = section.Attribute("program");
        where = &section;
    }
    if (owner == nullptr) owner = DefaultProgram;
    if (*owner == '\0') return Fail(*where, "attribute program is empty", error);
    *here = program == owner;
    return 0;
}

int Station::AddBus(const BusSettings_T& bus) {
    if (buses.count(bus.name) != 0) return 1;
    buses[bus.name] = bus;
    return 0;
}

std::shared_ptr<CanWire> Station::Wire(const std::string& bus) {
    auto existing = wires.find(bus);
    if (existing != wires.end()) return existing->second;
    auto settings = buses.find(bus);
    if (settings == buses.end()) return nullptr;
    std::string linkFolder;
    std::string wireName = bus;
    if (!settings->second.folder.empty()) SplitFolder(settings->second.folder, &linkFolder, &wireName);
    // The fault file sits in the program's own folder: it breaks this
    // program's frames only, e.g. one unit's replies on a shared bus.
    auto wire = std::make_shared<CanWire>(wireName, linkFolder, "can_fault_" + bus);
    wires[bus] = wire;
    return wire;
}

void Station::ListenForDacs(const std::string& bus) {
    if (listeners.count(bus) != 0) return;
    std::shared_ptr<CanWire> wire = Wire(bus);
    if (!wire) return;
    StationModel* physics = model.get();
    listeners[bus] = std::make_unique<CanDacListener>(
        wire, [physics, bus](int address, unsigned dac) { physics->ApplyDac(bus, address, dac); });
}

int Station::Claim(unsigned base, unsigned count) {
    for (const auto& range : claimed) {
        if (base < range.first + range.second && range.first < base + count) return 1;
    }
    claimed[base] = count;
    return 0;
}

int Station::AddCard(const AnalogCardConfig_T& config) {
    if (Claim(config.baseAddress, AnalogCard::PortCount) != 0) return 1;
    cards[config.baseAddress] = std::make_shared<AnalogCard>(config);
    if (config.fanCard) fanCards.insert(config.baseAddress);
    return 0;
}

std::shared_ptr<AnalogCard> Station::Card(unsigned base) const {
    auto found = cards.find(base);
    return found == cards.end() ? nullptr : found->second;
}

int Station::AttachChip(unsigned cardBase, int select, const std::string& bus) {
    std::shared_ptr<AnalogCard> card = Card(cardBase);
    std::shared_ptr<CanWire> wire = Wire(bus);
    if (!card || !wire || chips.count({cardBase, select}) != 0) return 1;
    auto chip = std::make_shared<CanChip>(wire, buses[bus].oscillatorHz);
    if (card->AttachSpiDevice(select, chip) != 0) return 1;
    chips[{cardBase, select}] = chip;
    return 0;
}

std::shared_ptr<CanChip> Station::Chip(unsigned cardBase, int select) const {
    auto found = chips.find({cardBase, select});
    return found == chips.end() ? nullptr : found->second;
}

int Station::ClaimInput(unsigned cardBase, int mux, int chan) {
    return wiredInputs.insert(std::make_tuple(cardBase, mux, chan)).second ? 0 : 1;
}

int Station::AddLedBank(unsigned base) {
    if (Claim(base, LedBank::PortCount) != 0) return 1;
    ledBanks[base] = std::make_shared<LedBank>(base);
    return 0;
}

std::shared_ptr<LedBank> Station::Leds(unsigned base) const {
    auto found = ledBanks.find(base);
    return found == ledBanks.end() ? nullptr : found->second;
}

int Station::AddSerialLine(int com, const SerialLineSettings_T& line) {
    return serialLines.emplace(com, line).second ? 0 : 1;
}

bool Station::SerialLine(int com, SerialLineSettings_T* line) const {
    auto found = serialLines.find(com);
    if (found == serialLines.end()) return false;
    *line = found->second;
    return true;
}

int Station::Map(std::string* error) {
    PortSpace& ports = PortSpace::Instance();
    for (const auto& card : cards) {
        std::shared_ptr<PortDevice> device = card.second;
        if (fanCards.count(card.first) != 0) device = std::make_shared<FanCardPorts>(card.second, model.get());
        if (ports.Map(card.first, AnalogCard::PortCount, device) != 0) {
            *error = "the ports of the card at " + Hex(card.first) + " are taken by another device";
            return 1;
        }
    }
    for (const auto& bank : ledBanks) {
        if (ports.Map(bank.first, LedBank::PortCount, bank.second) != 0) {
            *error = "the ports of the LED bank at " + Hex(bank.first) + " are taken by another device";
            return 1;
        }
    }
    return 0;
}

}  // namespace VN_Sim
