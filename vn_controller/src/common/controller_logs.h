#ifndef VN_CONTROLLER_CONTROLLER_LOGS_H
#define VN_CONTROLLER_CONTROLLER_LOGS_H

#include "log.h"

// The controller's three logs on standard output: progress messages, errors
// and debugging detail. Start-up switches them off; the console switches them.
extern VN_Lib::Log MsgLog, ErrMsgLog, DebugLog;

#endif
