#include "host_settings.h"

#include "vn_sim/station_description.h"

namespace VN_Lib {

int LocalUnitPort() { return VN_Sim::StationDescription::Instance().UnitPort(); }
int HttpPort() { return VN_Sim::StationDescription::Instance().HttpPort(); }
int ModbusPort() { return VN_Sim::StationDescription::Instance().ModbusPort(); }
std::string DocumentRoot() { return VN_Sim::StationDescription::Instance().DocumentRoot(); }

}  // namespace VN_Lib
