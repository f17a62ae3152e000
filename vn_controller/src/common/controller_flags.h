#ifndef VN_CONTROLLER_CONTROLLER_FLAGS_H
#define VN_CONTROLLER_CONTROLLER_FLAGS_H

#include <atomic>

// Requests other threads (web handlers, console) post to the main loop, which
// hands them on between scheduler steps.

// Set (under systemMutex) to leave the main loop.
extern std::atomic<bool> StopControllerFlag;
// Request to re-run Initialize; guarded by resetMutex.
extern bool GlobalResetFlag;
// Wanted calibration-mode state; guarded by calModeMutex.
extern bool GlobalCalModeOn;
// Request to write the user settings file; set under systemMutex.
extern std::atomic<bool> SaveUserSettingsFlag;

#endif
