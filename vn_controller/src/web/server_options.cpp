#include "web/server_options.h"

#include "host_settings.h"
#include "station_paths.h"

namespace VN_Sample {

ServerOptions_T ServerOptions_T::FromHost() {
    ServerOptions_T options;
    const int port = VN_Lib::HttpPort();
    if (port > 0) options.listeningPorts = std::to_string(port);
    options.documentRoot = VN_Lib::StationPath(VN_Lib::DocumentRoot());
    return options;
}

}  // namespace VN_Sample
