#include <ctime>

#include "acquisition/data_system.h"
#include "clock.h"

namespace VN_Sample {

namespace {

// One calibration step on the unit behind a channel, addressed by the
// channel's local id there.
int CalibrateChannel(DataSystem& system, const Channel* channel, int unknownChannel, VN_Lib::CalReportRecord& record,
                     int (DataSource::*step)(VN_Lib::CalReportRecord&)) {
    if (channel == nullptr) return unknownChannel;
    DataSource* source = system.GetDataSource(channel->dataSourceId);
    if (source == nullptr) return DataSystem::ErrNoDataSource;
    record.local_id = channel->localId;
    return (source->*step)(record);
}

// Calibration talks only to the units that are reachable and in use.
template <typename Action>
void ForEachWorkingSource(std::map<int, DataSource>& sources, Action action) {
    for (auto& [id, source] : sources) {
        if (source.Online() && source.Active()) action(id, source);
    }
}

}  // namespace

int DataSystem::CalibrateModuleVoltage(int id, VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_MODULE_VOLTAGE;
    const int result =
        CalibrateChannel(*this, GetModuleChannel(id), ErrUnknownModule, record, &DataSource::CalibrateModuleVoltage);
    record.time = VN_Lib::Now();
    return result;
}

// The record keeps the time the unit gave it.
int DataSystem::CalibrateModuleCurrent(int id, VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_MODULE_CURRENT;
    return CalibrateChannel(*this, GetModuleChannel(id), ErrUnknownModule, record, &DataSource::CalibrateModuleCurrent);
}

int DataSystem::CalibrateAuxInput(int id, VN_Lib::CalReportRecord& record) {
    record.type = VN_Lib::CAL_AUX_INPUT;
    const int result =
        CalibrateChannel(*this, GetAuxInputChannel(id), ErrUnknownAuxInput, record, &DataSource::CalibrateAuxInput);
    record.time = VN_Lib::Now();
    return result;
}

int DataSystem::SaveCalibration(VN_Lib::CalType type) {
    const time_t now = VN_Lib::Now();
    struct tm local = {};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%m/%d/%Y", &local);
    int result = 0;
    ForEachWorkingSource(dataSources, [&](int, DataSource& source) { result = source.SaveCalibration(type, date); });
    return result;
}

int DataSystem::LoadCalibration(VN_Lib::CalType type) {
    int result = 0;
    ForEachWorkingSource(dataSources, [&](int, DataSource& source) { result = source.LoadCalibration(type); });
    return result;
}

int DataSystem::GetCalReportsText(std::string& text) {
    text = "Vantrel System Calibration Report\n";
    ForEachWorkingSource(dataSources, [&](int id, DataSource& source) {
        source.calibrationReport.data_source_id = id;
        text += source.calibrationReport.GetTextString();
    });
    return 0;
}

TiXmlElement* DataSystem::MakeNewCalReportsXml() {
    auto* reports = new TiXmlElement("CalReports");
    ForEachWorkingSource(dataSources, [&](int id, DataSource& source) {
        source.calibrationReport.data_source_id = id;
        reports->LinkEndChild(source.calibrationReport.MakeNewXmlElement());
    });
    return reports;
}

void DataSystem::RestartCalibrationReports() {
    ForEachWorkingSource(dataSources, [](int, DataSource& source) { source.RestartCalibrationReport(); });
}

}  // namespace VN_Sample
