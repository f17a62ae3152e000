#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "station_write.h"
#include "vn_sim/storage/volume_full.h"

namespace VN_Sim {

namespace {

// The path the descriptor was opened with, resolved; empty when unknown.
std::string OpenedPath(int descriptor) {
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

}  // namespace

}  // namespace VN_Sim

namespace VN_Lib {

bool WriteStationFile(std::FILE* file, const std::string& text) {
    const size_t room = VN_Sim::RoomForWrite(VN_Sim::OpenedPath(fileno(file)), text.size());
    if (room == text.size()) return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    std::fwrite(text.data(), 1, room, file);
    // What fitted reaches the file as a disk's partial write would; the rest is lost.
    std::fflush(file);
    errno = ENOSPC;
    return false;
}

}  // namespace VN_Lib
