#include "web/client_watch.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace VN_Sample {

namespace {

// Address text and port of a socket address (IPv4 or IPv6).
bool Describe(const sockaddr_storage& address, char* text, size_t size, int* port) {
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(address);
        *port = ntohs(in.sin_port);
        return inet_ntop(AF_INET, &in.sin_addr, text, static_cast<socklen_t>(size)) != nullptr;
    }
    if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        *port = ntohs(in6.sin6_port);
        return inet_ntop(AF_INET6, &in6.sin6_addr, text, static_cast<socklen_t>(size)) != nullptr;
    }
    return false;
}

bool IsConnection(int descriptor, const mg_request_info& info) {
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) return false;
    if (getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) return false;
    char localText[INET6_ADDRSTRLEN];
    char peerText[INET6_ADDRSTRLEN];
    int localPort = 0;
    int peerPort = 0;
    if (!Describe(local, localText, sizeof localText, &localPort)) return false;
    if (!Describe(peer, peerText, sizeof peerText, &peerPort)) return false;
    return localPort == info.server_port && peerPort == info.remote_port &&
           std::strcmp(peerText, info.remote_addr) == 0;
}

}  // namespace

ClientWatch::ClientWatch(const mg_connection* connection) {
    const mg_request_info* info = mg_get_request_info(connection);
    if (info == nullptr) return;
    std::unique_ptr<DIR, int (*)(DIR*)> descriptors(opendir("/proc/self/fd"), closedir);
    if (!descriptors) return;
    while (const dirent* entry = readdir(descriptors.get())) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        const int descriptor = std::atoi(entry->d_name);
        if (IsConnection(descriptor, *info)) {
            socket = descriptor;
            return;
        }
    }
}

bool ClientWatch::Gone() const {
    if (socket < 0) return false;
    pollfd watched{socket, POLLIN | POLLRDHUP, 0};
    if (poll(&watched, 1, 0) <= 0) return false;
    if ((watched.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) return true;
    // Readable: a further request, or the end of the stream.
    char byte = 0;
    return recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

}  // namespace VN_Sample
