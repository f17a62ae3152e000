#include "unit_program.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "banner.h"
#include "command_handlers.h"
#include "net_names.h"
#include "sys_error.h"

UnitProgram::UnitProgram() : model(std::make_unique<VN_Lib::Vantrel>()) {}

int UnitProgram::Start() {
    VN_Lib::PrintBanner("*                  Start VN5 Device                             *", CommandHandlers::SoftwareVersion);
    Initialize();
    // A unit that cannot open a port it is configured for would run deaf (or
    // leave its port to another program that answers in its place): stop loudly.
    if (!portFailures.empty()) {
        for (const std::string& failure : portFailures) std::printf("%s\n", failure.c_str());
        std::printf("vn_firmware stops: a command port in hw_config.xml cannot be opened\n");
        return VN_Lib::ERR_LINK_NOT_OPEN;
    }
    PulseTimer.SetAlarm(0, 500);
    PulseTimer.Restart();
    PulseTimer.EnableAlarm();
    ThermalTimer.SetAlarm(10, 0);
    ThermalTimer.Restart();
    ThermalTimer.EnableAlarm();
    return 0;
}

int UnitProgram::Initialize() {
    TiXmlDocument document("hw_config.xml");
    if (!document.LoadFile()) return VN_Lib::ERR_FILE_LOAD;

    // The CAN port runs on one of the model's buses: it is closed before the
    // model drops them and opened again on the new bus.
    canBusPort.reset();
    model->Initialize(document);
    // The other ports are opened once: re-initialising must not drop the
    // connection the request to re-initialise came on.
    if (!portsConfigured) {
        ConfigureCommandPorts(document);
        portsConfigured = true;
    } else if (TiXmlElement* root = document.RootElement()) {
        portFailures.clear();
        OpenCanPort(root->FirstChildElement("CommandPorts"));
    }
    model->CalibrateAnalogCardReferences();
    updateAllSamples = false;
    auxInputSamplingEnabled = true;
    temperatureSamplingEnabled = true;
    updateLoadsEnabled = true;
    internalTemperatureSamplingEnabled = true;
    StatusLed = model->StatusLed();
    return 0;
}

int UnitProgram::ConfigureCommandPorts(TiXmlDocument& document) {
    socketPort.reset();
    com1Port.reset();
    com2Port.reset();
    canBusPort.reset();
    portFailures.clear();

    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return VN_Lib::ERR_NO_ROOT_ELEMENT;
    TiXmlElement* ports = root->FirstChildElement("CommandPorts");
    if (ports == nullptr) return 0;

    OpenCanPort(ports);

    const char* comNames[2] = {"COM1", "COM2"};
    std::unique_ptr<VN_Lib::ComControl>* comPorts[2] = {&com1Port, &com2Port};
    for (int i = 0; i < 2; ++i) {
        TiXmlElement* com = ports->FirstChildElement(comNames[i]);
        if (com == nullptr) continue;
        int baud = 38400;
        com->QueryIntAttribute("baud", &baud);
        auto port = std::make_unique<VN_Lib::ComControl>();
        if (port->OpenPort(i + 1, baud) == 0) {
            *comPorts[i] = std::move(port);
        } else {
            NotePortFailure(std::string(comNames[i]) + " at " + std::to_string(baud) + " baud");
        }
    }

    if (TiXmlElement* socket = ports->FirstChildElement("Socket")) {
        int tcpPort = 3010;
        socket->QueryIntAttribute("port", &tcpPort);
        // Only the controller beside the unit needs the port unless the
        // configuration opens it wider.
        const char* address = socket->Attribute("address");
        const std::string listenAddress = address != nullptr ? address : "127.0.0.1";
        if (!VN_Lib::IsIpv4Quad(listenAddress)) {
            std::printf("Socket address \"%s\" is not an IPv4 address: no socket port\n", listenAddress.c_str());
            portFailures.push_back("Command port Socket: address \"" + listenAddress + "\" is not an IPv4 address");
        } else {
            auto port = std::make_unique<VN_Lib::SocketControl>();
            if (port->OpenServerSocket(tcpPort, listenAddress) == 0) {
                socketPort = std::move(port);
            } else {
                NotePortFailure("Socket port " + std::to_string(tcpPort) + " on " + listenAddress);
            }
        }
    }
    return 0;
}

void UnitProgram::OpenCanPort(TiXmlElement* ports) {
    TiXmlElement* can = ports != nullptr ? ports->FirstChildElement("CAN") : nullptr;
    if (can == nullptr) return;
    int busId = -1;
    can->QueryIntAttribute("canbus", &busId);
    VN_Lib::CanBus* bus = model->FindCanBus(busId);
    if (bus == nullptr) {
        std::printf("CAN failed\n");
        portFailures.push_back("Command port CAN: the unit has no CAN bus " + std::to_string(busId));
        return;
    }
    canBusPort = std::make_unique<VN_Lib::CanControl>();
    canBusPort->OpenPort(bus);
    canBusPort->EnableBackgroundInput();
}

void UnitProgram::NotePortFailure(const std::string& port) {
    // Taken right after the failed call, before anything else can change errno.
    const int error = errno;
    portFailures.push_back("Command port " + port + " cannot be opened: " + std::strerror(error));
}

int UnitProgram::ProcessCommand(CommandMessage& command) {
    responseFrame.Clear();
    int result = 0;
    if (command.Type() == CmdInitialize) {
        bool fromCan = canBusPort != nullptr && pActivePort == canBusPort.get();
        result = Initialize();
        // A request that came over CAN is answered on the port re-opened on the new bus.
        if (fromCan) pActivePort = canBusPort.get();
    } else {
        CommandHandlers handlers(*model, responseFrame, updateAllSamples);
        result = handlers.Dispatch(command);
    }
    responseFrame.PrependShort(static_cast<short>(result));
    responseFrame.PrependByte(result != 0 ? 'E' : static_cast<char>(command.Type() & 0xFF));
    if (pActivePort == nullptr) return VN_Lib::ERR_LINK_NOT_OPEN;
    return pActivePort->OutputFrame(responseFrame, 1000);
}

bool UnitProgram::ServePort(VN_Lib::CommandControl* port) {
    if (port == nullptr) return false;
    port->GetCommand(&Command);
    if (Command.state != CommandMessage::StateDone) return false;
    pActivePort = port;
    ProcessCommand(Command);
    return true;
}

bool UnitProgram::ServeCanPort() {
    if (canBusPort == nullptr) return false;
    canBusPort->GetCommand(&Command);
    if (Command.state != CommandMessage::StateDone) return false;
    pActivePort = canBusPort.get();
    // The answer's acknowledgements must reach this thread, not the receive thread.
    canBusPort->PauseBackgroundInput(true);
    ProcessCommand(Command);
    // Command 1 may have re-opened the port on a new bus.
    if (canBusPort != nullptr) canBusPort->PauseBackgroundInput(false);
    return true;
}

void UnitProgram::UpdatePeriodicWork() {
    model->UpdateAnalogCardReferences();
    if (auxInputSamplingEnabled) model->UpdateNextAuxInputSample();
    if (temperatureSamplingEnabled) model->UpdateNextTemperatureSample();
    if (updateLoadsEnabled) model->UpdateNextLoad();
    if (internalTemperatureSamplingEnabled) {
        model->UpdateNextHeatSinkTemperatureSample();
        model->UpdateNextIntakeTemperatureSample();
        model->UpdateNextSupplyTemperatureSample();
    }
}

void UnitProgram::MainLoopPass() {
    bool served = ServePort(socketPort.get());
    served |= ServePort(com1Port.get());
    served |= ServePort(com2Port.get());
    served |= ServeCanPort();

    UpdatePeriodicWork();
    if (ThermalTimer.CheckAlarm()) {
        model->UpdateThermalManagement();
        ThermalTimer.Restart();
        ThermalTimer.EnableAlarm();
    }
    if (PulseTimer.CheckAlarm()) {
        StatusLed.Toggle();
        PulseTimer.Restart();
        PulseTimer.EnableAlarm();
    }

    // A pass that had neither a request nor hardware to serve gives the
    // processor away briefly: the station has one processor, shared with the
    // controller that waits for our answers. A pass with hardware spends most
    // of its time in conversions already, so it does not sleep on top.
    if (!served && !model->HasPeriodicWork()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}
