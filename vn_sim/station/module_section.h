#ifndef VN_SIM_STATION_MODULE_SECTION_H
#define VN_SIM_STATION_MODULE_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <Modules><Module id="1" bus="loads" address="1" model="default"> with
// optional <SingleDiode/>, <Load/>, <Voltage/> (divider) and <Current/>
// (shunt) children: each module on its own electronic load.
int ReadModules(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
