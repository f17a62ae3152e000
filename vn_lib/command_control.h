#ifndef VN_LIB_COMMAND_CONTROL_H
#define VN_LIB_COMMAND_CONTROL_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "command_message.h"
#include "data_frame.h"

namespace VN_Lib {

// The framed command link. A frame is '[', the escaped bytes of a 2-byte
// little-endian payload length and the payload, then ']'; '[', ']' and '*'
// inside are sent as '*' and the byte. Transports (socket, serial, CAN) supply
// the byte I/O; framing, the unit's non-blocking receiver and the requesting
// side's exchange live here.
class CommandControl {
public:
    enum LinkKind_T { LinkNone = 0, LinkSocket = 1, LinkSerial = 2, LinkCan = 3 };

    static const int OutputBufferSize = 16384;
    // An encoded frame may not grow past this many bytes (start byte included).
    static const int MaxEncodedFrame = 8190;
    // Bytes taken from the transport per non-blocking poll.
    static const int ReceiveChunk = 255;
    // No sender can encode a body this long: a longer one is garbage and is dropped.
    static const size_t MaxReceivedBody = OutputBufferSize;

    explicit CommandControl(int kind);
    virtual ~CommandControl();
    CommandControl(const CommandControl&) = delete;
    CommandControl& operator=(const CommandControl&) = delete;

    virtual int OpenPort() = 0;
    virtual int Close();
    virtual int FixPort();
    // Blocking receive of one frame; the time-out applies to each byte.
    virtual int ReadFrame(DataFrame& frame, int timeoutMs);
    // One poll: frame holds the payload of the next frame completed, or nothing.
    virtual int ReadFrameNonBlock(DataFrame& frame);
    virtual int ReadByte(char* byte, int timeoutMs);
    virtual int SendData(int length, const char* data, int timeoutMs) = 0;
    // count is the number of bytes received, 0 when nothing was there.
    virtual int GetData(int maxLength, char* buffer, int* count) = 0;
    virtual int EmptyInputBuffer() = 0;

    // Unit side: the message is done when a whole request frame has arrived.
    int GetCommand(CommandMessage* message);
    // Sends the frame; its length field stays prepended to it afterwards.
    int OutputFrame(DataFrame& frame, int timeoutMs);
    // Requesting side: one request and its response. params becomes the
    // request text; response holds the command's fields on success.
    int SendCommand(CmdType code, std::string& params, DataFrame& response, int timeoutMs);

    int LinkKind() const { return linkKind; }
    int SerialPortNumber() const { return serialPort; }
    int Descriptor() const { return descriptor; }

protected:
    // Waits up to timeoutMs for input on the descriptor; true when it polled ready.
    virtual bool WaitForInput(int timeoutMs);
    // One write attempt, as write(2).
    virtual ssize_t WriteSome(const char* data, size_t length);

    // Writes every byte, waiting for the descriptor to take more up to
    // timeoutMs in all; ERR_LINK_NOT_OPEN when not all could be written.
    int WriteAll(const char* data, int length, int timeoutMs);
    // Reads and discards until nothing more is there.
    void DiscardPendingInput();
    // Forgets a partly received frame.
    void ResetReceiver();
    // Sleeps about a millisecond (never longer than timeoutMs): polling without
    // a descriptor to wait on must not spin the processor.
    static void PauseBriefly(int timeoutMs);

    int linkKind;
    int serialPort = -1;
    int descriptor = -1;
    DataFrame requestFrame;

private:
    // Decodes one wire byte into body; true when it ended a frame. Bytes before
    // a start byte are ignored, and a body that grows past MaxReceivedBody is
    // dropped so that a stream without end bytes cannot exhaust memory.
    static bool DecodeByte(char c, bool& started, bool& escaped, DataFrame& body);
    // Takes the length field of a received body and checks it against the payload.
    static int CheckLength(DataFrame& frame);

    DataFrame receiveBuffer;
    // Bytes taken from the transport but not yet run through the receiver.
    std::vector<char> unread;
    std::vector<char> outputBuffer;
    bool rcvdStart = false;
    bool escapeState = false;
};

}  // namespace VN_Lib

#endif
