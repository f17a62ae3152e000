#ifndef VN_SIM_STATION_TRUTH_FILE_H
#define VN_SIM_STATION_TRUTH_FILE_H

#include <mutex>
#include <string>

#include "vn_sim/station/station_truth.h"

namespace VN_Sim {

// The station's ground truth as an XML file, for tests and tools that watch
// a unit program running as its own process. Each write replaces the file
// whole (a temporary file renamed over it), so a reader never sees half.
class TruthFile {
public:
    static const char* const DefaultName;  // "sim_truth.xml"

    TruthFile(const std::string& path, double periodSeconds);

    // Whether a write is due at t; a true answer counts as the write, so only
    // one caller per period gets it. Not synchronised: the owner serialises.
    bool Due(double t);
    // 0, or 1 when the file cannot be written (said once on stderr).
    int Write(const StationTruth_T& truth);

    static std::string ToXml(const StationTruth_T& truth);

private:
    std::string path;
    double period;
    double lastDue = 0.0;
    bool everDue = false;
    std::mutex writeMutex;  // one writer of the temporary file at a time
    bool failureReported = false;
};

}  // namespace VN_Sim

#endif
