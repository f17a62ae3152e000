// Watches a unit program over TCP: every few seconds it asks for the held
// readings (101,A,R) and prints one status line: per module voltage, current
// and power, the aux inputs (irradiances) and the temperatures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "command_message.h"
#include "data_frame.h"
#include "socket_control.h"

namespace {

// Reads one id-tagged section ("T", "X"); false when the record is malformed.
bool ReadValues(VN_Lib::DataFrame& record, char tag, const char* label, const char* unit, std::string* line) {
    char found = 0;
    int count = 0;
    if (record.ExtractByte(&found) != 0 || found != tag || record.ExtractInt(&count) != 0 || count < 0) return false;
    for (int i = 0; i < count; ++i) {
        char id = 0;
        double value = 0.0;
        if (record.ExtractByte(&id) != 0 || record.ExtractDouble(&value) != 0) return false;
        char text[64];
        std::snprintf(text, sizeof(text), "  %s%d %.1f%s", label, static_cast<unsigned char>(id), value, unit);
        *line += text;
    }
    return true;
}

bool ReadModules(VN_Lib::DataFrame& record, std::string* line) {
    char found = 0;
    int count = 0;
    if (record.ExtractByte(&found) != 0 || found != 'M' || record.ExtractInt(&count) != 0 || count < 0) return false;
    for (int i = 0; i < count; ++i) {
        char id = 0;
        double current = 0.0;
        double voltage = 0.0;
        if (record.ExtractByte(&id) != 0 || record.ExtractDouble(&current) != 0 ||
            record.ExtractDouble(&voltage) != 0) {
            return false;
        }
        char text[96];
        std::snprintf(text, sizeof(text), "  M%d %.2fV %.3fA %.1fW", static_cast<unsigned char>(id), voltage, current,
                      voltage * current);
        *line += text;
    }
    return true;
}

// The status line of one sample record, or "" when it is malformed.
std::string StatusLine(VN_Lib::DataFrame& record) {
    int version = 0;
    std::string modules;
    std::string irradiances;
    std::string temperatures;
    if (record.ExtractInt(&version) != 0 || version != 1 || !ReadValues(record, 'T', "T", "C", &temperatures) ||
        !ReadValues(record, 'X', "G", "W/m2", &irradiances) || !ReadModules(record, &modules)) {
        return "";
    }
    return modules + " |" + irradiances + " |" + temperatures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [PERIOD_S]\n", argv[0]);
        return 2;
    }
    int port = std::atoi(argv[1]);
    int period = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    for (;;) {
        // One connection per reading: the unit serves one client at a time, and
        // other clients (a request tool, the controller) must get their turn.
        VN_Lib::SocketControl link;
        if (link.OpenClientSocket(port) != 0) {
            std::printf("waiting for the unit on port %d\n", port);
        } else {
            std::string params = "A,R";
            VN_Lib::DataFrame record;
            int result = link.SendCommand(CmdSample, params, record, 2000);
            link.Close();
            std::time_t now = std::time(nullptr);
            char stamp[16];
            std::strftime(stamp, sizeof(stamp), "%H:%M:%S", std::localtime(&now));
            if (result != 0) {
                std::printf("%s  no answer (error %d)\n", stamp, result);
            } else {
                std::string line = StatusLine(record);
                std::printf("%s%s\n", stamp, line.empty() ? "  malformed sample record" : line.c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::seconds(period));
    }
}
