#include "utilities.h"

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <iostream>

namespace VN_Lib {

namespace {

struct BaudCode_T {
    unsigned int baud;
    unsigned short code;
};

// The Linux terminal speed constants (B110 ... B115200).
const BaudCode_T BaudCodes[] = {
    {110, 3},    {150, 5},    {300, 7},     {600, 8},       {1200, 9},      {2400, 11},
    {4800, 12},  {9600, 13},  {19200, 14},  {38400, 15},    {57600, 4097},  {115200, 4098},
};

const unsigned int DefaultBaud = 115200;
const unsigned short DefaultCode = 4098;

}  // namespace

int make_tod(unsigned int hours, unsigned int minutes, unsigned int seconds) {
    return static_cast<int>(hours * 3600 + minutes * 60 + seconds);
}

time_t date(time_t* t) {
    if (t == nullptr) return -1;
    struct tm local;
    if (localtime_r(t, &local) == nullptr) return -1;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    // Midnight may lie on the other side of a daylight-saving change than t
    // itself; keeping t's flag would put the result an hour off on such days.
    local.tm_isdst = -1;
    return mktime(&local);
}

int kbhit() {
    struct pollfd input = {STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 0) <= 0) return 0;
    return (input.revents & POLLIN) ? 1 : 0;
}

std::string intToString(int value) { return std::to_string(value); }

int GetCodeFromBaud(unsigned int baud) {
    for (const BaudCode_T& entry : BaudCodes)
        if (entry.baud == baud) return entry.code;
    return DefaultCode;
}

int GetBaudFromCode(unsigned short code) {
    for (const BaudCode_T& entry : BaudCodes)
        if (entry.code == code) return static_cast<int>(entry.baud);
    return static_cast<int>(DefaultBaud);
}

void flip_float(float* target, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    unsigned char bytes[4] = {static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                              static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
    std::memcpy(target, bytes, sizeof(bytes));
}

void flip_int(int* target, int value) {
    unsigned char bytes[2] = {static_cast<unsigned char>((value >> 8) & 0xFF), static_cast<unsigned char>(value & 0xFF)};
    std::memcpy(target, bytes, sizeof(bytes));
}

void print_test() { std::cout << " Test F" << std::endl; }

}  // namespace VN_Lib
