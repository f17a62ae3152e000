#include "command_message.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

CommandMessage::CommandMessage() { Clear(); }

void CommandMessage::Clear() {
    state = StateEmpty;
    std::memset(parameters, 0, sizeof(parameters));
    std::memset(text, 0, sizeof(text));
}

void CommandMessage::AddChar(char c) {
    if (c == '\r') {
        Parse();
        state = StateDone;
        return;
    }
    if (c == '\n') {
        return;
    }
    size_t length = std::strlen(text);
    if (c != '\0' && length < TextSize - 1) {
        text[length] = c;
        text[length + 1] = '\0';
    }
    state = StatePartial;
}

int CommandMessage::Parse() {
    std::memset(parameters, 0, sizeof(parameters));
    // Nine fields at most: the last one runs to the end of the line, commas and all.
    return std::sscanf(text, "%15[^,],%15[^,],%15[^,],%15[^,],%15[^,],%15[^,],%15[^,],%15[^,],%15[^\n]",
                       parameters[0], parameters[1], parameters[2], parameters[3], parameters[4],
                       parameters[5], parameters[6], parameters[7], parameters[8]);
}

int CommandMessage::Type() const { return static_cast<int>(std::strtol(parameters[0], nullptr, 10)); }

void CommandMessage::SetType(CmdType type) {
    std::snprintf(parameters[0], ParameterSize, "%d", static_cast<int>(type));
}

void CommandMessage::Copy(CommandMessage* other) const {
    if (other == nullptr) {
        return;
    }
    other->state = state;
    std::memcpy(other->parameters, parameters, sizeof(parameters));
    std::memcpy(other->text, text, sizeof(text));
}

void CommandMessage::Print() const {
    std::printf("Command String \"%s\"\n", text);
    switch (state) {
    case StateEmpty:
        std::printf("State Emtpy\n");
        break;
    case StatePartial:
        std::printf("State Partial\n");
        break;
    case StateDone:
        std::printf("State Done\n");
        break;
    default:
        std::printf("State Unknown\n");
        break;
    }
    for (int i = 0; i < ParameterSlots; ++i) {
        std::printf("Parameter %i \"%s\"\n", i, parameters[i]);
    }
}
