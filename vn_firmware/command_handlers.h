#ifndef VN_FIRMWARE_COMMAND_HANDLERS_H
#define VN_FIRMWARE_COMMAND_HANDLERS_H

#include "command_message.h"
#include "data_frame.h"
#include "hardware_model.h"

// The unit's command handlers: each reads its request's parameters, works on
// the hardware model, appends its fields to the response and returns its
// result code.
class CommandHandlers {
public:
    static const char* const SoftwareVersion;

    CommandHandlers(VN_Lib::Vantrel& unitModel, VN_Lib::DataFrame& responseFrame, bool& updateAllSamplesFlag)
        : model(unitModel), response(responseFrame), updateAllSamples(updateAllSamplesFlag) {}

    // Runs the handler of the request's code. An unknown code is marked 255
    // on the message and gives 0.
    int Dispatch(CommandMessage& command);

private:
    int ReadConfiguration();
    int Version();
    int InitializeLoads(CommandMessage& command);
    int SetLoadControlParameters(CommandMessage& command);
    int Sample(CommandMessage& command);
    void AppendSampleRecord();
    int SampleTemperature(CommandMessage& command);
    int SampleAuxInput(CommandMessage& command);
    int ReadAnalogChannel(CommandMessage& command);
    int TakeIvCurve(CommandMessage& command, bool announce);
    int Calibrate(CommandMessage& command);
    int SaveCalibration(CommandMessage& command);
    int LoadCalibration(CommandMessage& command);
    int SpecialTest();

    VN_Lib::Vantrel& model;
    VN_Lib::DataFrame& response;
    // Set by the request 101,A,S; nothing reads it yet.
    bool& updateAllSamples;
};

#endif
