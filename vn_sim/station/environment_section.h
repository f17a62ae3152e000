#ifndef VN_SIM_STATION_ENVIRONMENT_SECTION_H
#define VN_SIM_STATION_ENVIRONMENT_SECTION_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/physics/environment.h"
#include "vn_sim/station/station.h"

namespace VN_Sim {

// <Environment>: fixed conditions or a clear-sky day (every program reads
// it, so all processes of a station agree); root may be null. The defaults are fixed
// 1000 W/m² and 25 °C; *supplyRiseC is how far the power supply runs above
// the intake air.
int ReadEnvironment(const TiXmlElement* root, EnvironmentParams_T* params, double* supplyRiseC,
                    std::string* error);

// <HeatSinks><HeatSink id=... /></HeatSinks>: the loads' heat sinks.
int ReadHeatSinks(const TiXmlElement& root, Station& station, std::string* error);

}  // namespace VN_Sim

#endif
