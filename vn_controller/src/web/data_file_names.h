#ifndef VN_CONTROLLER_DATA_FILE_NAMES_H
#define VN_CONTROLLER_DATA_FILE_NAMES_H

#include <string>

// The names of the files the web serves from the data folders. A name is
// taken only when it has exactly the form the sampler writes, so nothing
// but a plain file name of those folders ever reaches the file system.

namespace VN_Sample {

// "vnMMDDYYYY.vnd".
struct DayFileName_T {
    int year = 0;
    int month = 0;
    int day = 0;
};

// "CC_MMDDYYYY_hhmmss.xml", "CC_MMDDYYYY_hhmmss_N.xml" (a second curve of
// the name) or "last_iv_C.xml" (no date or time).
struct CurveFileName_T {
    bool last = false;
    long module = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    unsigned number = 0;
};

bool ParseDayFileName(const std::string& name, DayFileName_T* parsed);
bool ParseCurveFileName(const std::string& name, CurveFileName_T* parsed);

// "yyyy-mm-dd" and "hh:mm:ss" of a parsed name.
std::string IsoDate(int year, int month, int day);
std::string IsoTime(int hour, int minute, int second);

// The name without its extension: "vn12082026.vnd" gives "vn12082026".
std::string NameStem(const std::string& name);

}  // namespace VN_Sample

#endif
