#ifndef VN_SIM_CARD_CONVERTER_H
#define VN_SIM_CARD_CONVERTER_H

#include <cstdint>

#include "vn_sim/card/analog_card_config.h"
#include "vn_sim/card/card_faults.h"
#include "vn_sim/card/card_inputs.h"
#include "vn_sim/card/noise_source.h"

namespace VN_Sim {

// The card's front end and 16-bit converter. The converter runs freely, one
// conversion per period from the moment the card is built; the ready bit says
// that a conversion has completed since the result was last read, so a
// window of T us can average at most about T / period conversions.
//
// The amplifier output (as a fraction of the converter's full scale) follows
// a switch of the front end exponentially, so readings taken too soon after
// a switch are visibly off. Codes at or beyond full scale read as the
// over-range codes 0x7FFF and 0x8000.
class Converter {
public:
    Converter(const AnalogCardConfig_T& config, const CardInputs& inputs, CardFaults& faults, int64_t nowUs);

    // Front-end byte: gain code in bits 7..6, mux in bits 5..3, chan in bits 2..0.
    void SetFrontEnd(uint8_t code, int64_t nowUs);
    bool ResultReady(int64_t nowUs) const;
    // Until the ready bit comes on; 0 when it is on.
    int64_t UsUntilReady(int64_t nowUs) const;
    // The latest conversion (ready or not); clears the ready bit.
    uint16_t ReadResult(int64_t nowUs);

private:
    // Index of the last conversion completed at nowUs.
    int64_t IndexAt(int64_t nowUs) const;
    // Amplifier output at time t for the present front-end setting.
    double Target(int64_t tUs) const;
    double Output(int64_t tUs) const;
    uint16_t Convert(int64_t index) const;
    // Keeps the latest conversion before the front end changes under it.
    void Latch(int64_t nowUs);

    const AnalogCardConfig_T& config;
    const CardInputs& inputs;
    CardFaults& faults;
    NoiseSource noise;
    int64_t startUs;
    uint8_t frontEnd = 0;
    int64_t switchUs;
    // Output minus target at the last switch; decays with the time constant.
    double residual = 0.0;
    int64_t lastReadIndex = 0;
    int64_t latchedIndex = -1;
    uint16_t latchedCode = 0;
};

}  // namespace VN_Sim

#endif
