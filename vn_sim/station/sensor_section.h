#ifndef VN_SIM_STATION_SENSOR_SECTION_H
#define VN_SIM_STATION_SENSOR_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <Sensors>: <Pyranometer card mux chan uv_per_wm2 tolerance/> and
// <Thermocouple type="T|K|J" at="module|ambient|intake|supply|heat_sink"
// id=... card mux chan/> (id names the module or heat sink).
int ReadSensors(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
