#ifndef VN_CONTROLLER_STATUS_H
#define VN_CONTROLLER_STATUS_H

#include <tinyxml.h>

#include <ctime>
#include <string>

namespace VN_Sample {

// What the scheduler is doing; any other value reads as "Unknown".
enum VN_State_T {
    StateIdle = 0,
    StateSampling = 1,
    StateAveraging = 2,
    StateStoring = 3,
    StateTakingCurve = 4,
    StateUnknown = 100,
};

// The scheduler's status as the web interface publishes it. Guarded by
// statusMutex.
class Status {
public:
    std::string GetStateString() const;
    // New "Status" element; the caller owns it. A failed last data store adds
    // the attributes "store_error" (its code) and "store_error_text".
    TiXmlElement* MakeNewXmlElement() const;
    // The element printed alone (no declaration).
    std::string GetAsXmlString() const;

    time_t NextCurveTime = 0;
    time_t NextAverageTime = 0;
    VN_State_T state = StateUnknown;
    // The result of the last data store (0, or the sampler's 806: data volume
    // not mounted, 802: data file not written) and what it means.
    int storeError = 0;
    std::string storeErrorText;
};

}  // namespace VN_Sample

#endif
