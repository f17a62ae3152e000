#include "vn_sim/link/link_fault.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

long long MachineMonotonicNs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

LinkFault::LinkFault(const std::string& faultFile) : path(faultFile) {}

LinkFault_T LinkFault::Read() const {
    const std::string text = FaultText(path);
    LinkFault_T fault;
    if (text == "mute") {
        fault.kind = LinkFault_T::Mute;
    } else if (text == "garbage") {
        fault.kind = LinkFault_T::Garbage;
    } else if (text == "cut") {
        fault.kind = LinkFault_T::Cut;
    } else if (text.compare(0, 5, "slow ") == 0) {
        fault.kind = LinkFault_T::Slow;
        fault.delayMs = std::min(std::max(std::atoi(text.c_str() + 5), 0), MaxDelayMs);
    }
    return fault;
}

std::vector<uint8_t> LinkFault::Apply(std::vector<uint8_t> bytes, long long nowNs, int* delayMs) {
    return Apply(Read(), std::move(bytes), nowNs, delayMs);
}

std::vector<uint8_t> LinkFault::Apply(const LinkFault_T& fault, std::vector<uint8_t> bytes, long long nowNs,
                                      int* delayMs) {
    *delayMs = 0;
    const bool burstStarts = nowNs - lastArrivalNs >= BurstPauseNs;
    lastArrivalNs = nowNs;
    if (burstStarts) burstBytes = 0;
    const size_t before = burstBytes;
    burstBytes += bytes.size();

    switch (fault.kind) {
        case LinkFault_T::Mute:
            return {};
        case LinkFault_T::Garbage:
            for (uint8_t& byte : bytes) {
                noise = noise * 1664525u + 1013904223u;
                byte = static_cast<uint8_t>(byte ^ ((noise >> 24) | 1));
            }
            break;
        case LinkFault_T::Cut:
            bytes.resize(before >= CutAfterBytes ? 0 : std::min(bytes.size(), CutAfterBytes - before));
            break;
        case LinkFault_T::Slow:
            if (burstStarts) *delayMs = fault.delayMs;
            break;
        case LinkFault_T::None:
            break;
    }
    return bytes;
}

}  // namespace VN_Sim
