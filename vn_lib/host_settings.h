#ifndef VN_LIB_HOST_SETTINGS_H
#define VN_LIB_HOST_SETTINGS_H

#include <string>

// Seam: the fixed host-facing settings. The station uses them as written; the
// simulation takes them from the station description, so several stations
// and tests can run side by side.

namespace VN_Lib {

// TCP port of the local unit program (3010).
int LocalUnitPort();
// Port of the web server (80); 0 when this host runs none (a simulated
// station without its description).
int HttpPort();
// Port of the Modbus TCP server (1502).
int ModbusPort();
// Static web site, as a station path ("/vn/web_site").
std::string DocumentRoot();
// The Ethernet interface whose hardware address the station reports ("eth0").
std::string NetworkInterface();

}  // namespace VN_Lib

#endif
