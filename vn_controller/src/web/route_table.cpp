#include "web/route_table.h"

#include <civetweb.h>

#include <cstring>

#include "web/data_server.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"
#include "web/same_origin.h"
#include "web/start_gate.h"

namespace VN_Sample {

namespace {

using RouteHandler = void (*)(const WebRequest&);

struct Route_T {
    // The URI, anchored with '$' so no longer URI matches; without it a
    // prefix whose handler checks the rest.
    const char* pattern;
    RouteHandler handler;
};

const Route_T Routes[] = {
    {"/admin/reset$", ResetSystem},
    {"/user/about.txt$", ServeAbout},
    {"/user/status.xml$", ServeStatus},
    {"/user/sample.xml$", ServeSampleXml},
    {"/admin/sample_settings.xml$", ServeSampleSettings},
    {"/admin/set_sample_settings$", ReceiveSampleSettings},
    {"/admin/channel_settings.xml$", ServeModuleChannelSettings},
    {"/admin/set_channel_settings$", ReceiveModuleChannelSettings},
    {"/admin/curve_settings.xml$", ServeCurveSettings},
    {"/admin/set_curve_settings$", ReceiveCurveSettings},
    {"/admin/aux_input_settings.xml$", ServeAuxInputChannelSettings},
    {"/admin/set_aux_input_settings$", ReceiveAuxInputChannelSettings},
    {"/admin/temperature_settings.xml$", ServeTemperatureChannelSettings},
    {"/admin/set_temperature_settings$", ReceiveTemperatureChannelSettings},
    {"/admin/global_settings.xml$", ServeGlobalSettings},
    {"/admin/set_global_settings$", ReceiveGlobalSettings},
    {"/user/last_curves.xml$", ServeLastCurves},
    {"/admin/take_curves$", TakeIvCurves},
    {"/user/date_time.xml$", GetDateTime},
    {"/admin/date_time_settings.xml$", GetDateTimeSettings},
    {"/admin/set_date_time_settings$", ReceiveDateTimeSettings},
    {"/admin/calibrate$", Calibrate},
    {"/admin/save_calibration$", SaveCalibration},
    {"/admin/load_calibration$", LoadCalibration},
    {"/admin/cal_mode_off$", CalibrationModeOff},
    {"/admin/cal_mode_on$", CalibrationModeOn},
    {"/admin/restart_cal_report$", RestartCalReport},
    {"/user/cal_report.xml$", ServeCalReportXml},
    {"/user/cal_report.txt$", ServeCalReportText},
    {"/admin/all_loads_off$", AllLoadsOff},
    {"/admin/set_module_isc$", SetModuleToIsc},
    {"/admin/network_settings.xml$", ServeNetworkSettings},
    {"/admin/set_network_settings$", ReceiveNetworkSettings},
    {"/admin/username_settings.xml$", ServeUsernameSettings},
    {"/admin/save_username$", ReceiveUsername},
    {"/user/data_files.xml$", ServeDataFiles},
    {"/user/data/", ServeDayFile},
    {"/user/curves/", ServeCurveFile},
};

const int Handled = 200;
const int Forbidden = 403;
const int NotFound = 404;

bool IsAdminRoute(const Route_T& route) { return std::strncmp(route.pattern, "/admin/", 7) == 0; }

// The server matches route patterns without regard to case, but its digest
// check only guards the areas spelled in lower case: "/Admin/reset" would
// reach the route unchecked.
bool InCheckedArea(mg_connection* connection, const Route_T& route) {
    const mg_request_info* info = mg_get_request_info(connection);
    const size_t area = static_cast<size_t>(std::strchr(route.pattern + 1, '/') - route.pattern);
    return info != nullptr && info->local_uri != nullptr && std::strncmp(info->local_uri, route.pattern, area) == 0;
}

int HandleRoute(mg_connection* connection, void* routeData) {
    const Route_T& route = *static_cast<const Route_T*>(routeData);
    DataServer& server = *static_cast<DataServer*>(mg_get_user_context_data(connection));
    if (!InCheckedArea(connection, route)) {
        SendError(connection, NotFound, "Not found");
        return NotFound;
    }
    WaitForWebRoutes();
    // A page of another site must not make the operator's browser change the
    // station with the credentials it holds.
    if (IsAdminRoute(route) && !SameOrigin(mg_get_header(connection, "Origin"), mg_get_header(connection, "Host"))) {
        SendError(connection, Forbidden, "Cross-site request refused");
        return Forbidden;
    }
    route.handler(WebRequest{connection, server});
    return Handled;
}

}  // namespace

void RegisterRoutes(mg_context* context) {
    for (const Route_T& route : Routes)
        mg_set_request_handler(context, route.pattern, HandleRoute, const_cast<Route_T*>(&route));
}

}  // namespace VN_Sample
