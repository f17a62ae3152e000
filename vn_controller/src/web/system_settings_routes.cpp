#include "web/data_server.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// The data system's settings documents: module, aux-input and temperature
// channels, global modes.

namespace VN_Sample {

namespace {

int GetModules(DataServer& server, std::string& xml) { return server.system.GetModuleChannelSettings(xml); }
int SetModules(DataServer& server, const std::string& xml) { return server.system.SetModuleChannelSettings(xml); }
int GetAuxInputs(DataServer& server, std::string& xml) { return server.system.GetXmlAuxInputChannelSettings(xml); }
int SetAuxInputs(DataServer& server, const std::string& xml) {
    return server.system.SetAuxInputChannelSettings(xml);
}
int GetTemperatures(DataServer& server, std::string& xml) {
    return server.system.GetXmlTemperatureChannelSettings(xml);
}
int SetTemperatures(DataServer& server, const std::string& xml) {
    return server.system.SetTemperatureChannelSettings(xml);
}
int GetGlobals(DataServer& server, std::string& xml) { return server.system.GetGlobalSettings(xml); }
int SetGlobals(DataServer& server, const std::string& xml) { return server.system.SetGlobalSettings(xml); }

}  // namespace

void ServeModuleChannelSettings(const WebRequest& request) { ServeSettings(request, GetModules); }
void ReceiveModuleChannelSettings(const WebRequest& request) {
    ReceiveSettings(request, SaveWhenPosted, true, GetModules, SetModules);
}
void ServeAuxInputChannelSettings(const WebRequest& request) { ServeSettings(request, GetAuxInputs); }
void ReceiveAuxInputChannelSettings(const WebRequest& request) {
    ReceiveSettings(request, AlwaysSave, true, GetAuxInputs, SetAuxInputs);
}
void ServeTemperatureChannelSettings(const WebRequest& request) { ServeSettings(request, GetTemperatures); }
void ReceiveTemperatureChannelSettings(const WebRequest& request) {
    ReceiveSettings(request, AlwaysSave, true, GetTemperatures, SetTemperatures);
}
void ServeGlobalSettings(const WebRequest& request) { ServeSettings(request, GetGlobals); }
void ReceiveGlobalSettings(const WebRequest& request) {
    ReceiveSettings(request, AlwaysSave, true, GetGlobals, SetGlobals);
}

}  // namespace VN_Sample
