#ifndef VN_BENCH_WEB_STATION_H
#define VN_BENCH_WEB_STATION_H

#include <memory>
#include <string>

#include "station_fixture.h"
#include "test_support.h"

namespace VN_Bench {

// A copy of the simulated station with its controller program running, a
// user and an administrator account, and by default no scheduled curves (a
// benchmark asks for the sweeps it wants).
class WebStation {
public:
    static constexpr const char* Admin = "admin";
    static constexpr const char* AdminPassword = "a-secret";
    static constexpr const char* User = "viewer";
    static constexpr const char* UserPassword = "u-secret";
    // Every module's curve, for "/admin/take_curves".
    static constexpr const char* AllModules =
        "<Curves><Id id=\"1\"/><Id id=\"2\"/><Id id=\"3\"/><Id id=\"4\"/></Curves>";

    // Starts the controller and waits until the sample document shows every
    // module; Ready() tells whether it did. consoleInput goes to the
    // controller's console (menu selections), which stays open.
    // curveInterval: the scheduled curves' period in seconds (a day: none).
    explicit WebStation(const std::string& consoleInput = "", int curveInterval = 86400);
    bool Ready() const { return ready; }
    // Waits (up to two minutes) until the controller has brought its unit
    // online: the sample document lists the modules before that, and the
    // unit's first start keeps the main loop busy for seconds.
    bool WaitOnline() const;
    int HttpPort() const { return httpPort; }
    int ModbusPort() const { return station.ModbusPort(); }
    pid_t ControllerPid() const { return controller ? controller->Pid() : -1; }
    // The unit program the controller started last; -1 when none.
    pid_t UnitPid() const { return station.UnitPid(); }
    // More menu selections for the console; false when it is not open.
    bool Console(const std::string& input) { return controller && controller->WriteInput(input); }
    std::string File(const std::string& name) const { return station.File(name); }
    // The controller's output so far, for a failure message.
    std::string Output() const { return controller ? controller->Output() : ""; }

private:
    VN_Test::StationCopy station;
    int httpPort = 0;
    std::unique_ptr<VN_Test::ChildProcess> controller;
    bool ready = false;
};

}  // namespace VN_Bench

#endif
