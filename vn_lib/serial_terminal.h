#ifndef VN_LIB_SERIAL_TERMINAL_H
#define VN_LIB_SERIAL_TERMINAL_H

#include <string>

namespace VN_Lib {

// Opens a terminal device raw, 8 bits, RTS/CTS flow control, at the baud
// rate (unknown rates run at 115200); reads never wait. -1 when it cannot be
// opened.
int OpenSerialTerminal(const std::string& path, int baud);
// Flushes both directions and closes.
void CloseSerialTerminal(int descriptor);

}  // namespace VN_Lib

#endif
