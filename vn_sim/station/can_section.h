#ifndef VN_SIM_STATION_CAN_SECTION_H
#define VN_SIM_STATION_CAN_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <CanBusses><Bus name="loads" folder="can/loads" oscillator_hz="16000000"/>:
// the buses, known to every program; a program makes a bus's wire only when
// one of its chips or loads is on it.
int ReadCanBusses(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
