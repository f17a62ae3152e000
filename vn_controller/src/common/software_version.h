#ifndef VN_CONTROLLER_COMMON_SOFTWARE_VERSION_H
#define VN_CONTROLLER_COMMON_SOFTWARE_VERSION_H

#include <string>

// The controller's software version, set by start-up and shown in the
// identification text; its own header so the data system need not include
// the program's.
extern std::string SoftwareVersion;

#endif
