#include "unit_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "test_support.h"

namespace VN_Test {

UnitClient::UnitClient(int port, int connectTimeoutMs) { fd = ConnectLoopback(port, connectTimeoutMs); }

UnitClient::~UnitClient() {
    if (fd >= 0) close(fd);
}

bool UnitClient::SendRaw(const std::string& bytes) {
    return fd >= 0 && send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

bool UnitClient::ReadResponse(std::vector<unsigned char>* payload, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Decode from what has arrived: skip to '[', unescape up to ']'.
        size_t start = pending.find('[');
        if (start != std::string::npos) {
            std::string body;
            bool escaped = false;
            for (size_t i = start + 1; i < pending.size(); ++i) {
                char c = pending[i];
                if (!escaped && c == '*') {
                    escaped = true;
                    continue;
                }
                if (!escaped && c == ']') {
                    pending.erase(0, i + 1);
                    if (body.size() < 2) return false;
                    size_t length = static_cast<unsigned char>(body[0]) | (static_cast<unsigned char>(body[1]) << 8);
                    if (length != body.size() - 2) return false;
                    payload->assign(body.begin() + 2, body.end());
                    return true;
                }
                escaped = false;
                body.push_back(c);
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fd < 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0) return false;
        pending.append(buffer, static_cast<size_t>(n));
    }
}

bool UnitClient::Ask(const std::string& text, std::vector<unsigned char>* payload, int timeoutMs) {
    return SendRaw(RequestFrame(text)) && ReadResponse(payload, timeoutMs);
}

unsigned char PayloadReader::Byte() {
    if (pos >= bytes.size()) throw std::out_of_range("payload ended");
    return bytes[pos++];
}

int PayloadReader::Short() {
    uint16_t v = Byte();
    v = static_cast<uint16_t>(v | (Byte() << 8));
    return static_cast<int16_t>(v);
}

int PayloadReader::Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return static_cast<int32_t>(v);
}

double PayloadReader::Double() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(Byte()) << (8 * i);
    double d;
    std::memcpy(&d, &v, sizeof(d));
    return d;
}

float PayloadReader::Float() {
    uint32_t v = static_cast<uint32_t>(Int());
    float f;
    std::memcpy(&f, &v, sizeof(f));
    return f;
}

std::string PayloadReader::String() {
    std::string s;
    for (char c = static_cast<char>(Byte()); c != '\0'; c = static_cast<char>(Byte())) s.push_back(c);
    return s;
}

}  // namespace VN_Test
