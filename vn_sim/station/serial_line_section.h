#ifndef VN_SIM_STATION_SERIAL_LINE_SECTION_H
#define VN_SIM_STATION_SERIAL_LINE_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <SerialLines><Line name="unit2" com="1" folder="serial/unit2" program=".."/>:
// this program's COM ports wired to lines shared through a folder. A port
// has either a Serial device or one line.
int ReadSerialLines(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
