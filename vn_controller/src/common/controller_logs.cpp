#include "common/controller_logs.h"

VN_Lib::Log MsgLog, ErrMsgLog, DebugLog;
