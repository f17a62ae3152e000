// Calibration steps on the module's two inputs.
#include "cal_type.h"
#include "controller.h"

namespace VN_Lib {

int Controller::CalibrateModuleVoltage(CalReportRecord& record) {
    record.units = CalUnitsText(CAL_MODULE_VOLTAGE);
    return measurement.Voltage().CalibrateScale(record);
}

int Controller::CalibrateModuleCurrent(CalReportRecord& record) {
    record.units = CalUnitsText(CAL_MODULE_CURRENT);
    return measurement.Current().CalibrateScale(record);
}

}  // namespace VN_Lib
