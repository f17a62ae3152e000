#include "platform.h"

#include "vn_sim/station_description.h"

namespace VN_Lib {

int InitPlatform() {
    return VN_Sim::StationDescription::Instance().Load(VN_Sim::StationDescription::FileName);
}

}  // namespace VN_Lib
