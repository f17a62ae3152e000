#ifndef VN_TEST_UNIT_CLIENT_H
#define VN_TEST_UNIT_CLIENT_H

#include <string>
#include <vector>

namespace VN_Test {

// Wire-level client of a unit program, written independently of the link
// classes so it can check them: sends request frames and decodes responses.
class UnitClient {
public:
    explicit UnitClient(int port, int connectTimeoutMs = 5000);
    ~UnitClient();
    UnitClient(const UnitClient&) = delete;
    UnitClient& operator=(const UnitClient&) = delete;

    bool Connected() const { return fd >= 0; }
    bool SendRaw(const std::string& bytes);
    // The payload of the next response frame, or false after timeoutMs.
    bool ReadResponse(std::vector<unsigned char>* payload, int timeoutMs = 3000);
    // Sends one request and reads its response.
    bool Ask(const std::string& text, std::vector<unsigned char>* payload, int timeoutMs = 3000);

private:
    int fd = -1;
    std::string pending;  // received bytes not yet part of a returned frame
};

// Reads little-endian fields from the front of a response payload.
class PayloadReader {
public:
    explicit PayloadReader(const std::vector<unsigned char>& payload) : bytes(payload) {}
    bool AtEnd() const { return pos == bytes.size(); }
    size_t Left() const { return bytes.size() - pos; }
    unsigned char Byte();
    int Short();
    int Int();
    double Double();
    float Float();
    std::string String();

private:
    std::vector<unsigned char> bytes;
    size_t pos = 0;
};

}  // namespace VN_Test

#endif
