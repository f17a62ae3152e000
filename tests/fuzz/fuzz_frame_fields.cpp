// A request line taken character by character into the command message, and
// a frame body whose fields are taken in an order the input chooses, as the
// two sides read what arrives over the link.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command_message.h"
#include "data_frame.h"

namespace {

void ExtractFields(VN_Lib::DataFrame& frame, const uint8_t* plan, size_t steps) {
    for (size_t i = 0; i < steps; ++i) {
        switch (plan[i] % 8) {
            case 0: { char v; frame.ExtractByte(&v); break; }
            case 1: { short v; frame.ExtractShort(&v); break; }
            case 2: { int v; frame.ExtractInt(&v); break; }
            case 3: { long v; frame.ExtractLong(&v); break; }
            case 4: { double v; frame.ExtractDouble(&v); break; }
            case 5: { std::string v; frame.ExtractString(v); break; }
            case 6: {
                char buffer[64];
                frame.ExtractData(plan[i] & 0x80 ? nullptr : buffer, static_cast<int>(plan[i] >> 3) - 4);
                break;
            }
            default: { std::vector<double> v; frame.ExtractDoubles(v, plan[i] >> 3); break; }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // First byte: how many of the following bytes are the extraction plan.
    const size_t steps = std::min<size_t>(data[0] % 32, size - 1);
    const uint8_t* body = data + 1 + steps;
    const size_t bodySize = size - 1 - steps;

    VN_Lib::DataFrame frame;
    frame.AddData(reinterpret_cast<const char*>(body), static_cast<unsigned>(bodySize));
    ExtractFields(frame, data + 1, steps);

    CommandMessage command;
    for (size_t i = 0; i < bodySize; ++i) command.AddChar(static_cast<char>(body[i]));
    command.AddChar('\r');
    command.Type();
    CommandMessage copy;
    command.Copy(&copy);
    return 0;
}
