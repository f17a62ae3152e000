#ifndef VN_CONTROLLER_MAC_ADDRESS_H
#define VN_CONTROLLER_MAC_ADDRESS_H

#include <string>

namespace VN_Sample {

// Copies the 6-byte hardware address of the named interface into mac. 0, or
// -1 when there is no such interface or it cannot be read (the socket and
// query failures are logged to ErrMsgLog).
int GetSvrMacAddress(const char* interface, unsigned char* mac);

// The station interface's address (host settings seam) as
// "%02X:%02X:%02X:%02X:%02X:%02X", or "unknown" when it cannot be read.
void GetSvrMacAddressString(std::string& text);

}  // namespace VN_Sample

#endif
