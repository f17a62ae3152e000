#include "socket_control.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net_names.h"
#include "sys_error.h"

namespace VN_Lib {

namespace {

void SetOption(int fd, int level, int option, int value) {
    setsockopt(fd, level, option, &value, sizeof(value));
}

void MakeNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

}  // namespace

SocketControl::SocketControl() : CommandControl(LinkSocket) {}

SocketControl::~SocketControl() {
    DropConnection();
    CloseListener();
}

void SocketControl::DropConnection() {
    if (descriptor >= 0) {
        close(descriptor);
    }
    descriptor = -1;
    peerClosed = false;
    ResetReceiver();
}

void SocketControl::CloseListener() {
    if (listenSocket >= 0) {
        close(listenSocket);
    }
    listenSocket = -1;
}

int SocketControl::OpenServerSocket(int tcpPort) {
    port = tcpPort;
    return OpenServerSocket();
}

int SocketControl::OpenServerSocket(int tcpPort, const std::string& address) {
    port = tcpPort;
    listenAddress = address;
    return OpenServerSocket();
}

int SocketControl::OpenServerSocket() {
    DropConnection();
    CloseListener();
    struct in_addr host;
    if (!IsIpv4Quad(listenAddress) || inet_pton(AF_INET, listenAddress.c_str(), &host) != 1) {
        return ERR_LINK_NOT_OPEN;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    struct sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr = host;
    address.sin_port = htons(static_cast<uint16_t>(port));
    // A server that cannot listen would never be reached: say so.
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 3) != 0) {
        close(fd);
        return ERR_LINK_NOT_OPEN;
    }
    MakeNonBlocking(fd);
    listenSocket = fd;
    mode = ModeServer;
    linkKind = LinkSocket;
    return 0;
}

int SocketControl::OpenClientSocket(int tcpPort) {
    port = tcpPort;
    return OpenClientSocket();
}

int SocketControl::OpenClientSocket() {
    DropConnection();
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return ERR_CONNECT;
    }
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    struct linger noLinger = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof(noLinger));
    struct sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return ERR_CONNECT;
    }
    MakeNonBlocking(fd);
    descriptor = fd;
    mode = ModeClient;
    linkKind = LinkSocket;
    return 0;
}

int SocketControl::OpenPort() { return mode == ModeServer ? OpenServerSocket() : OpenClientSocket(); }

int SocketControl::Close() {
    DropConnection();
    CloseListener();
    mode = ModeNone;
    linkKind = LinkNone;
    return 0;
}

int SocketControl::FixPort() {
    if (mode == ModeClient) {
        OpenClientSocket();
    }
    return 0;
}

void SocketControl::AcceptPending() {
    if (listenSocket < 0) {
        return;
    }
    int fd = accept4(listenSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        descriptor = fd;
        peerClosed = false;
    }
}

int SocketControl::ReadFrameNonBlock(DataFrame& frame) {
    frame.Clear();
    if (mode == ModeServer && descriptor < 0) {
        AcceptPending();
    }
    if (descriptor >= 0) {
        CommandControl::ReadFrameNonBlock(frame);
    }
    // A controller that went away is replaced by the next one that connects.
    if (mode == ModeServer && peerClosed) {
        DropConnection();
        AcceptPending();
    }
    return 0;
}

ssize_t SocketControl::WriteSome(const char* data, size_t length) {
    return send(descriptor, data, length, MSG_NOSIGNAL);
}

int SocketControl::SendData(int length, const char* data, int timeoutMs) { return WriteAll(data, length, timeoutMs); }

int SocketControl::GetData(int maxLength, char* buffer, int* count) {
    *count = 0;
    // A client whose unit has gone (its program ended: the connection was
    // closed or reset) says so at once rather than waiting out the reply's
    // time-out; a server takes the next connection instead.
    if (descriptor < 0 || (mode == ModeClient && peerClosed)) {
        return ERR_LINK_NOT_OPEN;
    }
    if (maxLength <= 0) {
        return 0;
    }
    ssize_t got = recv(descriptor, buffer, static_cast<size_t>(maxLength), 0);
    if (got > 0) {
        *count = static_cast<int>(got);
    } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        peerClosed = true;
        if (mode == ModeClient) return ERR_LINK_NOT_OPEN;
    }
    return 0;
}

int SocketControl::EmptyInputBuffer() {
    DiscardPendingInput();
    return 0;
}

}  // namespace VN_Lib
