#ifndef VN_CONTROLLER_COMMON_LOCAL_TIME_H
#define VN_CONTROLLER_COMMON_LOCAL_TIME_H

#include <ctime>

namespace VN_Sample {

// The instant of a calendar time in the local zone, whether daylight saving
// applies being the system's to decide; -1 when it cannot be represented.
time_t LocalCalendarTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace VN_Sample

#endif
