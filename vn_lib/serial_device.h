#ifndef VN_LIB_SERIAL_DEVICE_H
#define VN_LIB_SERIAL_DEVICE_H

// Seam: what stands behind the serial ports COM1 and COM2. The station opens
// "/dev/ttyS0" / "/dev/ttyS1" as raw terminals; the simulation either opens
// the device its station description names, or wires the port to a serial
// line shared with other simulated programs.

namespace VN_Lib {

// Opens COM port 1 or 2 at the baud rate (unknown rates run at 115200): a
// non-blocking descriptor to read, write and poll, or -1.
int OpenSerialDevice(int portNumber, int baud);
// Closes a descriptor OpenSerialDevice gave, discarding what is unsent.
void CloseSerialDevice(int descriptor);

}  // namespace VN_Lib

#endif
