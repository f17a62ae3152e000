#ifndef VN_CONTROLLER_FILE_REPLY_H
#define VN_CONTROLLER_FILE_REPLY_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

struct mg_connection;

// Downloads: replies sent in pieces as they are read, never a whole file
// in memory, offered to be saved under a name.

namespace VN_Sample {

// The first length bytes of the file as they are stored, with that
// Content-Length. A file that turns out shorter ends the reply early, so
// the client sees it incomplete.
void SendStoredFile(mg_connection* connection, std::FILE* file, uint64_t length, const char* contentType,
                    const std::string& downloadName);

// Hands the producer a sink for the body's pieces; false from the sink
// means the client has gone. The body goes in chunked transfer encoding, so
// a client can tell a reply the producer gave up on (it returned false) by
// its missing last chunk.
using BodyProducer = std::function<bool(const std::function<bool(const std::string&)>& sink)>;
void SendProducedFile(mg_connection* connection, const char* contentType, const std::string& downloadName,
                      const BodyProducer& produce);

}  // namespace VN_Sample

#endif
