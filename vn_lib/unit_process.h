#ifndef VN_LIB_UNIT_PROCESS_H
#define VN_LIB_UNIT_PROCESS_H

// Seam: starting and stopping the local unit program. The station runs
// "killall -SIGTERM vn_firmware" and "./vn_firmware&"; the simulation starts it
// as a child in the working directory and stops it by its process id, so
// several simulated stations can run on one machine.

namespace VN_Lib {

// Starts ./vn_firmware in the working directory; 0 on success.
int StartUnitProgram();
// Stops the unit program started here (station: every vn_firmware); 0 on success.
int StopUnitProgram();

}  // namespace VN_Lib

#endif
