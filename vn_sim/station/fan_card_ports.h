#ifndef VN_SIM_STATION_FAN_CARD_PORTS_H
#define VN_SIM_STATION_FAN_CARD_PORTS_H

#include <cstdint>
#include <memory>

#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"
#include "vn_sim/station/station_model.h"

namespace VN_Sim {

// The fan card's ports: everything goes to the card, and the drive level
// written to the low GPIO byte also reaches the station's thermal model. The
// level is taken here, on its way in, because the model cannot ask the card
// while the card is converting one of its inputs.
class FanCardPorts : public PortDevice {
public:
    FanCardPorts(std::shared_ptr<AnalogCard> card, StationModel* model);

    uint8_t ReadByte(unsigned offset) override;
    void WriteByte(unsigned offset, uint8_t value) override;
    uint16_t ReadWord(unsigned offset) override;
    void WriteWord(unsigned offset, uint16_t value) override;

private:
    std::shared_ptr<AnalogCard> card;
    StationModel* model;
};

}  // namespace VN_Sim

#endif
