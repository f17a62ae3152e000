#ifndef VN_TEST_STATION_FIXTURE_H
#define VN_TEST_STATION_FIXTURE_H

#include <string>

#include "test_support.h"

namespace VN_Test {

// A copy of the default simulated station in a temporary folder, with the
// unit program on a free TCP port (in hw_config.xml and in the station
// description) and ./vn_firmware linked to the build's unit program.
class StationCopy {
public:
    StationCopy();
    std::string Path() const { return dir.Path(); }
    std::string File(const std::string& name) const { return dir.File(name); }
    int UnitPort() const { return unitPort; }
    // Process id of the unit program last started, from the shell journal; -1 when none.
    int UnitPid() const;
    // Replaces the first occurrence of from in a station file.
    void Patch(const std::string& file, const std::string& from, const std::string& to);

private:
    TempDir dir;
    int unitPort = 0;
};

}  // namespace VN_Test

#endif
