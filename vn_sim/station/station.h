#ifndef VN_SIM_STATION_STATION_H
#define VN_SIM_STATION_STATION_H

#include <tinyxml.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_dac_listener.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/station/led_bank.h"
#include "vn_sim/station/station_model.h"

namespace VN_Sim {

// A CAN bus of the station: its wire folder (shared by every process on the
// bus; empty keeps it in this process) and the oscillator of its chips.
struct BusSettings_T {
    std::string name;
    std::string folder;
    double oscillatorHz = CanChip::DefaultOscillatorHz;
};

// A serial line one of this program's COM ports is wired to: its name and
// the folder every end of it shares.
struct SerialLineSettings_T {
    std::string name;
    std::string folder;
};

// The part of the simulated station that one program installs: the physics
// model and the devices on this program's ports. The section readers fill it
// in; Map() puts it on the port space. Devices die before the wires they sit
// on, and everything before the model their inputs read.
class Station {
public:
    static const char* const DefaultProgram;  // "vn_firmware"

    Station(const std::string& program, std::unique_ptr<StationModel> model);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    const std::string& Program() const { return program; }
    StationModel& Model() { return *model; }

    // Whether an item is this program's: its own program attribute, else its
    // section's, else DefaultProgram. 1 with *error for an empty attribute.
    int BelongsHere(const TiXmlElement& item, const TiXmlElement& section, bool* here, std::string* error) const;

    // 1 for a name given twice.
    int AddBus(const BusSettings_T& bus);
    bool HasBus(const std::string& name) const { return buses.count(name) != 0; }
    // The bus's wire in this process, made on first use; nullptr for an unknown bus.
    std::shared_ptr<CanWire> Wire(const std::string& bus);
    // Starts the loads' listener on the bus (once).
    void ListenForDacs(const std::string& bus);

    // 1 when the ports overlap a device already added.
    int AddCard(const AnalogCardConfig_T& config);
    // nullptr when this program has no card there.
    std::shared_ptr<AnalogCard> Card(unsigned base) const;
    // A controller chip on the bus at chip select 0, 1, 4 or 5; 1 otherwise.
    int AttachChip(unsigned cardBase, int select, const std::string& bus);
    // Claims an input of a card for one sensor; 1 when it is wired already.
    int ClaimInput(unsigned cardBase, int mux, int chan);
    int AddLedBank(unsigned base);
    std::shared_ptr<LedBank> Leds(unsigned base) const;

    // Wires COM port 1 or 2 to a line; 1 when the port is wired already.
    int AddSerialLine(int com, const SerialLineSettings_T& line);
    // False when the port is not wired to a line.
    bool SerialLine(int com, SerialLineSettings_T* line) const;

    // Maps every device; 1 with *error when a port range is taken already.
    int Map(std::string* error);

    // Ground truth for tests.
    std::shared_ptr<CanChip> Chip(unsigned cardBase, int select) const;
    const std::map<unsigned, std::shared_ptr<AnalogCard>>& Cards() const { return cards; }

private:
    // 1 when [base, base + count) meets a range already claimed.
    int Claim(unsigned base, unsigned count);

    std::string program;
    std::unique_ptr<StationModel> model;
    std::map<std::string, BusSettings_T> buses;                   // keyed by bus name
    std::map<std::string, std::shared_ptr<CanWire>> wires;    // keyed by bus name
    std::map<unsigned, unsigned> claimed;                     // base -> port count
    std::map<unsigned, std::shared_ptr<AnalogCard>> cards;    // keyed by base address
    std::set<std::tuple<unsigned, int, int>> wiredInputs;     // (card base, mux, chan)
    std::set<unsigned> fanCards;                              // their ports also feed the thermal model
    std::map<std::pair<unsigned, int>, std::shared_ptr<CanChip>> chips;  // (card base, select)
    std::map<std::string, std::unique_ptr<CanDacListener>> listeners;   // keyed by bus name
    std::map<unsigned, std::shared_ptr<LedBank>> ledBanks;    // keyed by base address
    std::map<int, SerialLineSettings_T> serialLines;          // keyed by COM port number
};

}  // namespace VN_Sim

#endif
