#include "vn_sim/serial/line_fault.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace VN_Sim {

namespace {

const long long BurstPauseNs = 50LL * 1000 * 1000;
const size_t CutAfterBytes = 8;
const int MaxDelayMs = 60000;

// The fault file's first line ("" when there is none).
std::string FaultText(const std::string& path) {
    char text[64] = "";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return "";
    if (std::fgets(text, sizeof text, file) == nullptr) text[0] = '\0';
    std::fclose(file);
    text[std::strcspn(text, "\r\n")] = '\0';
    return text;
}

}  // namespace

LineFault::LineFault(const std::string& folder) : path(folder + "/fault") {}

std::vector<uint8_t> LineFault::Apply(std::vector<uint8_t> bytes, long long nowNs, int* delayMs) {
    *delayMs = 0;
    const bool burstStarts = nowNs - lastArrivalNs >= BurstPauseNs;
    lastArrivalNs = nowNs;
    if (burstStarts) burstBytes = 0;
    const size_t before = burstBytes;
    burstBytes += bytes.size();

    const std::string fault = FaultText(path);
    if (fault == "mute") return {};
    if (fault == "garbage") {
        for (uint8_t& byte : bytes) {
            noise = noise * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(byte ^ ((noise >> 24) | 1));
        }
    } else if (fault == "cut") {
        bytes.resize(before >= CutAfterBytes ? 0 : std::min(bytes.size(), CutAfterBytes - before));
    } else if (fault.compare(0, 5, "slow ") == 0 && burstStarts) {
        *delayMs = std::min(std::max(std::atoi(fault.c_str() + 5), 0), MaxDelayMs);
    }
    return bytes;
}

}  // namespace VN_Sim
