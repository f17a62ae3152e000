// The data source's calibration exchanges and its calibration report.
#include <tinyxml.h>

#include "acquisition/data_source.h"
#include "clock.h"

namespace VN_Sample {

namespace {

constexpr int ExchangeMs = 1000;
// A calibration step averages many readings on the unit.
constexpr int CalibrateMs = 10000;
// Defaults the unit's returned record replaces: 100 readings over one 60 Hz cycle.
constexpr int CalibrationSamples = 100;
constexpr int CalibrationPeriodUsec = 16667;

}  // namespace

int DataSource::LoadCalibration(VN_Lib::CalType type) {
    std::string params = std::to_string(static_cast<int>(type));
    VN_Lib::DataFrame response;
    return SendCommand(CmdLoadCalibration, params, response, ExchangeMs);
}

int DataSource::SaveCalibration(VN_Lib::CalType type, const char* date) {
    std::string params = std::to_string(static_cast<int>(type)) + "," + (date != nullptr ? date : "");
    VN_Lib::DataFrame response;
    return SendCommand(CmdSaveCalibration, params, response, ExchangeMs);
}

int DataSource::Calibrate(VN_Lib::CalReportRecord& record) {
    record.time = VN_Lib::Now();
    record.num_samples = CalibrationSamples;
    record.avg_period = CalibrationPeriodUsec;
    std::string params = std::to_string(record.type) + "," + std::to_string(record.local_id) + "," +
                         std::to_string(record.actual_value) + "," + std::to_string(record.num_samples) + "," +
                         std::to_string(record.avg_period) + "," + (record.adjust ? "1" : "0");
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdCalibrate, params, response, CalibrateMs);
    if (result == 0) result = ExtractCalRecord(response, record);
    if (result == 0) calibrationReport.AddRecord(record);
    return result;
}

int DataSource::CalibrateAuxInput(VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_AUX_INPUT;
    return Calibrate(record);
}

int DataSource::CalibrateModuleCurrent(VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_MODULE_CURRENT;
    return Calibrate(record);
}

int DataSource::CalibrateModuleVoltage(VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_MODULE_VOLTAGE;
    return Calibrate(record);
}

int DataSource::ExtractCalRecord(VN_Lib::DataFrame& response, VN_Lib::CalReportRecord& record) {
    // A reply without a readable record leaves the caller's values in place.
    std::string text;
    if (response.ExtractString(text) != 0) return 0;
    TiXmlDocument document;
    document.Parse(text.c_str());
    if (document.Error()) return 0;
    if (TiXmlElement* element = document.FirstChildElement("CalRecord")) {
        record.Initialize(*element);
    }
    return 0;
}

int DataSource::RestartCalibrationReport() {
    calibrationReport.Clear();
    calibrationReport.time = VN_Lib::Now();
    calibrationReport.serial_number = serialNumber;
    return 0;
}

}  // namespace VN_Sample
