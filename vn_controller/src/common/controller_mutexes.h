#ifndef VN_CONTROLLER_CONTROLLER_MUTEXES_H
#define VN_CONTROLLER_CONTROLLER_MUTEXES_H

#include <mutex>

// Process-wide locks of the controller. Order: resetMutex alone (released
// before the next lock), then systemMutex, then any one of the others.
extern std::mutex systemMutex;   // data system, scheduler settings, curves
extern std::mutex resetMutex;    // the global reset flag
extern std::mutex calModeMutex;  // the global calibration-mode flag
extern std::mutex statusMutex;   // the scheduler's status record
extern std::mutex recordMutex;   // the current data record
extern std::mutex modbusMutex;   // the Modbus register image

#endif
