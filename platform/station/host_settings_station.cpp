#include "host_settings.h"

namespace VN_Lib {

int LocalUnitPort() { return 3010; }
int HttpPort() { return 80; }
int ModbusPort() { return 1502; }
std::string DocumentRoot() { return "/vn/web_site"; }
std::string NetworkInterface() { return "eth0"; }

}  // namespace VN_Lib
