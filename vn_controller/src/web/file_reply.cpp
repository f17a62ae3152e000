#include "web/file_reply.h"

#include <civetweb.h>

#include <cstdio>
#include <vector>

namespace VN_Sample {

namespace {

const size_t ReadSize = 64 * 1024;

// The server closes every connection after its reply (see http_reply.cpp).
std::string DownloadHeader(const char* contentType, const std::string& downloadName) {
    return std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + contentType +
           "\r\nContent-Disposition: attachment; filename=\"" + downloadName + "\"\r\nConnection: close\r\n";
}

bool Write(mg_connection* connection, const char* data, size_t size) {
    return mg_write(connection, data, size) == static_cast<int>(size);
}

bool Write(mg_connection* connection, const std::string& text) { return Write(connection, text.data(), text.size()); }

}  // namespace

void SendStoredFile(mg_connection* connection, std::FILE* file, uint64_t length, const char* contentType,
                    const std::string& downloadName) {
    const std::string header =
        DownloadHeader(contentType, downloadName) + "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    if (!Write(connection, header)) return;
    std::vector<char> buffer(ReadSize);
    for (uint64_t left = length; left > 0;) {
        const size_t wanted = left < ReadSize ? static_cast<size_t>(left) : ReadSize;
        const size_t got = std::fread(buffer.data(), 1, wanted, file);
        if (got == 0 || !Write(connection, buffer.data(), got)) return;
        left -= got;
    }
}

void SendProducedFile(mg_connection* connection, const char* contentType, const std::string& downloadName,
                      const BodyProducer& produce) {
    if (!Write(connection, DownloadHeader(contentType, downloadName) + "Transfer-Encoding: chunked\r\n\r\n")) return;
    const bool complete = produce([connection](const std::string& piece) {
        if (piece.empty()) return true;  // an empty chunk would end the body
        char size[24];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        // One write per chunk, its size line and end with it.
        return Write(connection, size + piece + "\r\n");
    });
    if (complete) Write(connection, "0\r\n\r\n");
}

}  // namespace VN_Sample
