#include <tinyxml.h>

#include <mutex>
#include <string>

#include "acquisition/data_source.h"
#include "cal_report_record.h"
#include "cal_type.h"
#include "common/controller_mutexes.h"
#include "web/data_server.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// Calibration of one channel against a true value, and saving or loading the
// units' calibration tables, asked for by a root element's attributes.

namespace VN_Sample {

namespace {

const int NoCalibration = 999;

// The calibration type a request names; false for any other name.
bool ParseCalType(const char* name, VN_Lib::CalType* type) {
    if (name == nullptr) return false;
    const std::string text(name);
    if (text == "module_voltage") *type = VN_Lib::CAL_MODULE_VOLTAGE;
    else if (text == "module_current") *type = VN_Lib::CAL_MODULE_CURRENT;
    else if (text == "aux_input") *type = VN_Lib::CAL_AUX_INPUT;
    else return false;
    return true;
}

// 999 unless the body names a calibration type; else the operation's result.
int RunTypeRequest(const WebRequest& request, const std::string& body,
                   int (DataSystem::*operation)(VN_Lib::CalType)) {
    if (body.empty()) return NoCalibration;
    TiXmlDocument document;
    document.Parse(body.c_str());
    const TiXmlElement* root = document.RootElement();
    VN_Lib::CalType type = VN_Lib::CAL_MODULE_VOLTAGE;
    if (root == nullptr || !ParseCalType(root->Attribute("type"), &type)) return NoCalibration;
    std::lock_guard<std::mutex> lock(systemMutex);
    return (request.server.system.*operation)(type);
}

void AnswerTypeRequest(const WebRequest& request, const char* name, int (DataSystem::*operation)(VN_Lib::CalType)) {
    DataSource::EnableIoPorts();
    std::string body;
    if (!ReadBody(request, body)) return;
    const int result = RunTypeRequest(request, body, operation);
    const std::string error = result == 0 ? "none" : std::to_string(result);
    SendXml(request.connection, "<" + std::string(name) + " error=\"" + error + "\" />");
}

}  // namespace

void Calibrate(const WebRequest& request) {
    DataSource::EnableIoPorts();
    std::string body;
    if (!ReadBody(request, body)) return;
    VN_Lib::CalReportRecord record;
    TiXmlDocument document;
    document.Parse(body.c_str());
    const TiXmlElement* root = document.RootElement();
    // A step that did not run, or failed, says so: an operator must not take
    // the untouched record for a measurement.
    record.error = NoCalibration;
    if (root != nullptr && root->Attribute("type") != nullptr) {
        int id = -1;
        double actual = 1.0;
        int adjust = 1;
        root->QueryIntAttribute("id", &id);
        root->QueryDoubleAttribute("actual", &actual);
        root->QueryIntAttribute("adjust", &adjust);
        record.actual_value = actual;
        record.adjust = (adjust & 0xFF) != 0;
        VN_Lib::CalType type = VN_Lib::CAL_MODULE_VOLTAGE;
        if (ParseCalType(root->Attribute("type"), &type)) {
            DataSystem& system = request.server.system;
            std::lock_guard<std::mutex> lock(systemMutex);
            int result = 0;
            record.error = 0;
            if (type == VN_Lib::CAL_MODULE_VOLTAGE) result = system.CalibrateModuleVoltage(id, record);
            else if (type == VN_Lib::CAL_MODULE_CURRENT) result = system.CalibrateModuleCurrent(id, record);
            else result = system.CalibrateAuxInput(id, record);
            if (record.error == 0) record.error = result;
        }
    }
    std::string xml;
    record.GetXmlString(xml);
    SendXml(request.connection, xml);
}

void SaveCalibration(const WebRequest& request) {
    AnswerTypeRequest(request, "SaveCalibration", &DataSystem::SaveCalibration);
}

void LoadCalibration(const WebRequest& request) {
    AnswerTypeRequest(request, "LoadCalibration", &DataSystem::LoadCalibration);
}

}  // namespace VN_Sample
