// Arbitrary bytes as a unit's calibration file: loaded, saved and loaded
// again, which must give the same channels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration_table.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VN_Fuzz::WorkDir();
    const std::string path = VN_Fuzz::WriteWorkFile("fuzz_cal.txt", data, size);
    CalibrationTable loaded;
    if (loaded.LoadFromFile(path) != 0) std::abort();
    const std::string saved = path + ".saved";
    if (loaded.SaveToFile(saved) != 0) std::abort();
    CalibrationTable reloaded;
    if (reloaded.LoadFromFile(saved) != 0) std::abort();
    if (reloaded.Entries().size() != loaded.Entries().size()) std::abort();
    for (const auto& entry : loaded.Entries()) {
        if (reloaded.Entries().count(entry.first) == 0) std::abort();
    }
    return 0;
}
