#ifndef VN_SIM_STATION_CARD_SECTION_H
#define VN_SIM_STATION_CARD_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <Cards><Card address="300" ...><CanChip select="0" bus="loads"/></Card>:
// this program's analog cards with their true references, converter
// offsets and noise, and the CAN controller chips on their SPI ports.
int ReadCards(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
