#include "fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sys_error.h"

namespace VN_Fuzz {

namespace {

// Port 1 on the loopback address: a local unit link is refused at once.
void WriteQuietHost() {
    std::ofstream("sim_station.xml", std::ios::trunc)
        << "<SimStation><Host unit_port=\"1\" http_port=\"0\" /></SimStation>\n";
}

}  // namespace

const std::string& WorkDir() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vn_fuzz_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) std::abort();
        WriteQuietHost();
        return pattern;
    }();
    return path;
}

void CopyShippedStation(bool withDevices) {
    static const bool copied = [withDevices] {
        std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station", WorkDir(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        if (!withDevices) WriteQuietHost();
        return true;
    }();
    (void)copied;
}

std::string WriteWorkFile(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = WorkDir() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    return path;
}

ScriptedLink::ScriptedLink() : CommandControl(LinkNone) {
    // Open as far as the framing code can tell; no descriptor is ever used.
    descriptor = 0;
}

void ScriptedLink::Feed(const std::string& bytes, uint8_t chunkSeed) {
    input = bytes;
    position = 0;
    seed = chunkSeed;
}

int ScriptedLink::SendData(int length, const char* data, int timeoutMs) { return 0; }

int ScriptedLink::GetData(int maxLength, char* buffer, int* count) {
    *count = 0;
    if (position >= input.size()) return VN_Lib::ERR_LINK_NOT_OPEN;
    size_t chunk = 1 + (seed + position) % static_cast<size_t>(maxLength);
    chunk = std::min(chunk, input.size() - position);
    input.copy(buffer, chunk, position);
    position += chunk;
    *count = static_cast<int>(chunk);
    return 0;
}

}  // namespace VN_Fuzz
