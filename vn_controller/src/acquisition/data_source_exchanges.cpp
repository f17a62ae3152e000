// The data source's measurement exchanges: description, samples, loads, curves.
#include <climits>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "acquisition/data_source.h"
#include "sys_error.h"

namespace VN_Sample {

namespace {

constexpr int ExchangeMs = 1000;
constexpr int SampleReadMs = 2000;
// A sweep holds the unit for up to 4.8 s.
constexpr int CurveMs = 5000;
// Units before this version know neither command 43 nor command 151.
constexpr int FirstAdvancedVersion = 507;

constexpr int DescriptionWithTypes = 2;
constexpr int CurveVariantBasic = 1;
constexpr int CurveVariantAdvanced = 2;

int TcTypeCode(const std::string& name) {
    if (name == "T") return TcTypeT;
    if (name == "K") return TcTypeK;
    if (name == "J") return TcTypeJ;
    if (name == "RTD") return TcRtd;
    return TcUnknown;
}

// "5.11" gives 511; text that is no number, or one out of range, gives 0.
int VersionNumberOf(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return 0;
    double scaled = value * 100.0 + 0.5;
    if (!(scaled > INT_MIN && scaled < INT_MAX)) return 0;
    return static_cast<int>(scaled);
}

// A text of the description. The frame cannot carry an empty string (it is
// written as nothing at all), so an empty one means the fields are not where
// the layout puts them.
int ReadText(VN_Lib::DataFrame& response, std::string& text) {
    int result = response.ExtractString(text);
    if (result == 0 && text.empty()) return DataSource::ErrBadDescription;
    return result;
}

int ReadCount(VN_Lib::DataFrame& response, int* count) {
    int result = response.ExtractInt(count);
    if (result == 0 && *count < 0) return DataSource::ErrBadDescription;
    return result;
}

bool IsNumberText(const std::string& text) {
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end != text.c_str();
}

// A count followed by that many ids, each given a default sample.
template <typename Sample>
int ReadIdList(VN_Lib::DataFrame& response, std::map<int, Sample>& samples) {
    int count = 0;
    int result = ReadCount(response, &count);
    for (int i = 0; result == 0 && i < count; ++i) {
        int id = 0;
        result = response.ExtractInt(&id);
        if (result == 0) samples[id] = Sample();
    }
    return result;
}

// Units send the low 8 bits of the local id.
template <typename Sample>
Sample* FindByByteId(std::map<int, Sample>& samples, char id) {
    auto found = samples.find(static_cast<unsigned char>(id));
    return found == samples.end() ? nullptr : &found->second;
}

// The unit sends this for a thermocouple it cannot read (voltage out of range).
constexpr double UnitFailedTemperature = -999.0;

bool IsFailedReading(const TemperatureSample&, double value) { return value == UnitFailedTemperature; }
bool IsFailedReading(const DataSample&, double) { return false; }

// One 'T' or 'X' entry: byte id, double value. A failed reading invalidates the
// sample, so it never enters an average.
template <typename Sample>
int StoreValue(VN_Lib::DataFrame& response, std::map<int, Sample>& samples) {
    char id = 0;
    double value = 0.0;
    int result = response.ExtractByte(&id);
    if (result == 0) result = response.ExtractDouble(&value);
    if (result != 0) return result;
    Sample* sample = FindByByteId(samples, id);
    if (sample == nullptr) return DataSource::ErrNoSample;
    if (IsFailedReading(*sample, value)) {
        sample->Invalidate();
    } else {
        sample->SetValue(value);
    }
    return 0;
}

// One 'M' entry: byte id, double current, double voltage.
int StoreModule(VN_Lib::DataFrame& response, std::map<int, ModuleSample>& samples) {
    char id = 0;
    double current = 0.0;
    double voltage = 0.0;
    int result = response.ExtractByte(&id);
    if (result == 0) result = response.ExtractDouble(&current);
    if (result == 0) result = response.ExtractDouble(&voltage);
    if (result != 0) return result;
    ModuleSample* sample = FindByByteId(samples, id);
    if (sample == nullptr) return DataSource::ErrNoSample;
    sample->current.SetValue(current);
    sample->voltage.SetValue(voltage);
    return 0;
}

using CurveSetter = void (IvCurve::*)(double);
const CurveSetter BasicCurveFigures[] = {&IvCurve::SetIsc, &IvCurve::SetVoc};
const CurveSetter AdvancedCurveFigures[] = {&IvCurve::SetIsc,  &IvCurve::SetCurrentResolution,
                                            &IvCurve::SetCurrentRange,      &IvCurve::SetVoc,
                                            &IvCurve::SetVoltageResolution, &IvCurve::SetVoltageRange};

// Each figure is stored as soon as it is read.
template <size_t N>
int ReadFigures(VN_Lib::DataFrame& response, const CurveSetter (&setters)[N], IvCurve& curve) {
    for (CurveSetter setter : setters) {
        double value = 0.0;
        if (response.ExtractDouble(&value) != 0) return DataSource::ErrBadCurve;
        (curve.*setter)(value);
    }
    return 0;
}

}  // namespace

int DataSource::GetVersion(std::string& version) {
    std::string params;
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdVersion, params, response, ExchangeMs);
    if (result != 0) return Failed(result, "GetVersion()");
    std::string text;
    result = response.ExtractString(text);
    if (result == 0) version = text;
    return result;
}

int DataSource::GetConfiguration() {
    temperatureSamples.clear();
    auxInputSamples.clear();
    moduleSamples.clear();
    std::string params;
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdReadConfiguration, params, response, ExchangeMs);
    if (result != 0) return Failed(result, "GetConfiguration()");
    return ReadDescription(response);
}

int DataSource::ReadDescription(VN_Lib::DataFrame& response) {
    // Read whole before anything is kept: a description that does not fit
    // leaves the source without inputs rather than with misread ones.
    int layout = 0;
    std::string version, serial, date, model;
    std::map<int, AuxInputSample> auxInputs;
    std::map<int, TemperatureSample> temperatures;
    std::map<int, ModuleSample> modules;
    int result = response.ExtractInt(&layout);
    if (result == 0) result = ReadText(response, version);
    if (result == 0 && !IsNumberText(version)) result = ErrBadDescription;
    if (result == 0) result = ReadText(response, serial);
    if (result == 0) result = ReadText(response, date);
    if (result == 0) result = ReadText(response, model);
    if (result == 0) result = ReadIdList(response, auxInputs);

    int count = 0;
    if (result == 0) result = ReadCount(response, &count);
    for (int i = 0; result == 0 && i < count; ++i) {
        int id = 0;
        std::string type;
        result = response.ExtractInt(&id);
        if (result == 0 && layout == DescriptionWithTypes) result = ReadText(response, type);
        if (result != 0) break;
        TemperatureSample sample;
        sample.tcType = TcTypeCode(type);
        temperatures[id] = sample;
    }
    if (result == 0) result = ReadIdList(response, modules);
    if (result == 0 && !response.Empty()) result = ErrBadDescription;
    if (result != 0) return result;

    softwareVersion = version;
    serialNumber = serial;
    buildDate = date;
    modelNumber = model;
    versionNumber = VersionNumberOf(softwareVersion);
    auxInputSamples = std::move(auxInputs);
    temperatureSamples = std::move(temperatures);
    moduleSamples = std::move(modules);
    return 0;
}

int DataSource::UpdateAllSamples() {
    std::string params = "A,S";
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdSample, params, response, ExchangeMs);
    // Only a unit that stopped answering counts as gone here.
    if (result == VN_Lib::ERR_TIMEOUT) GoOffline(result, "UpdateAllSamples()");
    FixPortAfter(result);
    return result;
}

int DataSource::ReadAllSampleData() {
    // Inputs missing from the reply must not keep their old values.
    InvalidateAllSamples();
    std::string params = "A,R";
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdSample, params, response, SampleReadMs);
    if (result == 0) result = ReadSampleRecord(response);
    if (result == 0) return 0;
    FixPortAfter(result);
    return Failed(result, "ReadAllSampleData()");
}

int DataSource::ReadSampleRecord(VN_Lib::DataFrame& response) {
    int layout = 0;
    int result = response.ExtractInt(&layout);
    while (result == 0) {
        char tag = 0;
        result = response.ExtractByte(&tag);
        if (result != 0) break;
        std::function<int()> readEntry;
        switch (tag) {
            case 'E': return 0;
            case 'T': readEntry = [&] { return StoreValue(response, temperatureSamples); }; break;
            case 'X': readEntry = [&] { return StoreValue(response, auxInputSamples); }; break;
            case 'M': readEntry = [&] { return StoreModule(response, moduleSamples); }; break;
            default: return ErrNoSample;
        }
        int count = 0;
        result = response.ExtractInt(&count);
        for (int i = 0; result == 0 && i < count; ++i) result = readEntry();
    }
    return result;
}

int DataSource::SampleAll() {
    int result = UpdateAllSamples();
    if (result == 0) result = ReadAllSampleData();
    return result;
}

int DataSource::SetLoad(int module, LoadConfiguration_T configuration) {
    // Each step of a voltage profile reaches the unit as a fixed voltage.
    if (configuration.mode == TrackProfile) configuration.mode = TrackFixedVoltage;
    if (moduleSamples.count(module) == 0) return 0;
    std::string params = std::to_string(module) + "," + std::to_string(configuration.mode) + "," +
                         std::to_string(configuration.fixedVoltage) + "," + std::to_string(configuration.averageUsec) +
                         "," + std::to_string(configuration.ptrackVmin) + "," +
                         std::to_string(configuration.ptrackVstep);
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdSetLoadControlParameters, params, response, ExchangeMs);
    return result == 0 ? 0 : Failed(result, "SetLoad()");
}

int DataSource::SetAllLoadsOff() {
    if (versionNumber < FirstAdvancedVersion) return ErrTooOld;
    std::string params;
    VN_Lib::DataFrame response;
    int result = SendCommand(CmdSetAllLoadsOff, params, response, ExchangeMs);
    return result == 0 ? 0 : Failed(result, "SetAllLoadsOff()");
}

int DataSource::TakeIvCurve(int module, IvCurve& curve) {
    if (moduleSamples.count(module) == 0) return ErrNoSample;
    // Without a variant in the text, command 151 answers with the advanced record.
    bool advanced = versionNumber > FirstAdvancedVersion;
    std::string params = std::to_string(module);
    VN_Lib::DataFrame response;
    int result = SendCommand(advanced ? CmdTakeIvCurveAdvanced : CmdTakeIvCurve, params, response, CurveMs);
    if (result != 0) return Failed(result, "TakeIvCuvre()");
    int variant = CurveVariantBasic;
    if (advanced && response.ExtractInt(&variant) != 0) return ErrBadCurve;
    return ReadCurveRecord(response, variant, curve);
}

int DataSource::ReadCurveRecord(VN_Lib::DataFrame& response, int variant, IvCurve& curve) {
    int result = ErrBadCurve;
    if (variant == CurveVariantBasic) {
        result = ReadFigures(response, BasicCurveFigures, curve);
    } else if (variant == CurveVariantAdvanced) {
        int reserved = 0;
        if (response.ExtractInt(&reserved) != 0) return ErrBadCurve;
        result = ReadFigures(response, AdvancedCurveFigures, curve);
    }
    if (result != 0) return result;

    int count = 0;
    if (response.ExtractInt(&count) != 0) return ErrBadCurve;
    // The peak power of a curve used before must not outlive its points.
    std::vector<IvPointType> points;
    for (int i = 0; i < count; ++i) {
        IvPointType point;
        if (response.ExtractDouble(&point.volts) != 0 || response.ExtractDouble(&point.amps) != 0) {
            result = ErrBadCurve;
            break;
        }
        points.push_back(point);
    }
    curve.SetPoints(points);
    return result;
}

}  // namespace VN_Sample
