#include "web/data_server.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// The sampler's settings documents: schedule, curves, date and time, network.

namespace VN_Sample {

namespace {

int GetSchedule(DataServer& server, std::string& xml) { return server.sampler.GetUserSettings(xml); }
int SetSchedule(DataServer& server, const std::string& xml) { return server.sampler.SetUserSettingsXml(xml); }
int GetCurves(DataServer& server, std::string& xml) { return server.sampler.GetCurveSettings(xml); }
int SetCurves(DataServer& server, const std::string& xml) { return server.sampler.SetCurveSettings(xml); }
int GetTime(DataServer& server, std::string& xml) { return server.sampler.GetTimeSettings(xml); }
// A posted date and time goes on the clock unless the time comes from NTP.
int SetTime(DataServer& server, const std::string& xml) { return server.sampler.SetTimeSettings(xml, true); }
int GetNow(DataServer& server, std::string& xml) { return server.sampler.GetCurrentTimeDate(xml); }
int GetNetwork(DataServer& server, std::string& xml) { return server.sampler.GetNetworkSettings(xml); }
int SetNetwork(DataServer& server, const std::string& xml) { return server.sampler.SetNetworkSettings(xml); }

}  // namespace

void ServeSampleSettings(const WebRequest& request) { ServeSettings(request, GetSchedule); }
void ReceiveSampleSettings(const WebRequest& request) {
    ReceiveSettings(request, SaveWhenPosted, true, GetSchedule, SetSchedule);
}
void ServeCurveSettings(const WebRequest& request) { ServeSettings(request, GetCurves); }
void ReceiveCurveSettings(const WebRequest& request) {
    ReceiveSettings(request, SaveWhenPosted, false, GetCurves, SetCurves);
}
void GetDateTime(const WebRequest& request) { ServeSettings(request, GetNow); }
void GetDateTimeSettings(const WebRequest& request) { ServeSettings(request, GetTime); }
void ReceiveDateTimeSettings(const WebRequest& request) {
    ReceiveSettings(request, AlwaysSave, false, GetTime, SetTime);
}
void ServeNetworkSettings(const WebRequest& request) { ServeSettings(request, GetNetwork); }
void ReceiveNetworkSettings(const WebRequest& request) {
    ReceiveSettings(request, AlwaysSave, false, GetNetwork, SetNetwork);
}

}  // namespace VN_Sample
