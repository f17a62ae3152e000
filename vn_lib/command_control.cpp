#include "command_control.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "long_timer.h"
#include "sys_error.h"

namespace VN_Lib {

CommandControl::CommandControl(int kind) : linkKind(kind), outputBuffer(OutputBufferSize) {}

CommandControl::~CommandControl() = default;

int CommandControl::Close() { return 0; }

int CommandControl::FixPort() { return 0; }

bool CommandControl::DecodeByte(char c, bool& started, bool& escaped, DataFrame& body) {
    if (!started) {
        escaped = false;
        if (c == '[') {
            body.Clear();
            started = true;
        }
        return false;
    }
    if (escaped) {
        body.AddByte(c);
        escaped = false;
    } else if (c == '*') {
        escaped = true;
    } else if (c == '[') {
        body.Clear();
    } else if (c == ']') {
        started = false;
        return true;
    } else {
        body.AddByte(c);
    }
    if (body.Size() > MaxReceivedBody) {
        body.Clear();
        started = false;
        escaped = false;
    }
    return false;
}

int CommandControl::CheckLength(DataFrame& frame) {
    short length = 0;
    int result = frame.ExtractShort(&length);
    if (result != 0) {
        return result;
    }
    return static_cast<uint16_t>(length) == frame.Size() ? 0 : ERR_LENGTH_MISMATCH;
}

int CommandControl::ReadFrame(DataFrame& frame, int timeoutMs) {
    if (descriptor < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    frame.Clear();
    bool started = false;
    bool escaped = false;
    for (;;) {
        char c = 0;
        int result = ReadByte(&c, timeoutMs);
        if (result != 0) {
            return result;
        }
        if (DecodeByte(c, started, escaped, frame)) {
            return CheckLength(frame);
        }
    }
}

int CommandControl::ReadFrameNonBlock(DataFrame& frame) {
    frame.Clear();
    if (descriptor < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    if (unread.empty()) {
        char chunk[ReceiveChunk];
        int count = 0;
        int result = GetData(ReceiveChunk, chunk, &count);
        if (result != 0) {
            return result;
        }
        unread.assign(chunk, chunk + std::clamp(count, 0, static_cast<int>(ReceiveChunk)));
    }
    // At most one frame per poll: bytes behind a completed frame wait for the
    // next poll, so requests that arrive together are each answered in turn.
    size_t used = 0;
    int outcome = 0;
    while (used < unread.size()) {
        if (!DecodeByte(unread[used++], rcvdStart, escapeState, receiveBuffer)) {
            continue;
        }
        frame = receiveBuffer;
        receiveBuffer.Clear();
        outcome = CheckLength(frame);
        if (outcome != 0) {
            frame.Clear();
        }
        break;
    }
    unread.erase(unread.begin(), unread.begin() + static_cast<std::ptrdiff_t>(used));
    return outcome;
}

bool CommandControl::WaitForInput(int timeoutMs) {
    struct pollfd wanted = {descriptor, POLLIN, 0};
    return poll(&wanted, 1, timeoutMs) > 0;
}

void CommandControl::PauseBriefly(int timeoutMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(timeoutMs, 0, 1)));
}

int CommandControl::ReadByte(char* byte, int timeoutMs) {
    LongTimer timer;
    timer.Restart();
    bool readyButEmpty = false;
    for (;;) {
        int elapsed = timer.ReadTimerMilliSeconds();
        if (elapsed > timeoutMs) {
            return ERR_TIMEOUT;
        }
        int count = 0;
        int result = GetData(1, byte, &count);
        if (result != 0) {
            return result;
        }
        if (count > 0) {
            return 0;
        }
        // A clock set back must not stretch the wait past the time-out.
        int remaining = std::max(0, std::min(timeoutMs - elapsed, timeoutMs));
        if (readyButEmpty) {
            // Ready without data means the other end has gone: do not spin on it.
            PauseBriefly(remaining);
        }
        readyButEmpty = WaitForInput(remaining);
    }
}

ssize_t CommandControl::WriteSome(const char* data, size_t length) { return write(descriptor, data, length); }

int CommandControl::WriteAll(const char* data, int length, int timeoutMs) {
    if (descriptor < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    LongTimer timer;
    timer.Restart();
    int sent = 0;
    while (sent < length) {
        ssize_t written = WriteSome(data + sent, static_cast<size_t>(length - sent));
        if (written > 0) {
            sent += static_cast<int>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return ERR_LINK_NOT_OPEN;
        }
        int remaining = timeoutMs - timer.ReadTimerMilliSeconds();
        if (remaining < 0) {
            return ERR_LINK_NOT_OPEN;
        }
        struct pollfd wanted = {descriptor, POLLOUT, 0};
        poll(&wanted, 1, std::min(remaining, timeoutMs));
    }
    return 0;
}

void CommandControl::DiscardPendingInput() {
    unread.clear();
    char discard[ReceiveChunk];
    int count = 0;
    do {
        count = 0;
        GetData(ReceiveChunk, discard, &count);
    } while (count > 0);
}

void CommandControl::ResetReceiver() {
    unread.clear();
    receiveBuffer.Clear();
    rcvdStart = false;
    escapeState = false;
}

int CommandControl::GetCommand(CommandMessage* message) {
    message->Clear();
    DataFrame frame;
    int result = ReadFrameNonBlock(frame);
    if (result != 0 || frame.Empty()) {
        return result;
    }
    for (size_t i = 0; i < frame.Size(); ++i) {
        message->AddChar(frame[i]);
    }
    message->AddChar('\r');
    return 0;
}

int CommandControl::OutputFrame(DataFrame& frame, int timeoutMs) {
    outputBuffer[0] = '[';
    int used = 1;
    frame.PrependShort(static_cast<short>(frame.Size()));
    for (size_t i = 0; i < frame.Size(); ++i) {
        if (used > MaxEncodedFrame) {
            return ERR_FRAME_TOO_LONG;
        }
        char c = frame[i];
        if (c == '[' || c == ']' || c == '*') {
            outputBuffer[used++] = '*';
        }
        outputBuffer[used++] = c;
    }
    outputBuffer[used++] = ']';
    return SendData(used, outputBuffer.data(), timeoutMs);
}

int CommandControl::SendCommand(CmdType code, std::string& params, DataFrame& response, int timeoutMs) {
    EmptyInputBuffer();
    requestFrame.Clear();
    params = std::to_string(static_cast<int>(code)) + "," + params;
    requestFrame.AddString(params);
    int result = OutputFrame(requestFrame, timeoutMs);
    if (result != 0) {
        return result;
    }
    result = ReadFrame(response, timeoutMs);
    if (result != 0) {
        return result;
    }
    if (response.Size() < 3) {
        return ERR_SHORT_RESPONSE;
    }
    char command = 0;
    short unitResult = 0;
    response.ExtractByte(&command);
    response.ExtractShort(&unitResult);
    if (unitResult != 0) {
        return unitResult;
    }
    if (static_cast<unsigned char>(command) != (static_cast<int>(code) & 0xFF)) {
        return ERR_COMMAND_MISMATCH;
    }
    return 0;
}

}  // namespace VN_Lib
