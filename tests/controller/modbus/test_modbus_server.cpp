// The controller's Modbus server in process, read by a libmodbus client on
// loopback: the register image the sampler writes, and clients that connect,
// stay silent, vanish or come several at once.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <vector>

#include "acquisition/data_system.h"
#include "common/controller_logs.h"
#include "modbus/modbus_server.h"
#include "modbus/register_map.h"
#include "modbus_client.h"
#include "schedule/data_sampler.h"
#include "test_support.h"

using VN_Sample::InputLayout;
using VN_Sample::ModbusServer;
using VN_Test::ModbusClient;

namespace {

size_t OpenDescriptors() {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

class ModbusServerTest : public ::testing::Test {
protected:
    ModbusServerTest() : workingDir(dir.Path()) {
        debugWasOn = DebugLog.IsEnabled();
        DebugLog.Disable();
        sampler.SetDataSourceSystem(&system);
        sampler.SetModbus(&server);
    }
    ~ModbusServerTest() override {
        server.StopServer();
        if (debugWasOn) DebugLog.Enable();
    }
    void SetUp() override { ASSERT_EQ(0, server.StartServer(0)); }

    void Temperature(int id, double value) { system.temperatureChannels[id].sample.SetValue(value); }
    void Module(int id, double volts, double amps) {
        system.moduleChannels[id].sample.voltage.SetValue(volts);
        system.moduleChannels[id].sample.current.SetValue(amps);
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    VN_Sample::DataSystem system;
    VN_Sample::DataSampler sampler;
    ModbusServer server;
    bool debugWasOn = false;
};

using ModbusRegisters = ModbusServerTest;

TEST_F(ModbusRegisters, TemperaturePairsInIdOrderTruncatedTowardZero) {
    Temperature(2, 31.2);
    Temperature(1, 24.5);
    Temperature(7, 23.9);
    Temperature(9, -5.7);
    ASSERT_EQ(0, sampler.UpdateModbusRecord());
    ModbusClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ((std::vector<uint16_t>{1, 24, 2, 31}), client.Holding(0, 4));
    EXPECT_EQ((std::vector<uint16_t>{7, 23, 9, 0xFFFB, 0}), client.Holding(4, 5));

    // Without temperature channels the registers keep what they held.
    system.temperatureChannels.clear();
    ASSERT_EQ(0, sampler.UpdateModbusRecord());
    EXPECT_EQ((std::vector<uint16_t>{1, 24, 2, 31}), client.Holding(0, 4));
}

TEST_F(ModbusRegisters, TemperaturesOutOfRangeSaturateAndNoNumberReadsAsInvalid) {
    EXPECT_EQ(0x7FFF, VN_Sample::TemperatureRegister(1e12));
    EXPECT_EQ(0x8000, VN_Sample::TemperatureRegister(-1e12));
    EXPECT_EQ(0x8000, VN_Sample::TemperatureRegister(-INFINITY));
    EXPECT_EQ(static_cast<uint16_t>(-9999), VN_Sample::TemperatureRegister(NAN));
}

TEST_F(ModbusRegisters, OnlyAsManyPairsAsFitAndAddressesPastTheMapAreRefused) {
    for (int id = 1; id <= 70; ++id) Temperature(id, id + 0.5);
    ASSERT_EQ(0, sampler.UpdateModbusRecord());
    ModbusClient client(server.Port());
    const std::vector<uint16_t> all = client.Holding(0, ModbusServer::HoldingRegisters);
    ASSERT_EQ(125u, all.size());
    EXPECT_EQ(62, all[122]);
    EXPECT_EQ(62, all[123]);
    EXPECT_EQ(0, all[124]);

    EXPECT_TRUE(client.Holding(125, 1).empty());
    EXPECT_EQ(EMBXILADD, errno);
    EXPECT_EQ(EMBXILADD, client.ReadCoilError(2000));
    EXPECT_EQ(0, client.ReadCoilError(1999));
}

TEST_F(ModbusRegisters, InputRegistersCarryModuleAndAuxValuesAsHighWordFirstReals) {
    Module(1, 30.25, 8.5);
    Module(3, 31.5, 8.0);
    system.moduleChannels[4].sample.Invalidate();
    system.auxInputChannels[1].sample.SetValue(0.0102);
    system.auxInputChannels[1].convertedReference = 1000.0;
    system.auxInputChannels[1].voltageReference = 0.0102;
    ASSERT_EQ(0, sampler.UpdateModbusRecord());

    ModbusClient client(server.Port());
    const std::vector<uint16_t> header = client.Input(0, 3);
    EXPECT_EQ((std::vector<uint16_t>{1, 3, 1}), header);
    const std::vector<uint16_t> modules = client.Input(InputLayout::ModuleBase, 3 * InputLayout::ModuleBlock);
    ASSERT_EQ(24u, modules.size());
    EXPECT_EQ(1, modules[0]);
    EXPECT_EQ(1, modules[1]);
    EXPECT_FLOAT_EQ(30.25f, VN_Test::RealOf(&modules[2]));
    EXPECT_FLOAT_EQ(8.5f, VN_Test::RealOf(&modules[4]));
    EXPECT_FLOAT_EQ(257.125f, VN_Test::RealOf(&modules[6]));
    EXPECT_EQ(3, modules[8]);
    EXPECT_FLOAT_EQ(252.0f, VN_Test::RealOf(&modules[14]));
    EXPECT_EQ(4, modules[16]);
    EXPECT_EQ(0, modules[17]) << "an invalid module is flagged";
    const std::vector<uint16_t> aux = client.Input(InputLayout::AuxBase, InputLayout::AuxBlock);
    ASSERT_EQ(4u, aux.size());
    EXPECT_EQ((std::vector<uint16_t>{1, 1}), std::vector<uint16_t>(aux.begin(), aux.begin() + 2));
    EXPECT_NEAR(1000.0f, VN_Test::RealOf(&aux[2]), 0.01);

    // A channel that is gone leaves no stale block behind.
    system.moduleChannels.erase(3);
    ASSERT_EQ(0, sampler.UpdateModbusRecord());
    EXPECT_EQ(2, client.Input(InputLayout::ModuleCountRegister, 1).at(0));
    EXPECT_EQ(std::vector<uint16_t>(InputLayout::ModuleBlock, 0),
              client.Input(InputLayout::ModuleBase + 2 * InputLayout::ModuleBlock, InputLayout::ModuleBlock));
    EXPECT_EQ(4, client.Input(InputLayout::ModuleBase + InputLayout::ModuleBlock, 1).at(0));
}

TEST_F(ModbusRegisters, TemperaturesAreEchoedOnlyWithTheDebugLogOn) {
    Temperature(1, 24.5);
    testing::internal::CaptureStdout();
    sampler.UpdateModbusRecord();
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    DebugLog.Enable();
    testing::internal::CaptureStdout();
    sampler.UpdateModbusRecord();
    EXPECT_EQ("Temp 1  = 24.500000\n", testing::internal::GetCapturedStdout());
}

using ModbusClients = ModbusServerTest;

// Every local address, not only the one a client happens to use; another
// loopback address stands in for the station's network interfaces.
TEST_F(ModbusClients, ServedOnEveryLocalAddress) {
    Temperature(3, 20.0);
    sampler.UpdateModbusRecord();
    ModbusClient client(server.Port(), "127.0.0.2");
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ((std::vector<uint16_t>{3, 20}), client.Holding(0, 2));
}

TEST_F(ModbusClients, AFinishedConnectionsSocketIsClosed) {
    const size_t before = OpenDescriptors();
    for (int i = 0; i < 20; ++i) {
        ModbusClient client(server.Port());
        ASSERT_EQ(1u, client.Holding(0, 1).size());
    }
    // The clients' own sockets are closed; the server's ends must follow.
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return OpenDescriptors() <= before; }, 30000))
        << OpenDescriptors() << " descriptors, " << before << " before";
}

TEST_F(ModbusClients, AnIdleClientIsDropped) {
    server.StopServer();
    server.SetIdleLimitMs(200);
    ASSERT_EQ(0, server.StartServer(0));
    const int idle = VN_Test::ConnectRaw(server.Port());
    ASSERT_GE(idle, 0);
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return VN_Test::PeerClosed(idle); }, 30000));
    close(idle);
}

TEST_F(ModbusClients, AClientVanishingMidRequestLeavesTheServerServing) {
    Temperature(1, 24.5);
    sampler.UpdateModbusRecord();
    // A whole request of the largest read, its connection reset before the
    // answer is written.
    const int vanishing = VN_Test::ConnectRaw(server.Port());
    ASSERT_GE(vanishing, 0);
    const unsigned char read125[] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x7D};
    struct linger reset = {1, 0};
    setsockopt(vanishing, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ASSERT_EQ(12, send(vanishing, read125, sizeof read125, MSG_NOSIGNAL));
    close(vanishing);

    ModbusClient client(server.Port());
    EXPECT_EQ((std::vector<uint16_t>{1, 24}), client.Holding(0, 2));
}

TEST_F(ModbusClients, StoppingClosesTheListenerAndTheImage) {
    ModbusServer never;
    bool written = false;
    never.UpdateRegisters([&](modbus_mapping_t&) { written = true; });
    EXPECT_FALSE(written);

    const int port = server.Port();
    server.StopServer();
    EXPECT_LT(VN_Test::ConnectRaw(port), 0);
    server.UpdateRegisters([&](modbus_mapping_t&) { written = true; });
    EXPECT_FALSE(written);
}

}  // namespace
