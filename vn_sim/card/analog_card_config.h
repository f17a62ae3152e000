#ifndef VN_SIM_CARD_ANALOG_CARD_CONFIG_H
#define VN_SIM_CARD_ANALOG_CARD_CONFIG_H

#include <cstdint>
#include <string>

namespace VN_Sim {

// What one simulated analog card is like. The defaults are a typical card:
// references a few hundredths of a percent off their nominal 4.0/0.4/0.04/
// 0.004 V, a few counts of zero offset, about half a count of noise.
struct AnalogCardConfig_T {
    unsigned baseAddress = 0x300;
    uint64_t seed = 1;

    // True volts of the references on mux 0, chan 3..6 (ranges 0..3).
    double referenceVolts[4] = {4.0012, 0.39985, 0.040018, 0.0039972};
    // Offset and noise of the converter itself (counts) and of the input
    // amplifier (volts at the input, so they grow with the gain).
    double adcOffsetCounts = 3.0;
    double inputOffsetVolts = 2e-6;
    double adcNoiseCounts = 0.5;
    double inputNoiseVolts = 0.2e-6;
    // One conversion every 10 us: 100 kS/s.
    int64_t conversionPeriodUs = 10;
    // Time constant of the input after the front end is switched.
    double settlingTauUs = 150.0;
    // Cold-junction sensors read this until a source is set.
    double coldJunctionCelsius = 25.0;

    // Shortest time between two accesses on the card's bus.
    int64_t busCycleUs = 1;
    double spiClockHz = 4e6;

    // Empty: "card_<base in hex>_eeprom.bin" in the working directory.
    std::string eepromPath;
    int64_t eepromWriteUs = 5000;
    // A card without an EEPROM file leaves the factory with its true
    // reference volts stored as its constants; otherwise it is blank.
    bool factoryConstants = true;

    // Only the fan card drives fans from the low GPIO byte.
    bool fanCard = false;
    // Full speed of fans 0..3; they differ as real fans do.
    double fanFullRpm[4] = {3000.0, 2900.0, 2800.0, 2700.0};
    double fanLagSeconds = 0.3;

    // Version bytes: high nibble x 100 + low nibble x 10.
    uint8_t boardVersion = 0x21;
    uint8_t fpgaVersion = 0x13;
};

}  // namespace VN_Sim

#endif
