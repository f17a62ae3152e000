#include "modbus_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace VN_Test {

ModbusClient::ModbusClient(int port, const char* address) {
    context = modbus_new_tcp(address, port);
    if (context == nullptr) return;
    // Generous: a loaded machine may be slow to answer, never wrong.
    modbus_set_response_timeout(context, 10, 0);
    connected = modbus_connect(context) == 0;
}

ModbusClient::~ModbusClient() {
    if (context == nullptr) return;
    modbus_close(context);
    modbus_free(context);
}

std::vector<uint16_t> ModbusClient::Holding(int address, int count) {
    std::vector<uint16_t> registers(static_cast<size_t>(count));
    if (!connected || modbus_read_registers(context, address, count, registers.data()) != count) return {};
    return registers;
}

std::vector<uint16_t> ModbusClient::Input(int address, int count) {
    std::vector<uint16_t> registers(static_cast<size_t>(count));
    if (!connected || modbus_read_input_registers(context, address, count, registers.data()) != count) return {};
    return registers;
}

int ModbusClient::ReadCoilError(int address) {
    uint8_t coil = 0;
    return modbus_read_bits(context, address, 1, &coil) == 1 ? 0 : errno;
}

float RealOf(const uint16_t* registers) {
    const uint32_t bits = (static_cast<uint32_t>(registers[0]) << 16) | registers[1];
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int ConnectRaw(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s < 0 || connect(s, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0) {
        if (s >= 0) close(s);
        return -1;
    }
    return s;
}

bool PeerClosed(int fd) {
    char buffer[256];
    for (;;) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0) return true;
        if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    }
}

std::string Mbpoll(int port, const std::string& arguments) {
    const std::string command = "mbpoll -m tcp -a 1 -1 -o 10 -p " + std::to_string(port) + " " + arguments +
                                " 127.0.0.1 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string output;
    char buffer[512];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    return output;
}

}  // namespace VN_Test
