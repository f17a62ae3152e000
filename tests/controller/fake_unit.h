#ifndef VN_TEST_FAKE_UNIT_H
#define VN_TEST_FAKE_UNIT_H

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data_frame.h"

namespace VN_Test {

// A scripted measurement unit on a loopback TCP port. Every request frame that
// arrives is recorded and answered with the next scripted reply; a request
// without a scripted reply gets no answer. A new connection replaces the old.
// The wire format is encoded and decoded here, independently of the link classes.
class FakeUnit {
public:
    FakeUnit();
    ~FakeUnit();
    FakeUnit(const FakeUnit&) = delete;
    FakeUnit& operator=(const FakeUnit&) = delete;

    int Port() const { return port; }
    // Queues a reply: command byte, result short, then the fields.
    void Answer(int command, int result, const VN_Lib::DataFrame& fields = VN_Lib::DataFrame());
    // Queues a request that is left unanswered.
    void Ignore();
    // Request texts received so far, without their NUL.
    std::vector<std::string> Requests();
    size_t BytesReceived();

private:
    struct Reply_T {
        bool silent = false;
        std::string payload;
    };

    void Serve();
    void Receive(const char* data, size_t length);
    void Respond(const std::string& body);

    int listenSocket = -1;
    int connection = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::deque<Reply_T> script;
    std::vector<std::string> requests;
    size_t bytesReceived = 0;
    // Receiver state of the frame being decoded.
    bool started = false;
    bool escaped = false;
    std::string body;
    std::thread server;
};

}  // namespace VN_Test

#endif
