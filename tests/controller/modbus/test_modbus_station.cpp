// The running simulated station read over Modbus, by mbpoll and by a
// libmodbus client: the thermocouples in the holding registers, every
// module's voltage, current and power and the irradiance in the input
// registers, against the station's ground truth; clients that stay silent,
// vanish or read at once.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "modbus/register_map.h"
#include "modbus_client.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Sample::InputLayout;
using VN_Test::ModbusClient;
using VN_Test::Truth_T;

namespace {

bool Near(double value, double expected, double fraction) { return std::fabs(value - expected) <= fraction * std::fabs(expected); }

int16_t Signed(uint16_t value) { return static_cast<int16_t>(value); }

// The truth's temperature at thermocouple id: modules 1-4, then the air.
double TruthTemperature(const Truth_T& truth, int id) {
    return id <= 4 ? truth.modules.at(id).cellTemperature : truth.ambient;
}

// Whether the registers hold ids 1-5 with the truth's temperatures: truncated
// to whole degrees, within the thermocouples' tolerance.
bool TemperaturesFollow(const std::vector<uint16_t>& registers, const Truth_T& truth) {
    if (registers.size() < 10) return false;
    for (int id = 1; id <= 5; ++id) {
        const int k = id - 1;
        if (registers[2 * k] != id || std::fabs(Signed(registers[2 * k + 1]) - TruthTemperature(truth, id)) > 2.0)
            return false;
    }
    return true;
}

bool ModulesFollow(const std::vector<uint16_t>& registers, const Truth_T& truth) {
    if (registers.size() != 4u * InputLayout::ModuleBlock) return false;
    for (int id = 1; id <= 4; ++id) {
        const uint16_t* block = &registers[static_cast<size_t>((id - 1) * InputLayout::ModuleBlock)];
        const VN_Test::TruthModule_T& m = truth.modules.at(id);
        if (block[0] != id || block[1] != 1 || !Near(VN_Test::RealOf(block + 2), m.voltage, 0.015) ||
            !Near(VN_Test::RealOf(block + 4), m.current, 0.015) || !Near(VN_Test::RealOf(block + 6), m.pmax, 0.03))
            return false;
    }
    return true;
}

// mbpoll's value of a reference, as it prints it ("[12]: 	24"); NaN when absent.
double MbpollValue(const std::string& output, int reference) {
    const std::string mark = "[" + std::to_string(reference) + "]:";
    const size_t at = output.find(mark);
    return at == std::string::npos ? std::nan("") : std::strtod(output.c_str() + at + mark.size(), nullptr);
}

TEST(ModbusStationEndToEnd, ClientsReadTheStationsTemperaturesAndModuleValues) {
    VN_Test::StationCopy station;
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const int port = station.ModbusPort();
    const std::string truthFile = station.File("sim_truth.xml");

    // A client that connects and stays silent, from the start.
    int silent = -1;
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return (silent = VN_Test::ConnectRaw(port)) >= 0; }, 60000))
        << controller.Output();

    ModbusClient client(port);
    ASSERT_TRUE(client.Connected());
    Truth_T truth;
    std::vector<uint16_t> temperatures, modules;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            temperatures = client.Holding(0, 10);
            modules = client.Input(InputLayout::ModuleBase, 4 * InputLayout::ModuleBlock);
            return VN_Test::ReadTruth(truthFile, &truth) && VN_Test::AllFourTracking(truth) &&
                   TemperaturesFollow(temperatures, truth) && ModulesFollow(modules, truth);
        },
        120000))
        << controller.Output();
    EXPECT_EQ((std::vector<uint16_t>{1, 4, 2}), client.Input(0, 3));
    const std::vector<uint16_t> aux = client.Input(InputLayout::AuxBase, InputLayout::AuxBlock);
    ASSERT_EQ(4u, aux.size());
    EXPECT_EQ(1, aux[0]);
    EXPECT_TRUE(Near(VN_Test::RealOf(&aux[2]), truth.irradiance, 0.02)) << VN_Test::RealOf(&aux[2]);

    // Debian's client (scripts/setup.sh) reads the same registers, 0-based.
    const std::string holding = VN_Test::Mbpoll(port, "-0 -t 4 -r 0 -c 10");
    const std::string reals = VN_Test::Mbpoll(port, "-0 -B -t 3:float -r 12 -c 3");
    ASSERT_TRUE(VN_Test::ReadTruth(truthFile, &truth));
    for (int id = 1; id <= 5; ++id) {
        EXPECT_EQ(id, MbpollValue(holding, 2 * (id - 1))) << holding;
        EXPECT_NEAR(TruthTemperature(truth, id), MbpollValue(holding, 2 * id - 1), 2.0) << holding;
    }
    EXPECT_TRUE(Near(MbpollValue(reals, 12), truth.modules[1].voltage, 0.015)) << reals;
    EXPECT_TRUE(Near(MbpollValue(reals, 14), truth.modules[1].current, 0.015)) << reals;
    EXPECT_TRUE(Near(MbpollValue(reals, 16), truth.modules[1].pmax, 0.03)) << reals;

    // Two clients at once, and one that vanishes half-way through a request.
    const int vanishing = VN_Test::ConnectRaw(port);
    const unsigned char half[] = {0x00, 0x01, 0x00};
    EXPECT_EQ(3, send(vanishing, half, sizeof half, MSG_NOSIGNAL));
    close(vanishing);
    int good = 0;
    std::thread other([&] {
        ModbusClient second(port);
        for (int i = 0; i < 50; ++i) good += second.Holding(0, 125).size() == 125 ? 1 : 0;
    });
    int mine = 0;
    for (int i = 0; i < 50; ++i) mine += client.Input(0, 125).size() == 125 ? 1 : 0;
    other.join();
    EXPECT_EQ(50, good);
    EXPECT_EQ(50, mine);
    close(silent);
}

}  // namespace
