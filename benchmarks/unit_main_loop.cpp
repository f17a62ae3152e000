// The unit program on the default simulated station: how long one main-loop
// pass takes (one reference step per card, one aux input, one thermocouple,
// one load step, one of each internal temperature), the same for a unit with
// no hardware (where the idle yield applies), and how long the controller
// waits for the sample record (101,A,R) while the loop runs. The pass with
// every load tracking its maximum power point is measured with the tracker's
// drift guard on and off.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "command_message.h"
#include "data_frame.h"
#include "hardware_model.h"
#include "platform.h"
#include "socket_control.h"
#include "unit_program.h"
#include "vn_sim/station/station_installer.h"

namespace {

namespace fs = std::filesystem;

// A loopback port nothing listens on right now.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

// A copy of the default station in a temporary folder, worked in while it
// exists, with the unit's socket on the given port; bare keeps only the port.
// channelAttributes are added to every module channel.
class StationFolder {
public:
    StationFolder(int port, bool bare, const std::string& channelAttributes = "") : previous(fs::current_path()) {
        char pattern[] = "/tmp/vn_unit_bench_XXXXXX";
        folder = mkdtemp(pattern) != nullptr ? pattern : "";
        fs::path source = fs::path(__FILE__).parent_path().parent_path() / "sim_station";
        fs::copy(source, folder, fs::copy_options::recursive);
        std::string config = "<HardwareConfiguration><CommandPorts><Socket port=\"" + std::to_string(port) +
                             "\"/></CommandPorts></HardwareConfiguration>\n";
        if (!bare) {
            std::ifstream in(folder + "/hw_config.xml");
            std::stringstream text;
            text << in.rdbuf();
            config = text.str();
            config.replace(config.find("port=\"3010\""), 11, "port=\"" + std::to_string(port) + "\"");
            for (size_t at = config.find("<Channel "); at != std::string::npos; at = config.find("<Channel ", at + 1)) {
                config.insert(at + 9, channelAttributes + " ");
            }
        }
        std::ofstream(folder + "/hw_config.xml") << config;
        fs::current_path(folder);
        VN_Lib::InitPlatform("vn_firmware");
    }
    ~StationFolder() {
        VN_Sim::RemoveStation();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

private:
    fs::path previous;
    std::string folder;
};

void MainLoopPass(benchmark::State& state, bool bare) {
    StationFolder station(FreePort(), bare);
    {
        UnitProgram program;
        program.Initialize();
        for (auto _ : state) program.MainLoopPass();
    }
}

void BM_MainLoopPass(benchmark::State& state) { MainLoopPass(state, false); }
BENCHMARK(BM_MainLoopPass)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_MainLoopPassTracking(benchmark::State& state) {
    const bool guard = state.range(0) != 0;
    StationFolder station(FreePort(), false, guard ? "drift_guard=\"1\"" : "drift_guard=\"0\"");
    {
        UnitProgram program;
        program.Initialize();
        VN_Lib::LoadConfiguration_T tracking;
        tracking.mode = 1;
        for (int id : program.Model().ModuleIds()) program.Model().SetLoadControlParameters(id, tracking);
        for (auto _ : state) program.MainLoopPass();
    }
}
BENCHMARK(BM_MainLoopPassTracking)->ArgName("drift_guard")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_MainLoopPassWithoutHardware(benchmark::State& state) { MainLoopPass(state, true); }
BENCHMARK(BM_MainLoopPassWithoutHardware)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The loop runs on its own thread, as in the program; the benchmark is the controller.
void BM_SampleRecordLatency(benchmark::State& state) {
    int port = FreePort();
    StationFolder station(port, false);
    {
        UnitProgram program;
        program.Initialize();
        std::atomic<bool> stop{false};
        std::thread loop([&]() {
            while (!stop.load()) program.MainLoopPass();
        });
        VN_Lib::SocketControl link;
        if (link.OpenClientSocket(port) != 0) state.SkipWithError("cannot connect to the unit");
        for (auto _ : state) {
            std::string params = "A,R";
            VN_Lib::DataFrame record;
            if (link.SendCommand(CmdSample, params, record, 2000) != 0) {
                state.SkipWithError("no sample record");
                break;
            }
        }
        link.Close();
        stop.store(true);
        loop.join();
    }
}
BENCHMARK(BM_SampleRecordLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
