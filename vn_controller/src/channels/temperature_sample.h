#ifndef VN_CONTROLLER_TEMPERATURE_SAMPLE_H
#define VN_CONTROLLER_TEMPERATURE_SAMPLE_H

#include "channels/data_sample.h"

namespace VN_Sample {

// Thermocouple type codes as the units and documents carry them.
enum TcType_T { TcUnknown = 0, TcTypeT = 1, TcTypeK = 2, TcTypeJ = 3, TcRtd = 10 };

// "T", "K" or "J" for the thermocouple codes, "UNKNOWN" for anything else.
inline const char* TcTypeName(int code) {
    switch (code) {
        case TcTypeT: return "T";
        case TcTypeK: return "K";
        case TcTypeJ: return "J";
        default: return "UNKNOWN";
    }
}

class TemperatureSample : public DataSample {
public:
    int tcType = TcUnknown;
};

}  // namespace VN_Sample

#endif
