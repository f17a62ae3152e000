#ifndef VN_TEST_MODBUS_CLIENT_H
#define VN_TEST_MODBUS_CLIENT_H

#include <modbus.h>

#include <cstdint>
#include <string>
#include <vector>

namespace VN_Test {

// A libmodbus TCP client of a loopback address and port, connected while it lives.
class ModbusClient {
public:
    explicit ModbusClient(int port, const char* address = "127.0.0.1");
    ~ModbusClient();
    ModbusClient(const ModbusClient&) = delete;
    ModbusClient& operator=(const ModbusClient&) = delete;

    bool Connected() const { return connected; }
    // The registers read, or empty on failure (errno then tells why).
    std::vector<uint16_t> Holding(int address, int count);
    std::vector<uint16_t> Input(int address, int count);
    // The Modbus exception or error of reading one coil (0: read).
    int ReadCoilError(int address);

private:
    modbus_t* context = nullptr;
    bool connected = false;
};

// A real of two input registers, high word first.
float RealOf(const uint16_t* registers);

// A raw loopback TCP connection to the port; -1 on failure.
int ConnectRaw(int port);
// Whether the peer has closed the connection (reads pending data first).
bool PeerClosed(int fd);

// Runs mbpoll with the arguments against the port; its output ("" when it
// cannot run).
std::string Mbpoll(int port, const std::string& arguments);

}  // namespace VN_Test

#endif
