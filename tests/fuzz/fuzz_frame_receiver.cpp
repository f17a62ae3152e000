// Arbitrary bytes from a link into both receivers of the framed link: the
// unit's non-blocking one (every request it completes is parsed as a command
// line) and the requesting side's blocking one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "command_message.h"
#include "data_frame.h"
#include "fuzz_support.h"
#include "sys_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string wire(reinterpret_cast<const char*>(data + 1), size - 1);

    VN_Fuzz::ScriptedLink unitSide;
    unitSide.Feed(wire, data[0]);
    CommandMessage command;
    // Each poll takes at most one chunk, so this ends once the bytes are used up.
    while (unitSide.GetCommand(&command) == 0) {
        if (command.state == CommandMessage::StateDone) command.Type();
    }

    VN_Fuzz::ScriptedLink requestingSide;
    requestingSide.Feed(wire, data[0]);
    VN_Lib::DataFrame frame;
    // Bad frames are reported and skipped; the transport's end stops the loop.
    while (requestingSide.ReadFrame(frame, 1000) != VN_Lib::ERR_LINK_NOT_OPEN) {
    }
    return 0;
}
