#include "station_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace VN_Test {

StationCopy::StationCopy() {
    std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station", dir.Path(),
                          std::filesystem::copy_options::recursive);
    unitPort = FreeTcpPort();
    const std::string port = "port=\"" + std::to_string(unitPort) + "\"";
    Patch("hw_config.xml", "port=\"3010\"", port);
    Patch("sim_station.xml", "unit_port=\"3010\"", "unit_" + port);
    Patch("sim_station.xml", "http_port=\"8080\"", "http_port=\"" + std::to_string(FreeTcpPort()) + "\"");
    std::filesystem::create_symlink(VN_FIRMWARE_PATH, dir.File("vn_firmware"));
}

void StationCopy::Patch(const std::string& file, const std::string& from, const std::string& to) {
    std::string text = ReadFile(dir.File(file));
    const size_t at = text.find(from);
    ASSERT_NE(std::string::npos, at) << file << ": " << from;
    text.replace(at, from.size(), to);
    WriteFile(dir.File(file), text);
}

int StationCopy::UnitPid() const {
    const std::string journal = ReadFile(dir.File("shell_journal.log"));
    const std::string mark = "started pid ";
    const size_t at = journal.rfind(mark);
    if (at == std::string::npos) return -1;
    return std::atoi(journal.c_str() + at + mark.size());
}

}  // namespace VN_Test
