#ifndef VN_LIB_CAL_TYPE_H
#define VN_LIB_CAL_TYPE_H

#include <cstdint>

namespace VN_Lib {

// Kind of channel a calibration applies to; the values travel on the command
// link and in calibration records, so they are fixed.
enum CalType : int32_t {
    CAL_MODULE_VOLTAGE = 10,
    CAL_MODULE_CURRENT = 20,
    CAL_TEMPERATURE = 30,  // accepted everywhere, calibrates nothing
    CAL_AUX_INPUT = 40,
};

// Folder of the unit's calibration files, below its working directory and on
// the backup volume.
inline constexpr const char* CalFilesFolder = "cal_files";

inline bool IsCalType(int type) {
    return type == CAL_MODULE_VOLTAGE || type == CAL_MODULE_CURRENT || type == CAL_TEMPERATURE ||
           type == CAL_AUX_INPUT;
}

// File name of the type's calibration table; "" for any other value.
inline const char* CalFileName(int type) {
    switch (type) {
        case CAL_MODULE_VOLTAGE: return "mod_voltage_cal.txt";
        case CAL_MODULE_CURRENT: return "mod_current_cal.txt";
        case CAL_TEMPERATURE: return "temperature_cal.txt";
        case CAL_AUX_INPUT: return "aux_input_cal.txt";
        default: return "";
    }
}

// Units text of a calibration record of the type; "" for temperature and any
// other value.
inline const char* CalUnitsText(int type) {
    switch (type) {
        case CAL_MODULE_VOLTAGE: return "V";
        case CAL_MODULE_CURRENT: return "A";
        case CAL_AUX_INPUT: return "?";
        default: return "";
    }
}

}  // namespace VN_Lib

#endif
