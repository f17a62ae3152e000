#ifndef VN_CONTROLLER_SERVER_OPTIONS_H
#define VN_CONTROLLER_SERVER_OPTIONS_H

#include <string>

namespace VN_Sample {

// Where and how the web server runs. The password files are always those of
// the working directory (accounts/password_files.h).
struct ServerOptions_T {
    // The server's "listening_ports" value; empty: no server.
    std::string listeningPorts;
    // Folder of the static web site, as a path of this host.
    std::string documentRoot;
    // Worker threads; 0 leaves the library's default.
    int workerThreads = 0;
    // A manual curve run is waited for this long plus the time per curve asked
    // (a sweep takes at most about 5 s); then the request answers 504.
    int curveWaitBaseMs = 10000;
    int curveWaitPerCurveMs = 6000;

    // From the host settings: its HTTP port on every address, its web site.
    static ServerOptions_T FromHost();
};

}  // namespace VN_Sample

#endif
