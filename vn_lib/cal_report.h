#ifndef VN_LIB_CAL_REPORT_H
#define VN_LIB_CAL_REPORT_H

#include <tinyxml.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "cal_report_record.h"

namespace VN_Lib {

// Records of one channel kind: each local id's records in the order added.
using CalRecordMap_T = std::map<int, std::vector<CalReportRecord>>;

// The calibration history of one data source's unit, filed by channel kind
// and local id. Lives only in memory; it is emptied by a restart alone.
class CalReport {
public:
    CalReport();

    // Files a copy by its type. An adjusting step starts its channel's
    // history again; records of unknown types are only ever added. Always 0.
    int AddRecord(const CalReportRecord& record);
    // Empties every kind and takes the current time; always 0.
    int Clear();
    // "Controller 0" for data source 0, else "Load <id>".
    std::string DataSourceName() const;
    // New "CalReport" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement() const;
    std::string GetTextString() const;

    CalRecordMap_T module_voltages;
    CalRecordMap_T module_currents;
    CalRecordMap_T aux_inputs;
    CalRecordMap_T temperatures;
    CalRecordMap_T misc;
    int32_t version = 1;
    std::string serial_number;
    time_t time = 0;
    // Filled in by the owner before each printing.
    int32_t data_source_id = 0;
};

}  // namespace VN_Lib

#endif
