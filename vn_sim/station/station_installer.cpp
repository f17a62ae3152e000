#include "vn_sim/station/station_installer.h"

#include <memory>
#include <mutex>
#include <utility>

#include "vn_sim/physics/environment.h"
#include "vn_sim/port_space.h"
#include "vn_sim/station/can_section.h"
#include "vn_sim/station/card_section.h"
#include "vn_sim/station/environment_section.h"
#include "vn_sim/station/module_section.h"
#include "vn_sim/station/output_sections.h"
#include "vn_sim/station/sensor_section.h"
#include "vn_sim/station/serial_line_section.h"

namespace VN_Sim {

namespace {

std::mutex installMutex;
std::unique_ptr<Station> installed;

// Sections in the order their references need: buses before the chips and
// loads on them, cards before the inputs, modules and heat sinks before the
// sensors on them.
int Build(const TiXmlElement* root, Station& station, std::string* error) {
    if (root == nullptr) return ReadTruth(root, station, error);
    if (ReadHeatSinks(*root, station, error) != 0 || ReadCanBusses(*root, station, error) != 0 ||
        ReadCards(*root, station, error) != 0 || ReadModules(*root, station, error) != 0 ||
        ReadSensors(*root, station, error) != 0 || ReadLeds(*root, station, error) != 0 ||
        ReadSerialLines(*root, station, error) != 0)
        return 1;
    return ReadTruth(root, station, error);
}

void ClearLocked() {
    if (!installed) return;
    PortSpace::Instance().UnmapAll();
    installed.reset();
}

}  // namespace

int InstallStation(const TiXmlElement* root, const std::string& program, std::string* error) {
    EnvironmentParams_T environment;
    double supplyRise = 0.0;
    if (ReadEnvironment(root, &environment, &supplyRise, error) != 0) return 1;
    auto station = std::make_unique<Station>(
        program, std::make_unique<StationModel>(environment, supplyRise, StationNow()));
    if (Build(root, *station, error) != 0) return 1;

    std::lock_guard<std::mutex> lock(installMutex);
    ClearLocked();
    if (station->Map(error) != 0) {
        // Never leave half a station on the ports.
        PortSpace::Instance().UnmapAll();
        return 1;
    }
    installed = std::move(station);
    return 0;
}

Station* InstalledStation() {
    std::lock_guard<std::mutex> lock(installMutex);
    return installed.get();
}

bool InstalledSerialLine(int com, SerialLineSettings_T* line) {
    std::lock_guard<std::mutex> lock(installMutex);
    return installed != nullptr && installed->SerialLine(com, line);
}

void RemoveStation() {
    std::lock_guard<std::mutex> lock(installMutex);
    ClearLocked();
}

}  // namespace VN_Sim
