#include "station_write.h"

namespace VN_Lib {

bool WriteStationFile(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace VN_Lib
