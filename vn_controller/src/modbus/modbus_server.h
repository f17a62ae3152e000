#ifndef VN_CONTROLLER_MODBUS_SERVER_H
#define VN_CONTROLLER_MODBUS_SERVER_H

#include <modbus.h>

#include <functional>
#include <thread>

namespace VN_Sample {

// The controller's Modbus TCP server: serves its register image (coils,
// holding and input registers) to any number of clients at once, on all local
// addresses. Requests are answered under modbusMutex, which the sampler holds
// while it writes the image.
class ModbusServer {
public:
    static constexpr int Coils = 2000;
    static constexpr int HoldingRegisters = 125;
    // A client that sends nothing for this long is dropped (a half-open
    // connection would otherwise hold its socket for ever).
    static constexpr int DefaultIdleLimitMs = 120000;

    ModbusServer() = default;
    // Stops a running server.
    ~ModbusServer();
    ModbusServer(const ModbusServer&) = delete;
    ModbusServer& operator=(const ModbusServer&) = delete;

    // Creates the register image and starts listening on the host's Modbus
    // port (or the port given; 0 picks a free one), then serves in a thread
    // of its own. 0 (also when running already), or -1 after printing why,
    // with nothing kept. Ignores SIGPIPE for the process.
    int StartServer();
    int StartServer(int port);
    // Ends the server thread, closes every socket and frees the image.
    void StopServer();

    // The port listened on; 0 when not listening.
    int Port() const { return port; }
    void SetIdleLimitMs(int ms) { idleLimitMs = ms; }

    // Runs write on the image under modbusMutex; nothing when there is no
    // image (the server was never started).
    void UpdateRegisters(const std::function<void(modbus_mapping_t&)>& write);

private:
    // The server loop until the stop pipe is written.
    void Serve();
    void Release();

    modbus_mapping_t* mapping = nullptr;
    int listen_socket = -1;
    modbus_t* context = nullptr;
    std::thread thread;
    // Written by StopServer to wake the loop.
    int stopPipe[2] = {-1, -1};
    int port = 0;
    int idleLimitMs = DefaultIdleLimitMs;
};

}  // namespace VN_Sample

#endif
