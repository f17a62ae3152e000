#ifndef VN_SIM_STATION_STATION_INSTALLER_H
#define VN_SIM_STATION_STATION_INSTALLER_H

#include <tinyxml.h>

#include <string>

#include "vn_sim/station/station.h"

namespace VN_Sim {

// Builds the devices of program from the station description's root (none
// when root is null) and maps them, replacing any station installed before
// (the port space is cleared for it). 0, or 1 with *error naming the element
// and line at fault; on failure nothing of the new station stays installed.
int InstallStation(const TiXmlElement* root, const std::string& program, std::string* error);

// The installed station, or nullptr. Valid until the next install or RemoveStation.
Station* InstalledStation();

// The line the installed station wires COM port com to; false when none is
// (or no station is installed).
bool InstalledSerialLine(int com, SerialLineSettings_T* line);

// Unmaps every device and destroys the station. Drivers using its ports
// (and their CAN receive threads) must be gone first.
void RemoveStation();

}  // namespace VN_Sim

#endif
