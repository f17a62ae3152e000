// Moving one large frame (4836 bytes: an escaped curve record) over the
// simulated CAN link with its per-message acknowledgements, against the
// bit-time limit of the bus: every data message and its acknowledgement
// back to back at the configured bit rate.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "analog104.h"
#include "can_bus.h"
#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"

namespace {

const int FrameBytes = 4836;
const int AckTimeoutMs = 1000;

// One card with its chip on a chip select, mapped in the port space.
struct Side {
    Side(const std::string& folder, unsigned base, int select, std::shared_ptr<VN_Sim::CanWire> wire) {
        VN_Sim::AnalogCardConfig_T config;
        config.baseAddress = base;
        config.eepromPath = folder + "/eeprom_" + std::to_string(base) + ".bin";
        card = std::make_shared<VN_Sim::AnalogCard>(config);
        chip = std::make_shared<VN_Sim::CanChip>(std::move(wire));
        card->AttachSpiDevice(select, chip);
        VN_Sim::PortSpace::Instance().Map(base, VN_Sim::AnalogCard::PortCount, card);
        io = std::make_unique<VN_Lib::Analog104>(static_cast<int>(base));
    }
    std::shared_ptr<VN_Sim::AnalogCard> card;
    std::shared_ptr<VN_Sim::CanChip> chip;
    std::unique_ptr<VN_Lib::Analog104> io;
};

// The cards' EEPROM files live in a folder of their own; the cards leave the
// port space only once the buses and their receive threads are gone.
struct Workspace {
    Workspace() {
        char pattern[] = "/tmp/vn_can_bench_XXXXXX";
        folder = mkdtemp(pattern) != nullptr ? pattern : ".";
    }
    ~Workspace() {
        VN_Sim::PortSpace::Instance().UnmapAll();
        std::remove((folder + "/eeprom_768.bin").c_str());
        std::remove((folder + "/eeprom_832.bin").c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
};

// The controller's bus (interface 0) and a unit's bus (interface 1) on one wire.
struct Link {
    Link() {
        controller.Initialize(controllerSide.io.get(), 0);
        unit.Initialize(unitSide.io.get(), 1);
        for (int i = 0; i < FrameBytes; ++i) payload += static_cast<char>(i * 7);
    }

    // Every message and its acknowledgement back to back at the bus's bit rate.
    double BitTimeLimitSeconds() const {
        VN_Sim::CanFrame_T ack;
        ack.id = VN_Lib::CanBus::AckIdentifier >> 5;
        int bits = 0;
        for (int sent = 0; sent < FrameBytes; sent += 8) {
            VN_Sim::CanFrame_T message;
            message.dlc = static_cast<uint8_t>(std::min(8, FrameBytes - sent));
            for (int i = 0; i < message.dlc; ++i) message.data[i] = static_cast<uint8_t>(payload[sent + i]);
            bits += VN_Sim::CanFrameBitLength(message) + VN_Sim::CanFrameBitLength(ack);
        }
        return bits / controllerSide.chip->BitRate();
    }

    Workspace workspace;  // first in, last out
    std::shared_ptr<VN_Sim::CanWire> wire = std::make_shared<VN_Sim::CanWire>("bench", "");
    Side controllerSide{workspace.folder, 0x300, 0, wire};
    Side unitSide{workspace.folder, 0x340, 1, wire};
    VN_Lib::CanBus controller;
    VN_Lib::CanBus unit;
    std::string payload;
};

// Reads the bus on demand, as the controller does, until count bytes came.
size_t Drain(VN_Lib::CanBus& bus, size_t count) {
    size_t received = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (received < count && std::chrono::steady_clock::now() < end) {
        char buffer[64];
        int got = 0;
        if (bus.GetData(sizeof(buffer), buffer, &got) == 0) received += static_cast<size_t>(got);
    }
    return received;
}

void Report(benchmark::State& state, const Link& link, double seconds, bool complete) {
    const double perFrame = seconds / static_cast<double>(state.iterations());
    const double limit = link.BitTimeLimitSeconds();
    state.counters["frame_ms"] = perFrame * 1e3;
    state.counters["bit_time_limit_ms"] = limit * 1e3;
    state.counters["ratio_to_limit"] = perFrame / limit;
    if (!complete) state.SkipWithError("a transfer was incomplete");
}

// The unit answering: SendData with its receive thread paused, the
// controller reading on demand.
void BM_UnitAnswerToController(benchmark::State& state) {
    Link link;
    link.unit.EnableBackgroundInput();
    link.unit.PauseBackgroundInput(true);
    bool complete = true;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::atomic<size_t> received{0};
        std::thread reader([&] { received = Drain(link.controller, FrameBytes); });
        complete &= link.unit.SendData(0, FrameBytes, link.payload.data(), AckTimeoutMs) == 0;
        reader.join();
        complete &= received == FrameBytes;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, link, seconds, complete);
}
BENCHMARK(BM_UnitAnswerToController)->Unit(benchmark::kMillisecond)->Iterations(3);

// A request to the unit, whose receive thread polls the chip every 2 ms.
// Message by message: in one process SendData's SPI lock would keep the
// thread out.
void BM_ControllerRequestToUnitThread(benchmark::State& state) {
    Link link;
    link.unit.EnableBackgroundInput();
    bool complete = true;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int sent = 0; sent < FrameBytes && complete; sent += 8) {
            complete &= link.controller.SendStandardMessage(0, std::min(8, FrameBytes - sent),
                                                            link.payload.data() + sent, true, AckTimeoutMs) == 0;
        }
        complete &= Drain(link.unit, FrameBytes) == FrameBytes;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, link, seconds, complete);
}
BENCHMARK(BM_ControllerRequestToUnitThread)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
