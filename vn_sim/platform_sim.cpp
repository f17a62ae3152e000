#include "platform.h"

#include <iostream>

#include "vn_sim/station/station_installer.h"
#include "vn_sim/station_description.h"
#include "vn_sim/unit_port_check.h"

namespace VN_Lib {

int InitPlatform(const std::string& program) {
    VN_Sim::StationDescription& description = VN_Sim::StationDescription::Instance();
    if (description.Load(VN_Sim::StationDescription::FileName) != 0) return 1;
    // The device sections: cards, buses, loads, modules, sensors and LEDs of
    // this program (each section reader is called from InstallStation).
    std::string error;
    if (VN_Sim::InstallStation(description.Root(), program, &error) != 0) {
        std::cerr << VN_Sim::StationDescription::FileName << ": " << error << std::endl;
        return 1;
    }
    if (program == "vn_controller") {
        const std::string mismatch = VN_Sim::UnitPortMismatch(description.UnitPort(), "hw_config.xml");
        if (!mismatch.empty()) std::cerr << VN_Sim::StationDescription::FileName << ": " << mismatch << std::endl;
    }
    return 0;
}

}  // namespace VN_Lib
