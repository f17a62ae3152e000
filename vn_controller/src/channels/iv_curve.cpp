#include "channels/iv_curve.h"

#include <cmath>

#include "clock.h"

namespace VN_Sample {

IvCurve::IvCurve() { Initialize(); }

int IvCurve::Initialize() {
    uuid_generate(GUID);
    Points.clear();
    Temperatures.clear();
    AuxInputs.clear();
    Irradiances.clear();
    AfterTemperatures.clear();
    AfterAuxInputs.clear();
    AfterIrradiances.clear();
    Isc = Current_Resolution = Current_Range = 0.0;
    Voc = Voltage_Resolution = Voltage_Range = 0.0;
    PeakPower = Vpeak = Ipeak = FillFactor = 0.0;
    Date_Time = VN_Lib::Now();
    return 0;
}

void IvCurve::ClearPoints() { Points.clear(); }

int IvCurve::AddPoint(IvPointType& point) {
    point.power = point.amps * point.volts;
    Points.push_back(point);
    if (point.power > PeakPower) {
        PeakPower = point.power;
        Vpeak = point.volts;
        Ipeak = point.amps;
    }
    return 0;
}

int IvCurve::AddPointFF(IvPointType& point) { return AddPoint(point); }

void IvCurve::SetPoints(std::vector<IvPointType>& points) {
    PeakPower = Vpeak = Ipeak = 0.0;
    Points.clear();
    for (IvPointType& point : points) AddPoint(point);
    ComputeFillFactor();
}

void IvCurve::SetIsc(double isc) {
    Isc = isc;
    ComputeFillFactor();
}

void IvCurve::SetVoc(double voc) {
    Voc = voc;
    ComputeFillFactor();
}

void IvCurve::SetVoltageRange(double range) { Voltage_Range = range; }

void IvCurve::SetVoltageResolution(double resolution) { Voltage_Resolution = resolution; }

void IvCurve::SetCurrentRange(double range) { Current_Range = range; }

void IvCurve::SetCurrentResolution(double resolution) { Current_Resolution = resolution; }

int IvCurve::ComputeFillFactor() {
    const double limit = Isc * Voc;
    // A zero, tiny, infinite or NaN product would make the ratio meaningless.
    FillFactor = std::isnormal(limit) && std::fabs(limit) > 1e-6 ? 100.0 * PeakPower / limit : 0.0;
    return 0;
}

std::string IvCurve::GuidString(const unsigned char* guid) {
    char text[37];
    uuid_unparse(guid, text);
    return text;
}

}  // namespace VN_Sample
