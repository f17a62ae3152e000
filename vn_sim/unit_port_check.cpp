#include "vn_sim/unit_port_check.h"

#include <tinyxml.h>

namespace VN_Sim {

std::string UnitPortMismatch(int unitPort, const std::string& hwConfigPath) {
    TiXmlDocument document(hwConfigPath.c_str());
    if (!document.LoadFile() || document.RootElement() == nullptr) return "";
    const std::string problem = "the controller reaches its local unit on port " + std::to_string(unitPort) +
                                " (Host unit_port in sim_station.xml), but " + hwConfigPath;
    const TiXmlElement* ports = document.RootElement()->FirstChildElement("CommandPorts");
    const TiXmlElement* socket = ports != nullptr ? ports->FirstChildElement("Socket") : nullptr;
    if (socket == nullptr) return problem + " opens no Socket command port";
    int port = 3010;  // the unit's default, as it reads the element
    socket->QueryIntAttribute("port", &port);
    if (port == unitPort) return "";
    return problem + " has the unit listen on port " + std::to_string(port) + ": make the two the same";
}

}  // namespace VN_Sim
