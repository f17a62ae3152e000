// Arbitrary request lines into the unit's command dispatch on the simulated
// station (its cards, loads and modules in this process), each answer framed
// as the unit sends it. The monotonic clock runs fast, so sweeps, settling
// and conversions take a fraction of their time.
#include <tinyxml.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "clock.h"
#include "command_handlers.h"
#include "data_frame.h"
#include "fuzz_support.h"
#include "hardware_model.h"
#include "platform.h"

namespace {

constexpr int64_t Speedup = 1000;

void FastMonotonic(struct timeval* tv) {
    static const int64_t start = [] {
        struct timespec now = {0, 0};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    }();
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t real = static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    const int64_t us = start + (real - start) * Speedup;
    tv->tv_sec = static_cast<time_t>(us / 1000000);
    tv->tv_usec = static_cast<suseconds_t>(us % 1000000);
}

VN_Lib::Vantrel& Unit() {
    static VN_Lib::Vantrel* unit = [] {
        VN_Fuzz::WorkDir();
        VN_Fuzz::CopyShippedStation(true);
        VN_Lib::SetMonotonicClockFunction(&FastMonotonic);
        if (VN_Lib::InitPlatform("vn_firmware") != 0) std::abort();
        auto* model = new VN_Lib::Vantrel();
        TiXmlDocument document;
        if (!document.LoadFile("hw_config.xml") || model->Initialize(document) != 0) std::abort();
        return model;
    }();
    return *unit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VN_Lib::Vantrel& unit = Unit();
    CommandMessage command;
    for (size_t i = 0; i < size; ++i) command.AddChar(static_cast<char>(data[i]));
    command.AddChar('\r');

    VN_Lib::DataFrame response;
    bool updateAll = false;
    CommandHandlers handlers(unit, response, updateAll);
    const int result = handlers.Dispatch(command);
    response.PrependShort(static_cast<short>(result));
    response.PrependByte(result != 0 ? 'E' : static_cast<char>(command.Type() & 0xFF));
    VN_Fuzz::ScriptedLink link;
    link.OutputFrame(response, 1000);
    return 0;
}
