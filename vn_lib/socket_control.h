#ifndef VN_LIB_SOCKET_CONTROL_H
#define VN_LIB_SOCKET_CONTROL_H

#include <string>

#include "command_control.h"

namespace VN_Lib {

// The command link over TCP. As a server (the unit) it listens on a port and
// serves one connection at a time; when that peer goes away the next pending
// connection is served. It listens on the loopback address unless given
// another, since whoever reaches the port may reconfigure the unit. As a
// client (the controller) it connects to the port on the same machine.
class SocketControl : public CommandControl {
public:
    enum Mode_T { ModeNone = 0, ModeServer = 1, ModeClient = 2 };

    SocketControl();
    ~SocketControl() override;

    int OpenServerSocket();
    int OpenServerSocket(int tcpPort);
    // Listens on address (a dotted IPv4 quad; "0.0.0.0" for every interface);
    // any other text gives ERR_LINK_NOT_OPEN and opens nothing.
    int OpenServerSocket(int tcpPort, const std::string& address);
    int OpenClientSocket();
    int OpenClientSocket(int tcpPort);

    int OpenPort() override;
    int Close() override;
    // A client reconnects; a server has nothing to fix.
    int FixPort() override;
    // Accepts a pending connection when none is served; always 0.
    int ReadFrameNonBlock(DataFrame& frame) override;
    int SendData(int length, const char* data, int timeoutMs) override;
    // A client whose peer has closed or reset the connection gets
    // ERR_LINK_NOT_OPEN until it connects again.
    int GetData(int maxLength, char* buffer, int* count) override;
    int EmptyInputBuffer() override;

    int Mode() const { return mode; }
    int Port() const { return port; }
    bool Connected() const { return descriptor >= 0; }

protected:
    // send() without SIGPIPE: a peer that has gone must not end the process.
    ssize_t WriteSome(const char* data, size_t length) override;

private:
    void AcceptPending();
    void DropConnection();
    void CloseListener();

    int mode = ModeNone;
    int port = 0;
    std::string listenAddress = "127.0.0.1";
    int listenSocket = -1;
    // Set by GetData when the peer has closed or reset the connection.
    bool peerClosed = false;
};

}  // namespace VN_Lib

#endif
