#ifndef VN_FIRMWARE_NETWORK_SETTINGS_H
#define VN_FIRMWARE_NETWORK_SETTINGS_H

#include <string>

#include "command_message.h"
#include "data_frame.h"

// The unit's network files ("/vn/HOSTNAME", "/vn/IPADDRESS", ...), one word each.

// Handler of the network command: "yes" switches to DHCP, "no" to a fixed
// address, anything else reports the present settings into response (an
// empty value as EmptyTextWord). A change whose words are not a host name and
// IPv4 addresses answers ERR_REFUSED_SETTING and writes and runs nothing.
int ChangeNetworkSettings(CommandMessage& command, VN_Lib::DataFrame& response);

// Writes text and a line feed to the station path, then echoes it with cat.
// 802 when the file cannot be opened.
int WriteStringToFile(const std::string& text, const std::string& path);
// The first whitespace-delimited word of the file; 802 (word empty) when it cannot be opened.
int ReadStringFromFile(std::string* word, const std::string& path);

#endif
