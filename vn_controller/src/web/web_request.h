#ifndef VN_CONTROLLER_WEB_REQUEST_H
#define VN_CONTROLLER_WEB_REQUEST_H

struct mg_connection;

namespace VN_Sample {

class DataServer;

// What a route handler works with: the connection and the server whose
// sampler and data system it serves.
struct WebRequest {
    mg_connection* connection;
    DataServer& server;
};

}  // namespace VN_Sample

#endif
