// Sends one request to a unit program over TCP and prints the decoded response:
// the command byte, the result code and the fields as bytes and text.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data_frame.h"
#include "socket_control.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT REQUEST [TIMEOUT_MS]\n  e.g. %s 3010 12   or   %s 3010 101,A,R\n", argv[0],
                     argv[0], argv[0]);
        return 2;
    }
    int port = std::atoi(argv[1]);
    int timeoutMs = argc > 3 ? std::atoi(argv[3]) : 10000;

    VN_Lib::SocketControl link;
    if (link.OpenClientSocket(port) != 0) {
        std::fprintf(stderr, "cannot connect to port %d\n", port);
        return 1;
    }
    VN_Lib::DataFrame request;
    request.AddString(std::string(argv[2]));
    int result = link.OutputFrame(request, 1000);
    VN_Lib::DataFrame response;
    if (result == 0) result = link.ReadFrame(response, timeoutMs);
    if (result != 0) {
        std::fprintf(stderr, "no response (error %d)\n", result);
        return 1;
    }

    char command = 0;
    short code = 0;
    if (response.ExtractByte(&command) != 0 || response.ExtractShort(&code) != 0) {
        std::fprintf(stderr, "response shorter than its header\n");
        return 1;
    }
    std::printf("command byte %d%s, result %d, %zu field bytes\n", static_cast<unsigned char>(command),
                command == 'E' ? " ('E')" : "", code, response.Size());
    std::string text;
    for (size_t i = 0; i < response.Size(); ++i) {
        unsigned char b = static_cast<unsigned char>(response[i]);
        std::printf("%02x%s", b, (i % 16 == 15 || i + 1 == response.Size()) ? "\n" : " ");
        text.push_back(std::isprint(b) ? static_cast<char>(b) : '.');
    }
    if (!text.empty()) std::printf("as text: %s\n", text.c_str());
    return 0;
}
