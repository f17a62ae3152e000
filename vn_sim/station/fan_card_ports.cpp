#include "vn_sim/station/fan_card_ports.h"

#include <utility>

namespace VN_Sim {

namespace {

const unsigned FanLevelPort = 6;

}  // namespace

FanCardPorts::FanCardPorts(std::shared_ptr<AnalogCard> fanCard, StationModel* stationModel)
    : card(std::move(fanCard)), model(stationModel) {}

uint8_t FanCardPorts::ReadByte(unsigned offset) { return card->ReadByte(offset); }

uint16_t FanCardPorts::ReadWord(unsigned offset) { return card->ReadWord(offset); }

void FanCardPorts::WriteByte(unsigned offset, uint8_t value) {
    card->WriteByte(offset, value);
    if (offset == FanLevelPort) model->SetFanLevel(value);
}

void FanCardPorts::WriteWord(unsigned offset, uint16_t value) {
    card->WriteWord(offset, value);
    if (offset == FanLevelPort) model->SetFanLevel(static_cast<uint8_t>(value & 0xFF));
}

}  // namespace VN_Sim
