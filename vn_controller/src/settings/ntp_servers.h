#ifndef VN_CONTROLLER_NTP_SERVERS_H
#define VN_CONTROLLER_NTP_SERVERS_H

#include <tinyxml.h>

#include <array>
#include <string>

namespace VN_Sample {

// The "address" of each "Server1" ... "Server4" child present replaces that
// server. Each must be a host name or an IPv4 address, as it goes into the NTP
// configuration through a root shell; when one is not, the refused ones are
// logged, servers keeps every value and the result is false.
bool ReadNtpServers(const TiXmlElement& element, std::array<std::string, 4>* servers);

}  // namespace VN_Sample

#endif
