#include "common/controller_flags.h"

std::atomic<bool> StopControllerFlag{false};
bool GlobalResetFlag = false;
bool GlobalCalModeOn = false;
std::atomic<bool> SaveUserSettingsFlag{false};
