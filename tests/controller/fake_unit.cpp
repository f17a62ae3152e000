#include "fake_unit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace VN_Test {

FakeUnit::FakeUnit() {
    listenSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listenSocket, reinterpret_cast<struct sockaddr*>(&address), sizeof(address));
    listen(listenSocket, 4);
    socklen_t size = sizeof(address);
    getsockname(listenSocket, reinterpret_cast<struct sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    server = std::thread([this] { Serve(); });
}

FakeUnit::~FakeUnit() {
    stopping = true;
    server.join();
    if (connection >= 0) close(connection);
    close(listenSocket);
}

void FakeUnit::Answer(int command, int result, const VN_Lib::DataFrame& fields) {
    Reply_T reply;
    reply.payload.push_back(static_cast<char>(command));
    reply.payload.push_back(static_cast<char>(result & 0xFF));
    reply.payload.push_back(static_cast<char>((result >> 8) & 0xFF));
    reply.payload.append(fields.Data(), fields.Size());
    std::lock_guard<std::mutex> lock(mutex);
    script.push_back(reply);
}

void FakeUnit::Ignore() {
    Reply_T reply;
    reply.silent = true;
    std::lock_guard<std::mutex> lock(mutex);
    script.push_back(reply);
}

std::vector<std::string> FakeUnit::Requests() {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

size_t FakeUnit::BytesReceived() {
    std::lock_guard<std::mutex> lock(mutex);
    return bytesReceived;
}

void FakeUnit::Serve() {
    while (!stopping) {
        struct pollfd wanted[2] = {{listenSocket, POLLIN, 0}, {connection, POLLIN, 0}};
        if (poll(wanted, connection >= 0 ? 2 : 1, 20) <= 0) continue;
        if (wanted[0].revents & POLLIN) {
            int fd = accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                if (connection >= 0) close(connection);
                connection = fd;
                started = escaped = false;
            }
            continue;
        }
        if (connection >= 0 && (wanted[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char chunk[512];
            ssize_t got = recv(connection, chunk, sizeof(chunk), 0);
            if (got <= 0) {
                close(connection);
                connection = -1;
            } else {
                Receive(chunk, static_cast<size_t>(got));
            }
        }
    }
}

void FakeUnit::Receive(const char* data, size_t length) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        bytesReceived += length;
    }
    for (size_t i = 0; i < length; ++i) {
        char c = data[i];
        if (!started) {
            if (c == '[') {
                started = true;
                body.clear();
            }
        } else if (escaped) {
            body.push_back(c);
            escaped = false;
        } else if (c == '*') {
            escaped = true;
        } else if (c == ']') {
            started = false;
            Respond(body);
        } else {
            body.push_back(c);
        }
    }
}

void FakeUnit::Respond(const std::string& request) {
    Reply_T reply;
    {
        std::lock_guard<std::mutex> lock(mutex);
        // Drop the length field and the text's NUL.
        std::string text = request.size() > 2 ? request.substr(2) : std::string();
        if (!text.empty() && text.back() == '\0') text.pop_back();
        requests.push_back(text);
        if (script.empty()) return;
        reply = script.front();
        script.pop_front();
    }
    if (reply.silent) return;
    std::string frameBody;
    frameBody.push_back(static_cast<char>(reply.payload.size() & 0xFF));
    frameBody.push_back(static_cast<char>((reply.payload.size() >> 8) & 0xFF));
    frameBody += reply.payload;
    std::string wire = "[";
    for (char c : frameBody) {
        if (c == '[' || c == ']' || c == '*') wire.push_back('*');
        wire.push_back(c);
    }
    wire.push_back(']');
    send(connection, wire.data(), wire.size(), MSG_NOSIGNAL);
}

}  // namespace VN_Test
