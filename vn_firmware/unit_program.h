#ifndef VN_FIRMWARE_UNIT_PROGRAM_H
#define VN_FIRMWARE_UNIT_PROGRAM_H

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "can_control.h"
#include "com_control.h"
#include "command_message.h"
#include "data_frame.h"
#include "hardware_model.h"
#include "led.h"
#include "long_timer.h"
#include "socket_control.h"

// The measurement unit program: its hardware model, its command ports and the
// loop that alternates between answering one request per port and a slice of
// periodic work.
class UnitProgram {
public:
    UnitProgram();

    // Banner, configuration and timers; the loop may run afterwards. 10 when
    // a command port the configuration names could not be opened (each is
    // named on standard output): the program must not run without it.
    int Start();
    // Reads "hw_config.xml", builds the model and refreshes the cards'
    // references; 800 when the file cannot be loaded (nothing changes then).
    int Initialize();
    // Opens the ports the document's CommandPorts element names; 801 without a root element.
    int ConfigureCommandPorts(TiXmlDocument& document);
    VN_Lib::Vantrel& Model() { return *model; }
    // The CAN command port, or nullptr when none is open.
    const VN_Lib::CanControl* CanPort() const { return canBusPort.get(); }
    // Answers one request on the active port; the result of sending.
    int ProcessCommand(CommandMessage& command);
    // One pass of the main loop.
    void MainLoopPass();

private:
    // Polls one port for a request and answers it; true when one was served.
    bool ServePort(VN_Lib::CommandControl* port);
    // The CAN port's background input is paused while its request is answered.
    bool ServeCanPort();
    // Opens the CAN port on the model's bus the CommandPorts element names.
    void OpenCanPort(TiXmlElement* ports);
    // Records that the named port failed to open, with the system's reason.
    void NotePortFailure(const std::string& port);
    // One item of each kind the flags allow, round robin.
    void UpdatePeriodicWork();

    // Declared before the ports: the CAN port borrows one of the model's buses.
    std::unique_ptr<VN_Lib::Vantrel> model;
    CommandMessage Command;
    VN_Lib::DataFrame responseFrame;
    std::unique_ptr<VN_Lib::SocketControl> socketPort;
    std::unique_ptr<VN_Lib::ComControl> com1Port;
    std::unique_ptr<VN_Lib::ComControl> com2Port;
    std::unique_ptr<VN_Lib::CanControl> canBusPort;
    VN_Lib::CommandControl* pActivePort = nullptr;
    bool portsConfigured = false;
    // Why configured command ports did not open, since the last configuration.
    std::vector<std::string> portFailures;
    VN_Lib::Led StatusLed;
    LongTimer PulseTimer;
    LongTimer ThermalTimer;
    bool updateAllSamples = false;
    bool auxInputSamplingEnabled = false;
    bool temperatureSamplingEnabled = false;
    bool updateLoadsEnabled = false;
    bool internalTemperatureSamplingEnabled = false;
};

#endif
