#ifndef VN_CONTROLLER_ROUTE_HANDLERS_H
#define VN_CONTROLLER_ROUTE_HANDLERS_H

#include "web/web_request.h"

// The handlers of the web routes (route_table.cpp maps the URIs). Each locks
// what it reads or changes, and writes its reply after unlocking.

namespace VN_Sample {

// command_routes.cpp
void ResetSystem(const WebRequest& request);
void ServeAbout(const WebRequest& request);
void ServeStatus(const WebRequest& request);
void ServeSampleXml(const WebRequest& request);
void CalibrationModeOff(const WebRequest& request);
void CalibrationModeOn(const WebRequest& request);
void RestartCalReport(const WebRequest& request);
void ServeCalReportXml(const WebRequest& request);
void ServeCalReportText(const WebRequest& request);
void AllLoadsOff(const WebRequest& request);
void SetModuleToIsc(const WebRequest& request);

// system_settings_routes.cpp
void ServeModuleChannelSettings(const WebRequest& request);
void ReceiveModuleChannelSettings(const WebRequest& request);
void ServeAuxInputChannelSettings(const WebRequest& request);
void ReceiveAuxInputChannelSettings(const WebRequest& request);
void ServeTemperatureChannelSettings(const WebRequest& request);
void ReceiveTemperatureChannelSettings(const WebRequest& request);
void ServeGlobalSettings(const WebRequest& request);
void ReceiveGlobalSettings(const WebRequest& request);

// sampler_settings_routes.cpp
void ServeSampleSettings(const WebRequest& request);
void ReceiveSampleSettings(const WebRequest& request);
void ServeCurveSettings(const WebRequest& request);
void ReceiveCurveSettings(const WebRequest& request);
void GetDateTime(const WebRequest& request);
void GetDateTimeSettings(const WebRequest& request);
void ReceiveDateTimeSettings(const WebRequest& request);
void ServeNetworkSettings(const WebRequest& request);
void ReceiveNetworkSettings(const WebRequest& request);

// curve_routes.cpp
void ServeLastCurves(const WebRequest& request);
void TakeIvCurves(const WebRequest& request);

// calibration_routes.cpp
void Calibrate(const WebRequest& request);
void SaveCalibration(const WebRequest& request);
void LoadCalibration(const WebRequest& request);

// data_file_routes.cpp
void ServeDataFiles(const WebRequest& request);
void ServeDayFile(const WebRequest& request);
void ServeCurveFile(const WebRequest& request);

// account_routes.cpp
void ServeUsernameSettings(const WebRequest& request);
void ReceiveUsername(const WebRequest& request);

}  // namespace VN_Sample

#endif
