// Conversion factors of the model's channels: loading, applying, reading back
// and saving the calibration tables.
#include "backup_volume.h"
#include "cal_type.h"
#include "hardware_model.h"
#include "shell.h"
#include "station_paths.h"
#include "sys_error.h"

namespace VN_Lib {

namespace {

// "/vn/cal_files/<file>" as the station writes it.
std::string WorkingCalFile(int type) {
    return std::string("/vn/") + CalFilesFolder + "/" + CalFileName(type);
}

}  // namespace

std::vector<std::pair<int, Measurement*>> Vantrel::CalibrationChannels(int type) {
    std::vector<std::pair<int, Measurement*>> channels;
    if (type == CAL_MODULE_VOLTAGE || type == CAL_MODULE_CURRENT) {
        for (auto& module : modules) {
            IV_Measurement& m = module.second->ModuleMeasurement();
            channels.emplace_back(module.first, type == CAL_MODULE_VOLTAGE ? &m.Voltage() : &m.Current());
        }
    } else if (type == CAL_AUX_INPUT) {
        for (auto& input : auxInputs) channels.emplace_back(input.first, &input.second);
    }
    return channels;
}

int Vantrel::LoadCalibrationFromFile(int type, CalibrationTable& table) {
    if (!IsCalType(type)) return ErrBadCalType;
    if (type == CAL_TEMPERATURE) return 0;
    // A missing file gives an empty table: every channel of the type goes back to 1.0.
    table.LoadFromFile(StationPath(WorkingCalFile(type)));
    return 0;
}

int Vantrel::SetCalibrationData(int type, CalibrationTable& table, bool active) {
    if (!IsCalType(type)) return ErrBadCalType;
    for (auto& channel : CalibrationChannels(type)) {
        double factor = table.AddEntry(channel.first).conversion_factor;
        if (active) {
            channel.second->SetConversionFactor(factor);
        } else {
            channel.second->SetBeforeConversionFactor(factor);
        }
    }
    return 0;
}

int Vantrel::LoadActiveCalibrationFromFile(int type) {
    CalibrationTable table;
    int result = LoadCalibrationFromFile(type, table);
    if (result != 0) return result;
    return SetCalibrationData(type, table, true);
}

int Vantrel::LoadBeforeCalibrationFromFile(int type) {
    CalibrationTable table;
    int result = LoadCalibrationFromFile(type, table);
    if (result != 0) return result;
    return SetCalibrationData(type, table, false);
}

int Vantrel::LoadAllActiveCalibrations() {
    for (int type : {CAL_MODULE_VOLTAGE, CAL_MODULE_CURRENT, CAL_TEMPERATURE, CAL_AUX_INPUT}) {
        LoadActiveCalibrationFromFile(type);
    }
    return 0;
}

int Vantrel::LoadAllBeforeCalibrations() {
    for (int type : {CAL_MODULE_VOLTAGE, CAL_MODULE_CURRENT, CAL_TEMPERATURE, CAL_AUX_INPUT}) {
        LoadBeforeCalibrationFromFile(type);
    }
    return 0;
}

int Vantrel::GetActiveCalibrationData(int type, CalibrationTable& table) {
    for (auto& channel : CalibrationChannels(type)) {
        table.AddEntry(channel.first) = CalEntry_T{channel.second->ConversionFactor(), 0.0};
    }
    return 0;
}

int Vantrel::SaveCalibrationToFile(int type, const std::string& date, const std::string& serial) {
    CalibrationTable table;
    table.SetDate(date);
    table.SetSerialNumber(serial);
    GetActiveCalibrationData(type, table);
    RunShellCommand(std::string("mkdir ") + CalFilesFolder);
    if (!IsCalType(type)) return ErrBadCalType;
    int result = table.SaveToFile(StationPath(WorkingCalFile(type)));
    if (result != 0) return result;

    {
        BackupVolumeMount volume(false);
        volume.Run(std::string("mkdir /hda2/vn/") + CalFilesFolder);
        volume.Run("cp " + WorkingCalFile(type) + " /hda2/vn/" + CalFilesFolder);
    }
    return LoadAllBeforeCalibrations();
}

int Vantrel::Calibrate(CalReportRecord& record) {
    switch (record.type) {
        case CAL_MODULE_VOLTAGE: return CalibrateModuleVoltage(record);
        case CAL_MODULE_CURRENT: return CalibrateModuleCurrent(record);
        case CAL_TEMPERATURE: return 0;
        case CAL_AUX_INPUT: return CalibrateAuxInput(record);
        default: return ErrBadCalType;
    }
}

int Vantrel::CalibrateModuleVoltage(CalReportRecord& record) {
    Controller* module = FindModule(record.local_id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    return module->CalibrateModuleVoltage(record);
}

int Vantrel::CalibrateModuleCurrent(CalReportRecord& record) {
    Controller* module = FindModule(record.local_id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    return module->CalibrateModuleCurrent(record);
}

int Vantrel::CalibrateAuxInput(CalReportRecord& record) {
    Measurement* input = FindAuxInput(record.local_id);
    if (input == nullptr) return ERR_UNKNOWN_AUX_INPUT;
    record.units = CalUnitsText(CAL_AUX_INPUT);
    return input->CalibrateScale(record);
}

int Vantrel::ResetToFactoryCalibration() {
    const std::string folder = CalFilesFolder;
    BackupVolumeMount volume(false);
    volume.Run("mkdir /hda2/vn/" + folder);
    if (volume.Run("cp -a /hda2/vn/factory_cal/* /vn/" + folder) != 0) return ErrFactoryCopy;
    if (volume.Run("cp -a /hda2/vn/factory_cal/* /hda2/vn/" + folder) != 0) return ErrFactoryCopy;
    return 0;
}

}  // namespace VN_Lib
