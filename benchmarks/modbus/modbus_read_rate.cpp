// Requests per second of a 125-register read, with 1 and with 4 clients, of
// the station's Modbus server and of a bare libmodbus server (its own
// select-based loop, no lock) side by side in the same run. Rounds alternate
// between the two; the medians and their ratio are printed.
//
//   modbus_read_rate [reads per client, default 4000] [rounds, default 5]
#include <arpa/inet.h>
#include <modbus.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "modbus/modbus_server.h"

namespace {

// libmodbus's own many-clients pattern: one listening socket and a set of
// client sockets under select, the reply straight from the mapping.
class BareServer {
public:
    BareServer() {
        mapping = modbus_mapping_new(2000, 0, 125, 0);
        context = modbus_new_tcp("127.0.0.1", 0);
        listener = modbus_tcp_listen(context, 16);
        if (pipe(stop) != 0) std::abort();
        thread = std::thread([this] { Serve(); });
    }
    ~BareServer() {
        const char c = 0;
        if (write(stop[1], &c, 1) == 1) thread.join();
        close(listener);
        close(stop[0]);
        close(stop[1]);
        modbus_free(context);
        modbus_mapping_free(mapping);
    }
    int Port() const {
        struct sockaddr_in address = {};
        socklen_t length = sizeof address;
        getsockname(listener, reinterpret_cast<struct sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }

private:
    void Serve() {
        fd_set all;
        FD_ZERO(&all);
        FD_SET(listener, &all);
        FD_SET(stop[0], &all);
        int highest = std::max(listener, stop[0]);
        uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
        for (;;) {
            fd_set ready = all;
            if (select(highest + 1, &ready, nullptr, nullptr, nullptr) < 0) return;
            if (FD_ISSET(stop[0], &ready)) break;
            for (int fd = 0; fd <= highest; ++fd) {
                if (!FD_ISSET(fd, &ready) || fd == stop[0]) continue;
                if (fd == listener) {
                    const int client = modbus_tcp_accept(context, &listener);
                    if (client >= 0) {
                        FD_SET(client, &all);
                        highest = std::max(highest, client);
                    }
                    continue;
                }
                modbus_set_socket(context, fd);
                const int n = modbus_receive(context, query);
                if (n > 0) {
                    modbus_reply(context, query, n, mapping);
                } else if (n < 0) {
                    close(fd);
                    FD_CLR(fd, &all);
                }
            }
        }
        for (int fd = 0; fd <= highest; ++fd)
            if (FD_ISSET(fd, &all) && fd != listener && fd != stop[0]) close(fd);
    }

    modbus_mapping_t* mapping = nullptr;
    modbus_t* context = nullptr;
    int listener = -1;
    int stop[2] = {-1, -1};
    std::thread thread;
};

// Reads per second of clients clients, each reading 125 registers reads times.
double ReadRate(int port, int clients, int reads) {
    std::atomic<int> failures{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            modbus_t* client = modbus_new_tcp("127.0.0.1", port);
            if (modbus_connect(client) != 0) {
                ++failures;
            } else {
                uint16_t registers[125];
                for (int i = 0; i < reads; ++i)
                    if (modbus_read_registers(client, 0, 125, registers) != 125) ++failures;
            }
            modbus_close(client);
            modbus_free(client);
        });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (failures != 0) std::fprintf(stderr, "%d failed reads\n", failures.load());
    return clients * reads / seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 4000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    VN_Sample::ModbusServer station;
    if (station.StartServer(0) != 0) return 1;
    BareServer bare;
    std::printf("%-8s %14s %14s %7s\n", "clients", "station req/s", "bare req/s", "ratio");
    for (int clients : {1, 4}) {
        std::vector<double> stationRates, bareRates;
        for (int round = 0; round < rounds; ++round) {
            stationRates.push_back(ReadRate(station.Port(), clients, reads / clients));
            bareRates.push_back(ReadRate(bare.Port(), clients, reads / clients));
        }
        const double s = Median(stationRates), b = Median(bareRates);
        std::printf("%-8d %14.0f %14.0f %7.2f\n", clients, s, b, s / b);
    }
    return 0;
}
