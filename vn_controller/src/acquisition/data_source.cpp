#include "acquisition/data_source.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "clock.h"
#include "port_io.h"
#include "sys_error.h"
#include "unit_process.h"

namespace VN_Sample {

namespace {

// The local unit program needs this long after its start before it listens.
constexpr auto UnitStartWait = std::chrono::seconds(5);
// On a busy computer it may need longer: it is asked again every second
// until this long after its start, which costs less than going offline for a
// whole retry interval.
constexpr auto UnitStartLimit = std::chrono::seconds(15);
constexpr auto UnitStartRetry = std::chrono::seconds(1);

// The failures of a unit program that does not answer yet.
bool NotAnsweringYet(int code) {
    return code == VN_Lib::ERR_CONNECT || code == VN_Lib::ERR_TIMEOUT || code == VN_Lib::ERR_LINK_NOT_OPEN;
}

// Each identification line is formatted in a buffer of this size.
constexpr int ConfigurationLineSize = 76;

// Analog card port ranges the controller's threads may touch (cards and LEDs).
constexpr unsigned long CardPortBase = 0x300;
constexpr unsigned long CardPortBlock = 16;

// One line of the identification text; a line too long for the buffer is
// cut and keeps its line feed.
void AppendLine(std::string& text, const char* label, const std::string& value) {
    char line[ConfigurationLineSize];
    int length = std::snprintf(line, sizeof(line), "%s:\t%s\n", label, value.c_str());
    if (length >= ConfigurationLineSize) {
        line[ConfigurationLineSize - 2] = '\n';
    }
    text += line;
}

}  // namespace

int DataSource::SetPort(VN_Lib::CommandControl* newPort) {
    port.reset(newPort);
    return 0;
}

int DataSource::SendCommand(CmdType code, std::string& params, VN_Lib::DataFrame& response, int timeoutMs) {
    if (!online) {
        return ErrOffline;
    }
    if (!port) {
        return VN_Lib::ERR_LINK_NOT_OPEN;
    }
    return port->SendCommand(code, params, response, timeoutMs);
}

int DataSource::Failed(int code, const char* where) {
    if (code == VN_Lib::ERR_TIMEOUT || code == VN_Lib::ERR_LINK_NOT_OPEN || code == ErrOffline) {
        GoOffline(code, where);
    }
    return code;
}

void DataSource::FixPortAfter(int code) {
    if (code == ErrPortFault && port) {
        port->FixPort();
    }
}

int DataSource::GoOnline() {
    if (!port) {
        GoOffline(VN_Lib::ERR_LINK_NOT_OPEN, "GoOnline()");
        return VN_Lib::ERR_LINK_NOT_OPEN;
    }
    const bool localUnit = port->LinkKind() == VN_Lib::CommandControl::LinkSocket;
    const auto started = std::chrono::steady_clock::now();
    if (localUnit) {
        // The local unit is restarted so that a hung program cannot stay hung.
        VN_Lib::StopUnitProgram();
        VN_Lib::StartUnitProgram();
        std::this_thread::sleep_for(UnitStartWait);
    }
    int result = OpenAndIdentify();
    while (localUnit && NotAnsweringYet(result) && std::chrono::steady_clock::now() - started < UnitStartLimit) {
        std::this_thread::sleep_for(UnitStartRetry);
        result = OpenAndIdentify();
    }
    if (result != 0) {
        GoOffline(result, "GoOnline()");
    }
    return result;
}

std::string LogTimeText() {
    time_t now = VN_Lib::Now();
    struct tm local = {};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof(text), "%i:%i:%i  %i/%i/%i", local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return text;
}

int DataSource::OpenAndIdentify() {
    const int result = port->OpenPort();
    return result == 0 ? Initialize() : result;
}

int DataSource::GoOffline(int code, std::string where) {
    std::printf("Offline error %i in %s at %s\n", code, where.c_str(), LogTimeText().c_str());
    std::fflush(stdout);
    SetOnlineState(false);
    return 0;
}

int DataSource::Initialize() {
    SetOnlineState(true);
    int result = GetConfiguration();
    ResetAverages();
    return result;
}

int DataSource::GetTemperatureSample(TemperatureSample* sample, int id) const {
    auto found = temperatureSamples.find(id);
    if (found == temperatureSamples.end()) {
        return ErrNoSample;
    }
    *sample = found->second;
    return 0;
}

int DataSource::GetAuxInputSample(AuxInputSample* sample, int id) const {
    auto found = auxInputSamples.find(id);
    if (found == auxInputSamples.end()) {
        return ErrNoSample;
    }
    *sample = found->second;
    return 0;
}

int DataSource::GetModuleSample(ModuleSample* sample, int id) const {
    auto found = moduleSamples.find(id);
    if (found == moduleSamples.end()) {
        return ErrNoSample;
    }
    *sample = found->second;
    return 0;
}

void DataSource::InvalidateAllSamples() {
    for (auto& entry : temperatureSamples) entry.second.Invalidate();
    for (auto& entry : auxInputSamples) entry.second.Invalidate();
    for (auto& entry : moduleSamples) entry.second.Invalidate();
}

void DataSource::AverageDataNow() {
    for (auto& entry : temperatureSamples) entry.second.AverageNow();
    for (auto& entry : auxInputSamples) entry.second.AverageNow();
    for (auto& entry : moduleSamples) entry.second.AverageNow();
}

void DataSource::ResetAverages() {
    for (auto& entry : temperatureSamples) entry.second.ResetAverage();
    for (auto& entry : auxInputSamples) entry.second.ResetAverage();
    for (auto& entry : moduleSamples) entry.second.ResetAverage();
}

void DataSource::ConfigurationString(std::string& text) const {
    text.clear();
    AppendLine(text, "Software Version", softwareVersion);
    AppendLine(text, "Serial Number", serialNumber);
    AppendLine(text, "Build Date", buildDate);
    AppendLine(text, "Model Number", modelNumber);
    AppendLine(text, "Number of Modules", std::to_string(moduleSamples.size()));
    AppendLine(text, "Number of Aux Inputs", std::to_string(auxInputSamples.size()));
    AppendLine(text, "Number of Temperatures", std::to_string(temperatureSamples.size()));
}

void DataSource::SetOnlineState(bool state) {
    online = state;
    UpdateStatusLed();
}

void DataSource::SetActiveState(bool state) {
    active = state;
    UpdateStatusLed();
}

void DataSource::UpdateStatusLed() {
    if (online && active) {
        statusLed.Set();
    } else {
        statusLed.Clear();
    }
}

void DataSource::EnableIoPorts() {
    VN_Lib::init_io_port(CardPortBase, CardPortBlock);
    VN_Lib::init_io_port(CardPortBase + CardPortBlock, CardPortBlock);
}

}  // namespace VN_Sample
