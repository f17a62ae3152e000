#ifndef VN_LIB_SYS_ERROR_H
#define VN_LIB_SYS_ERROR_H

namespace VN_Lib {

// Result codes shared by both programs (0 = success). A unit's code reaches the
// controller unchanged in the response's result field.
enum SysError {
    ERR_NONE = 0,
    ERR_LINK_NOT_OPEN = 10,
    ERR_TIMEOUT = 12,
    ERR_COMMAND_MISMATCH = 15,
    ERR_FRAME_TOO_LONG = 17,
    ERR_NOT_AVAILABLE = 18,  // the command exists but this unit program cannot do it yet
    ERR_CONNECT = 19,
    ERR_SHORT_RESPONSE = 22,
    ERR_SHORT_FRAME = 23,
    ERR_LENGTH_MISMATCH = 24,
    ERR_REFUSED_SETTING = 90,  // a value from outside failed its check; nothing was changed
    ERR_UNKNOWN_CARD = 601,
    ERR_BAD_READ_MODE = 602,
    ERR_UNKNOWN_MODULE = 701,
    ERR_UNKNOWN_TEMPERATURE = 702,
    ERR_UNKNOWN_AUX_INPUT = 703,
    ERR_FILE_LOAD = 800,
    ERR_NO_ROOT_ELEMENT = 801,
    ERR_FILE_OPEN = 802,
};

}  // namespace VN_Lib

#endif
