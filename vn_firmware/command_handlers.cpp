#include "command_handlers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "clock.h"
#include "network_settings.h"
#include "sys_error.h"
#include "text_item.h"

using VN_Lib::DataFrame;

const char* const CommandHandlers::SoftwareVersion = "5.11";

namespace {

// Parameters are read as the slots hold them; an empty or missing slot reads as 0.
int ParamInt(CommandMessage& command, int slot) {
    return static_cast<int>(std::strtol(command.parameters[slot], nullptr, 10));
}

double ParamReal(CommandMessage& command, int slot) { return std::strtod(command.parameters[slot], nullptr); }

char ParamLetter(CommandMessage& command, int slot) { return command.parameters[slot][0]; }

// The longest averaging a single reading may ask for (as for a module's average period).
const int MaxSampleTimeUs = 1000000;

}  // namespace

int CommandHandlers::Dispatch(CommandMessage& command) {
    switch (command.Type()) {
        case CmdReadConfiguration:
            return ReadConfiguration();
        case CmdVersion:
            return Version();
        case CmdChangeNetworkSettings:
            return ChangeNetworkSettings(command, response);
        case CmdInitializeLoads:
            return InitializeLoads(command);
        case CmdSetLoadControlParameters:
            return SetLoadControlParameters(command);
        case CmdSetAllLoadsOff:
            return model.SetAllLoadsOff();
        case CmdSample:
            return Sample(command);
        case CmdSampleTemperature:
            return SampleTemperature(command);
        case CmdSampleAuxInput:
            return SampleAuxInput(command);
        case CmdReadAnalogChannel:
            return ReadAnalogChannel(command);
        case CmdTakeIvCurve:
            return TakeIvCurve(command, true);
        case CmdTakeIvCurveAdvanced:
            return TakeIvCurve(command, false);
        case CmdCalibrate:
            return Calibrate(command);
        case CmdSaveCalibration:
            return SaveCalibration(command);
        case CmdResetToFactoryCalibration:
            return model.ResetToFactoryCalibration();
        case CmdLoadCalibration:
            return LoadCalibration(command);
        case CmdSpecialTest:
            return SpecialTest();
        default:
            command.SetType(CmdUnknown);
            return 0;
    }
}

int CommandHandlers::ReadConfiguration() {
    response.AddInt(2);
    response.AddString(SoftwareVersion);
    AddTextItem(response, model.SerialNumber());
    AddTextItem(response, model.BuildDate());
    AddTextItem(response, model.Model());

    std::vector<int> auxIds = model.AuxInputIds();
    response.AddInt(static_cast<int>(auxIds.size()));
    for (int id : auxIds) response.AddInt(id);

    auto temperatures = model.TemperatureTypes();
    response.AddInt(static_cast<int>(temperatures.size()));
    for (auto& temperature : temperatures) {
        response.AddInt(temperature.first);
        response.AddString(temperature.second);
    }

    std::vector<int> moduleIds = model.ModuleIds();
    response.AddInt(static_cast<int>(moduleIds.size()));
    for (int id : moduleIds) response.AddInt(id);
    return 0;
}

int CommandHandlers::Version() {
    std::string version = SoftwareVersion;
    response.AddString(version);
    return 0;
}

int CommandHandlers::InitializeLoads(CommandMessage& command) { return model.InitializeLoads(ParamInt(command, 1)); }

int CommandHandlers::SetLoadControlParameters(CommandMessage& command) {
    VN_Lib::LoadConfiguration_T configuration;
    configuration.mode = ParamInt(command, 2);
    configuration.fixedVoltage = ParamReal(command, 3);
    configuration.averageUsec = ParamInt(command, 4);
    configuration.ptrackVmin = ParamReal(command, 5);
    configuration.ptrackVstep = ParamReal(command, 6);
    return model.SetLoadControlParameters(ParamInt(command, 1), configuration);
}

int CommandHandlers::Sample(CommandMessage& command) {
    if (ParamLetter(command, 1) != 'A') return 0;
    switch (ParamLetter(command, 2)) {
        case 'S':
            updateAllSamples = true;
            return 0;
        case 'R':
            response.Clear();
            AppendSampleRecord();
            return 0;
        case 'B':
            model.SampleAll();
            AppendSampleRecord();
            return 0;
        default:
            return 0;
    }
}

void CommandHandlers::AppendSampleRecord() {
    response.AddInt(1);
    auto temperatures = model.TemperatureValues();
    response.AddByte('T');
    response.AddInt(static_cast<int>(temperatures.size()));
    for (auto& t : temperatures) {
        response.AddByte(static_cast<char>(t.first & 0xFF));
        response.AddDouble(t.second);
    }
    auto auxInputs = model.AuxInputValues();
    response.AddByte('X');
    response.AddInt(static_cast<int>(auxInputs.size()));
    for (auto& x : auxInputs) {
        response.AddByte(static_cast<char>(x.first & 0xFF));
        response.AddDouble(x.second);
    }
    auto modules = model.ModuleValues();
    response.AddByte('M');
    response.AddInt(static_cast<int>(modules.size()));
    for (auto& m : modules) {
        response.AddByte(static_cast<char>(m.id & 0xFF));
        response.AddDouble(m.current);
        response.AddDouble(m.voltage);
    }
    response.AddByte('E');
}

int CommandHandlers::SampleTemperature(CommandMessage& command) {
    double value = 0.0;
    int result = model.SampleTemperature(&value, ParamInt(command, 1));
    response.AddFloat(static_cast<float>(value));
    return result;
}

int CommandHandlers::SampleAuxInput(CommandMessage& command) {
    double value = 0.0;
    int result = model.SampleAuxInput(&value, ParamInt(command, 1));
    response.AddFloat(static_cast<float>(value));
    return result;
}

int CommandHandlers::ReadAnalogChannel(CommandMessage& command) {
    int card = ParamInt(command, 1);
    int mux = ParamInt(command, 2);
    int chan = ParamInt(command, 3);
    int gainIndex = ParamInt(command, 4);
    int mode = ParamInt(command, 5);
    // A negative or huge time from the wire would hold the unit for minutes.
    unsigned int sampleTime = static_cast<unsigned int>(std::min(std::max(ParamInt(command, 6), 0), MaxSampleTimeUs));
    int result = 0;
    float reading = 0.0f;
    if (mode == 0) {
        int count = 0;
        result = model.ReadRawAnalogChannelADC(&count, card, mux, chan, gainIndex, sampleTime);
        reading = static_cast<float>(count);
    } else if (mode == 1) {
        double volts = 0.0;
        result = model.ReadAnalogChannelVolts(&volts, card, mux, chan, sampleTime);
        reading = static_cast<float>(volts);
    } else if (mode == 2) {
        int count = 0;
        result = model.ReadAnalogChannelADC(&count, card, mux, chan, sampleTime);
        reading = static_cast<float>(count);
    } else {
        result = VN_Lib::ERR_BAD_READ_MODE;
    }
    response.AddFloat(reading);
    return result;
}

int CommandHandlers::TakeIvCurve(CommandMessage& command, bool announce) {
    if (announce) std::printf("Take IV Curve ");
    int result = model.TakeIvCurve(ParamInt(command, 1));
    if (announce) std::printf("Done\n");
    // The record goes out whatever the sweep gave, even for an unknown module
    // (then it is the previous curve); 150 always sends the fixed layout.
    model.GetIvCurveDataRecord(announce ? 1 : ParamInt(command, 2), response);
    return result;
}

int CommandHandlers::Calibrate(CommandMessage& command) {
    VN_Lib::CalReportRecord record;
    record.type = ParamInt(command, 1);
    record.local_id = ParamInt(command, 2);
    record.actual_value = ParamReal(command, 3);
    record.num_samples = ParamInt(command, 4);
    record.avg_period = ParamInt(command, 5);
    record.adjust = ParamInt(command, 6) != 0;
    record.time = VN_Lib::Now();
    int result = model.Calibrate(record);
    // The record goes back whatever the outcome, and says why a step was
    // refused or failed.
    record.error = result;
    VN_Lib::ReturnCalRecord(response, record);
    return result;
}

int CommandHandlers::SaveCalibration(CommandMessage& command) {
    return model.SaveCalibrationToFile(ParamInt(command, 1), command.parameters[2], model.SerialNumber());
}

int CommandHandlers::LoadCalibration(CommandMessage& command) {
    return model.LoadActiveCalibrationFromFile(ParamInt(command, 1));
}

int CommandHandlers::SpecialTest() {
    int integer = 4660;
    unsigned char intBytes[sizeof(int)];
    std::memcpy(intBytes, &integer, sizeof(int));
    std::printf("Integer = %i   byte 0 = %XH    byte 1 = %XH\n", integer, intBytes[0], intBytes[1]);
    float real = 3.4567f;
    unsigned char floatBytes[sizeof(float)];
    std::memcpy(floatBytes, &real, sizeof(float));
    std::printf("Float = %f   byte 0 = %XH    byte 1 = %XH   byte 2 = %XH    byte 3 = %XH\n\n", real, floatBytes[0],
                floatBytes[1], floatBytes[2], floatBytes[3]);
    return 0;
}
