#ifndef VN_CONTROLLER_CONTROLLER_PROGRAM_H
#define VN_CONTROLLER_CONTROLLER_PROGRAM_H

#include <string>

#include "acquisition/data_system.h"
#include "common/config_file_names.h"
#include "common/controller_flags.h"
#include "common/software_version.h"
#include "console/interface.h"
#include "led.h"
#include "long_timer.h"
#include "modbus/modbus_server.h"
#include "schedule/data_sampler.h"
#include "web/data_server.h"

// The controller program's process-wide objects and its start-up and main
// loop. Other threads post requests through the flags; the main loop hands
// them on between scheduler steps.

extern VN_Sample::DataSampler Sampler;
extern VN_Sample::DataSystem DataSourceSystem;
extern VN_Sample::DataServer MyServer;
// Built here, started by main (the test program runs none).
extern VN_Sample::ModbusServer Modbus;
extern VN_Lib::Led PulseLed;
extern LongTimer PulseTimer;
// The operator console on standard input and output; main starts its thread.
extern VN_Sample::interface Console;

// Loads the three configuration documents; 0 or the first error met.
int Initialize();
// Writes the user settings document and its backup copy; 0, or 805 when it
// cannot be written (the previous file then stays as it was).
int SaveUserSettings(const std::string& fileName);
// One pass of the main loop: hands on the posted requests, runs one
// scheduler step and pulses the alive LED.
void MainLoopPass();
// The main loop until StopControllerFlag is set, then the stop script. 0.
int RunController();

#endif
