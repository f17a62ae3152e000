#include "host_settings.h"

#include "vn_sim/station_description.h"

namespace VN_Lib {

int LocalUnitPort() { return VN_Sim::StationDescription::Instance().UnitPort(); }
int HttpPort() { return VN_Sim::StationDescription::Instance().HttpPort(); }
int ModbusPort() { return VN_Sim::StationDescription::Instance().ModbusPort(); }
std::string DocumentRoot() { return VN_Sim::StationDescription::Instance().DocumentRoot(); }
std::string NetworkInterface() { return VN_Sim::StationDescription::Instance().NetworkInterface(); }

}  // namespace VN_Lib
