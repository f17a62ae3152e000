#ifndef VN_TEST_CONTROLLER_RIG_H
#define VN_TEST_CONTROLLER_RIG_H

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "analog104.h"
#include "can_bus.h"
#include "controller.h"
#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_dac_listener.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/card/card_clock.h"
#include "vn_sim/physics/electronic_load.h"
#include "vn_sim/physics/pv_module.h"
#include "vn_sim/port_space.h"

namespace VN_Test {

// One PV module on its electronic load: the load hears its DAC message on a
// CAN wire whose controller chip sits on chip select 0 of a simulated analog
// card, and the card reads the module's voltage through a divider and its
// current across a shunt. Physics runs on the clock seam's time, so a test
// that moves the clock moves the module and the load with it.
//
// Locking: the card's converter asks for input volts under the port-space
// lock, the DAC arrives under the wire's lock; the rig's own mutex is taken
// last in both and guards the module and the load.
class ControlRig {
public:
    static constexpr unsigned Base = 0x300;
    static constexpr double Divider = 12.0;     // module volts per input volt
    static constexpr double ShuntOhms = 0.01;
    static constexpr int VoltageMux = 2, VoltageChan = 0;
    static constexpr int CurrentMux = 2, CurrentChan = 1;
    static constexpr int Address = 3;
    static constexpr double LoadVmax = 50.0;

    ControlRig(const std::string& eepromPath, double irradiance, double cellC) {
        VN_Sim::LoadParams_T params;
        params.vmax = LoadVmax;
        module.SetConditions(irradiance, cellC);
        load = std::make_unique<VN_Sim::ElectronicLoad>(module, params, Now());

        VN_Sim::AnalogCardConfig_T config;
        config.baseAddress = Base;
        config.eepromPath = eepromPath;
        card = std::make_shared<VN_Sim::AnalogCard>(config);
        card->SetInputSource(VoltageMux, VoltageChan, [this](double t) { return OperatingPointAt(t).voltage / Divider; });
        card->SetInputSource(CurrentMux, CurrentChan, [this](double t) { return OperatingPointAt(t).current * ShuntOhms; });
        wire = std::make_shared<VN_Sim::CanWire>("loads", "");
        chip = std::make_shared<VN_Sim::CanChip>(wire);
        card->AttachSpiDevice(0, chip);
        listener = std::make_unique<VN_Sim::CanDacListener>(wire, [this](int address, unsigned dac) {
            if (address != Address) return;
            std::lock_guard<std::mutex> lock(mutex);
            if (hook && dac == hookDac && --hookCountdown == 0) {
                Point(Now());
                hook(module);
            }
            load->SetDac(static_cast<uint16_t>(dac), Now());
        });
        VN_Sim::PortSpace::Instance().Map(Base, VN_Sim::AnalogCard::PortCount, card);
        io = std::make_unique<VN_Lib::Analog104>(static_cast<int>(Base));
        io->Initialize(true);
        bus = std::make_unique<VN_Lib::CanBus>();
        busResult = bus->Initialize(io.get(), 0);
    }

    ~ControlRig() {
        bus.reset();
        listener.reset();
        VN_Sim::PortSpace::Instance().UnmapAll();
    }
    ControlRig(const ControlRig&) = delete;
    ControlRig& operator=(const ControlRig&) = delete;

    // The load's ratings as the unit's hardware description gives them.
    static VN_Lib::ControlConfigType Ratings(double pmax = 400.0) {
        VN_Lib::ControlConfigType ratings;
        ratings.vmax = LoadVmax;
        ratings.imax = 15.0;
        ratings.pmax = pmax;
        ratings.address = Address;
        return ratings;
    }

    // Wires the controller's measurements to the rig's inputs and initialises it.
    int Attach(VN_Lib::Controller& controller, double pmax = 400.0) {
        controller.ModuleMeasurement().Voltage().Initialize(io.get(), VoltageMux, VoltageChan, Divider);
        controller.ModuleMeasurement().Current().Initialize(io.get(), CurrentMux, CurrentChan, 1.0 / ShuntOhms);
        return controller.Initialize(bus.get(), Ratings(pmax));
    }

    int BusResult() const { return busResult; }
    VN_Lib::CanBus& Bus() { return *bus; }
    int CardFaults() const { return card->FaultCount(); }
    int ChipFaults() const { return chip->FaultCount(); }

    void SetConditions(double irradiance, double cellC) {
        std::lock_guard<std::mutex> lock(mutex);
        Point(Now());
        module.SetConditions(irradiance, cellC);
    }
    // From now on the irradiance follows `profile` (of the rig's time, Now())
    // at every reading, however the machine's load spaces the readings.
    void FollowIrradiance(std::function<double(double)> profile, double cellC) {
        std::lock_guard<std::mutex> lock(mutex);
        irradianceProfile = std::move(profile);
        profileCellC = cellC;
    }
    // Runs `action` on the module (rig locked) just before the load takes the
    // `occurrence`-th DAC message carrying `dac`: a change of conditions at an
    // exact step of a procedure.
    void OnDac(unsigned dac, int occurrence, std::function<void(VN_Sim::PvModule&)> action) {
        std::lock_guard<std::mutex> lock(mutex);
        hook = std::move(action);
        hookDac = dac;
        hookCountdown = occurrence;
    }

    // Ground truth: where the load holds the module now, and the module itself.
    VN_Sim::PowerPoint_T OperatingPoint() { return OperatingPointAt(Now()); }
    VN_Sim::PowerPoint_T OperatingPointAt(double t) {
        std::lock_guard<std::mutex> lock(mutex);
        return Point(t);
    }
    VN_Sim::ModuleTruth_T Truth() {
        std::lock_guard<std::mutex> lock(mutex);
        return module.Truth();
    }
    unsigned LoadDac() {
        std::lock_guard<std::mutex> lock(mutex);
        return load->Dac();
    }

    static double Now() { return VN_Sim::CardSeconds(VN_Sim::CardMicroseconds()); }

private:
    // With the mutex held.
    VN_Sim::PowerPoint_T Point(double t) {
        if (irradianceProfile) {
            load->OperatingPoint(t);
            module.SetConditions(irradianceProfile(t), profileCellC);
        }
        return load->OperatingPoint(t);
    }

    std::mutex mutex;
    std::function<void(VN_Sim::PvModule&)> hook;
    std::function<double(double)> irradianceProfile;
    double profileCellC = 25.0;
    unsigned hookDac = 0;
    int hookCountdown = 0;
    VN_Sim::PvModule module;
    std::unique_ptr<VN_Sim::ElectronicLoad> load;
    std::shared_ptr<VN_Sim::AnalogCard> card;
    std::shared_ptr<VN_Sim::CanWire> wire;
    std::shared_ptr<VN_Sim::CanChip> chip;
    std::unique_ptr<VN_Sim::CanDacListener> listener;
    std::unique_ptr<VN_Lib::Analog104> io;
    std::unique_ptr<VN_Lib::CanBus> bus;  // goes first: it talks through the card
    int busResult = -1;
};

}  // namespace VN_Test

#endif
