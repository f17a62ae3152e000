#ifndef VN_SIM_UNIT_PORT_CHECK_H
#define VN_SIM_UNIT_PORT_CHECK_H

#include <string>

namespace VN_Sim {

// The controller reaches its local unit on the description's unit port, the
// unit listens where hw_config.xml's Socket command port says: when the two
// differ, every exchange fails and the controller only ever prints its
// offline error. Returns the explanation for an operator, or "" when the
// ports agree or there is no readable hw_config.xml (no local unit here).
std::string UnitPortMismatch(int unitPort, const std::string& hwConfigPath);

}  // namespace VN_Sim

#endif
