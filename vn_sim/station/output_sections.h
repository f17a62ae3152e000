#ifndef VN_SIM_STATION_OUTPUT_SECTIONS_H
#define VN_SIM_STATION_OUTPUT_SECTIONS_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// <Leds><LedBank address="320"/></Leds>: front-panel LED registers.
int ReadLeds(const TiXmlElement& root, Station& station, std::string* error);

// <Truth file="sim_truth.xml" period_ms="200" enabled="true"/>: where and how
// often this program writes the ground truth. Absent: vn_firmware writes
// "sim_truth.xml" at most every 200 ms, other programs none.
int ReadTruth(const TiXmlElement* root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
