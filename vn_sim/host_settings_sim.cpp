#include "host_settings.h"

#include "vn_sim/station_description.h"

namespace VN_Lib {

namespace {

VN_Sim::StationDescription& Description() {
    VN_Sim::StationDescription& description = VN_Sim::StationDescription::Instance();
    description.LoadOnFirstUse();
    return description;
}

}  // namespace

int LocalUnitPort() { return Description().UnitPort(); }
// A folder that describes no station (a test program's) runs no web server.
int HttpPort() {
    VN_Sim::StationDescription& description = Description();
    return description.Described() ? description.HttpPort() : 0;
}
int ModbusPort() { return Description().ModbusPort(); }
std::string DocumentRoot() { return Description().DocumentRoot(); }
std::string NetworkInterface() { return Description().NetworkInterface(); }

}  // namespace VN_Lib
