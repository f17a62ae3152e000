#ifndef VN_CONTROLLER_IV_CURVE_H
#define VN_CONTROLLER_IV_CURVE_H

#include <tinyxml.h>
#include <uuid/uuid.h>

#include <ctime>
#include <string>
#include <vector>

#include "channels/aux_input_channel.h"
#include "channels/irradiance.h"
#include "channels/iv_point.h"
#include "channels/temperature_channel.h"

namespace VN_Sample {

// One module's current-voltage characteristic with the readings taken with it.
class IvCurve {
public:
    IvCurve();

    // Fresh GUID, no points, empty lists, zero figures, Date_Time now; strings kept. 0.
    int Initialize();
    // Reads a "Curve" element. 0.
    int Initialize(TiXmlElement& curve);

    void ClearPoints();
    // Sets the point's power (also in the caller's copy), appends it, keeps the peak. 0.
    int AddPoint(IvPointType& point);
    int AddPointFF(IvPointType& point);
    void SetPoints(std::vector<IvPointType>& points);
    void SetIsc(double isc);
    void SetVoc(double voc);
    void SetVoltageRange(double range);
    void SetVoltageResolution(double resolution);
    void SetCurrentRange(double range);
    void SetCurrentResolution(double resolution);
    // 100 × peak power / (Isc × Voc), or 0 when that product is not usable. 0.
    int ComputeFillFactor();

    static std::string GuidString(const unsigned char* guid);
    // New "Curve" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement(bool with_points) const;
    void GetXmlString(std::string& out, bool with_points) const;
    // New "IV_Curves" element holding the curves; the caller owns it.
    static TiXmlElement* MakeNewCurvesXml(const std::vector<IvCurve>& curves, bool with_points);

    std::string Name;
    uuid_t GUID;
    std::string Site;
    std::string Sub_System;
    std::string ModuleID;
    std::string Misc;
    std::string Notes;
    time_t Date_Time = 0;
    std::vector<IvPointType> Points;
    std::vector<TemperatureChannel> Temperatures;
    std::vector<AuxInputChannel> AuxInputs;
    std::vector<Irradiance> Irradiances;
    std::vector<TemperatureChannel> AfterTemperatures;
    std::vector<AuxInputChannel> AfterAuxInputs;
    std::vector<Irradiance> AfterIrradiances;
    double Isc = 0.0;
    double Current_Resolution = 0.0;
    double Current_Range = 0.0;
    double Voc = 0.0;
    double Voltage_Resolution = 0.0;
    double Voltage_Range = 0.0;
    double PeakPower = 0.0;
    double Vpeak = 0.0;
    double Ipeak = 0.0;
    double FillFactor = 0.0;
};

}  // namespace VN_Sample

#endif
