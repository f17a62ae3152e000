// Reads the default station's four modules through the analog card driver,
// then drives module 1's load over CAN (open circuit, a voltage set-point,
// towards short circuit), printing each reading next to the station's
// ground truth when the simulation provides it (sim_truth.xml). Run it in
// a station folder: station_probe [module]

#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "analog104.h"
#include "can_bus.h"
#include "platform.h"

namespace {

// Wiring of the default station: module m on card 0x300, mux m, voltage on
// chan 0 through a 1:10 divider, current on chan 1 through a 0.01 ohm shunt.
const int ModuleCard = 0x300;
const int CanInterface = 0;
const int ModuleCount = 4;
const double DividerGain = 0.1;
const double ShuntGain = 0.01;
const double LoadVmax = 50.0;
const unsigned AveragingUs = 16667;
const char* const TruthFileName = "sim_truth.xml";
// The truth file is rewritten at most every 200 ms while inputs are read.
const useconds_t TruthRefreshUs = 250000;

struct Truth_T {
    bool known = false;
    double voltage = 0.0;
    double current = 0.0;
    double voc = 0.0;
    double isc = 0.0;
    int dac = 0;
};

Truth_T ReadTruth(int module) {
    Truth_T truth;
    TiXmlDocument document(TruthFileName);
    if (!document.LoadFile() || document.RootElement() == nullptr) return truth;
    for (TiXmlElement* m = document.RootElement()->FirstChildElement("Module"); m != nullptr;
         m = m->NextSiblingElement("Module")) {
        int id = 0;
        if (m->QueryIntAttribute("id", &id) != TIXML_SUCCESS || id != module) continue;
        truth.known = m->QueryDoubleAttribute("voltage", &truth.voltage) == TIXML_SUCCESS &&
                      m->QueryDoubleAttribute("current", &truth.current) == TIXML_SUCCESS &&
                      m->QueryDoubleAttribute("voc", &truth.voc) == TIXML_SUCCESS &&
                      m->QueryDoubleAttribute("isc", &truth.isc) == TIXML_SUCCESS &&
                      m->QueryIntAttribute("dac", &truth.dac) == TIXML_SUCCESS;
    }
    return truth;
}

void PrintModule(VN_Lib::Analog104& card, int module, const char* label) {
    // Read once, let the truth catch up, read again: the second reading and
    // the truth belong to the same moment within a few tens of milliseconds.
    card.Auto_Read_Volts(module, 0, 100, nullptr);
    usleep(TruthRefreshUs);
    double volts = card.Auto_Read_Volts(module, 0, AveragingUs, nullptr) / DividerGain;
    double amps = card.Auto_Read_Volts(module, 1, AveragingUs, nullptr) / ShuntGain;
    Truth_T truth = ReadTruth(module);
    std::printf("module %d %-22s read %8.3f V %7.3f A", module, label, volts, amps);
    if (truth.known)
        std::printf("   truth %8.3f V %7.3f A (Voc %.3f V, Isc %.3f A, DAC %d)", truth.voltage, truth.current,
                    truth.voc, truth.isc, truth.dac);
    std::printf("\n");
}

int SendDac(VN_Lib::CanBus& bus, int address, unsigned dac) {
    char data[2] = {static_cast<char>((dac >> 8) & 0xFF), static_cast<char>(dac & 0xFF)};
    unsigned short id = static_cast<unsigned short>(0x4000 + (address & 0xF) * 256);
    int result = bus.SendThreadSafeStandardMessage(id, 2, data);
    if (result != 0) std::fprintf(stderr, "station_probe: DAC message to load %d failed: %d\n", address, result);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    int probed = argc > 1 ? std::atoi(argv[1]) : 1;
    if (probed < 1 || probed > ModuleCount) {
        std::fprintf(stderr, "usage: station_probe [module 1..%d]\n", ModuleCount);
        return 2;
    }
    if (VN_Lib::InitPlatform("vn_firmware") != 0) return 1;
    VN_Lib::Analog104 card(ModuleCard);
    card.Initialize(true);
    VN_Lib::CanBus bus;
    int result = bus.Initialize(&card, CanInterface);
    if (result != 0) {
        std::fprintf(stderr, "station_probe: CAN interface %d on card 0x%x: error %d\n", CanInterface, ModuleCard,
                     result);
        return 1;
    }

    std::printf("Modules as the loads hold them now:\n");
    for (int m = 1; m <= ModuleCount; ++m) PrintModule(card, m, "");

    std::printf("\nModule %d driven through its load (DAC = 32768 - V x 32768 / %.0f):\n", probed, LoadVmax);
    // Open circuit, two voltage set-points, then past 0 V towards short circuit.
    const double setPoints[] = {30.0, 20.0};
    unsigned steps[6] = {0, 0, 0, 40000, 65535, 0};
    for (int i = 0; i < 2; ++i) steps[i + 1] = static_cast<unsigned>(32768 - setPoints[i] * 32768 / LoadVmax);
    for (unsigned dac : steps) {
        if (SendDac(bus, probed, dac) != 0) return 1;
        char label[32];
        std::snprintf(label, sizeof(label), "DAC %u", dac);
        PrintModule(card, probed, label);
    }
    return 0;
}
