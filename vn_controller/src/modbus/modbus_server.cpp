#include "modbus/modbus_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "c_locale.h"
#include "clock.h"
#include "common/controller_mutexes.h"
#include "host_settings.h"
#include "modbus/register_map.h"

namespace VN_Sample {

namespace {

const int ListenBacklog = 16;
// Beyond this, new connections are closed at once, so a flood cannot take
// every descriptor of the controller.
const size_t MaxClients = 32;
const int MaxPollMs = 1000;

long long MonotonicMs() {
    struct timeval tv = {};
    VN_Lib::GetMonotonicTime(&tv);
    return static_cast<long long>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

struct Client_T {
    int socket;
    long long lastRequestMs;
};

}  // namespace

ModbusServer::~ModbusServer() { StopServer(); }

int ModbusServer::StartServer() { return StartServer(VN_Lib::ModbusPort()); }

int ModbusServer::StartServer(int wantedPort) {
    if (thread.joinable()) return 0;
    std::printf("start modbus\n");
    {
        std::lock_guard<std::mutex> lock(modbusMutex);
        mapping = modbus_mapping_new(Coils, 0, HoldingRegisters, InputLayout::Registers);
    }
    if (mapping == nullptr) {
        std::fprintf(stderr, "Failed to allocate the mapping: %s\n", modbus_strerror(errno));
        return -1;
    }
    // No address: listen on all local addresses, as the station always has.
    context = modbus_new_tcp(nullptr, wantedPort);
    if (context == nullptr) {
        std::fprintf(stderr, "Unable to allocate libmodbus context\n");
        Release();
        return -1;
    }
    listen_socket = modbus_tcp_listen(context, ListenBacklog);
    if (listen_socket < 0) {
        std::fprintf(stderr, "Failed to get socket on TCP listen: %s\n", modbus_strerror(errno));
        Release();
        return -1;
    }
    // A connection reset between poll and accept must not block the loop.
    fcntl(listen_socket, F_SETFL, fcntl(listen_socket, F_GETFL) | O_NONBLOCK);
    struct sockaddr_in address = {};
    socklen_t length = sizeof address;
    if (getsockname(listen_socket, reinterpret_cast<struct sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (pipe2(stopPipe, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "Modbus server: no stop pipe\n");
        Release();
        return -1;
    }
    // Writes to a vanished client must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Printed before the thread starts, so nothing the server prints later
    // runs into what its caller prints next.
    std::printf("Socket number %i\n", listen_socket);
    thread = std::thread(&ModbusServer::Serve, this);
    return 0;
}

void ModbusServer::StopServer() {
    if (thread.joinable()) {
        const char stop = 0;
        if (write(stopPipe[1], &stop, 1) != 1) std::fprintf(stderr, "Modbus server: stop not sent\n");
        thread.join();
    }
    Release();
}

void ModbusServer::Release() {
    for (int& fd : stopPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    if (listen_socket >= 0) close(listen_socket);
    listen_socket = -1;
    {
        std::lock_guard<std::mutex> lock(modbusMutex);
        if (mapping != nullptr) modbus_mapping_free(mapping);
        mapping = nullptr;
    }
    if (context != nullptr) modbus_free(context);
    context = nullptr;
    port = 0;
}

void ModbusServer::UpdateRegisters(const std::function<void(modbus_mapping_t&)>& write) {
    std::lock_guard<std::mutex> lock(modbusMutex);
    if (mapping != nullptr) write(*mapping);
}

void ModbusServer::Serve() {
    VN_Lib::UseCLocale();
    std::vector<Client_T> clients;
    std::vector<struct pollfd> polled;
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    const int pollMs = std::min(MaxPollMs, idleLimitMs);

    auto drop = [&](size_t i, const char* why) {
        std::printf("Quit the loop: %s\n", why);
        close(clients[i].socket);
        clients.erase(clients.begin() + static_cast<long>(i));
    };

    for (;;) {
        polled.clear();
        polled.push_back({stopPipe[0], POLLIN, 0});
        polled.push_back({listen_socket, POLLIN, 0});
        for (const Client_T& client : clients) polled.push_back({client.socket, POLLIN, 0});
        if (poll(polled.data(), polled.size(), pollMs) < 0 && errno != EINTR) {
            std::fprintf(stderr, "Modbus server: poll failed\n");
            break;
        }
        if (polled[0].revents != 0) break;

        // Backwards, so dropping a client keeps the earlier indices.
        const long long now = MonotonicMs();
        for (size_t i = clients.size(); i-- > 0;) {
            Client_T& client = clients[i];
            if (polled[i + 2].revents == 0) {
                if (now - client.lastRequestMs >= idleLimitMs) drop(i, "idle");
                continue;
            }
            modbus_set_socket(context, client.socket);
            // Data or the end of the connection is waiting; a request that
            // stops half-way fails after libmodbus's byte time-out.
            const int received = modbus_receive(context, query);
            if (received < 0) {
                drop(i, modbus_strerror(errno));
                continue;
            }
            client.lastRequestMs = now;
            if (received == 0) continue;  // a request libmodbus ignores
            int replied = 0;
            {
                std::lock_guard<std::mutex> lock(modbusMutex);
                replied = modbus_reply(context, query, received, mapping);
            }
            if (replied < 0) drop(i, modbus_strerror(errno));
        }

        if ((polled[1].revents & POLLIN) != 0) {
            const int accepted = modbus_tcp_accept(context, &listen_socket);
            if (accepted < 0) continue;
            // libmodbus waits on a client with select(), which cannot take
            // descriptors past FD_SETSIZE.
            if (clients.size() >= MaxClients || accepted >= FD_SETSIZE) {
                close(accepted);
                continue;
            }
            std::printf("Accept\n");
            clients.push_back({accepted, MonotonicMs()});
        }
    }
    for (const Client_T& client : clients) close(client.socket);
}

}  // namespace VN_Sample
