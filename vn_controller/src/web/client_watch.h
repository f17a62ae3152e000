#ifndef VN_CONTROLLER_CLIENT_WATCH_H
#define VN_CONTROLLER_CLIENT_WATCH_H

struct mg_connection;

namespace VN_Sample {

// Tells whether the client of a request has gone, so a handler that waits
// long can stop. The server library offers no such query: the connection's
// socket is found among the process's descriptors by its two addresses (it
// stays open while the handler runs) and polled.
class ClientWatch {
public:
    explicit ClientWatch(const mg_connection* connection);
    // True once the client closed or reset its end; false while it may still
    // read, and always when the socket could not be found.
    bool Gone() const;

private:
    int socket = -1;
};

}  // namespace VN_Sample

#endif
