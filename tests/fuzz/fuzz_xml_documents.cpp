// Every XML document the station's programs accept, one family per value of
// the first byte: the controller's configuration files, its settings of every
// kind (each read back afterwards), stored curve files, account changes and
// calibration records, and the unit's hw_config.xml. The controller's model
// starts from the shipped station's files; its units stay offline.
#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "accounts/account_change.h"
#include "acquisition/data_system.h"
#include "cal_report_record.h"
#include "channels/iv_curve.h"
#include "fuzz_controller.h"
#include "fuzz_support.h"
#include "hardware_model.h"
#include "schedule/data_sampler.h"

using VN_Sample::DataSampler;
using VN_Sample::DataSystem;

namespace {

enum Family_T {
    SystemConfig,
    ChannelConfig,
    SystemUserSettings,
    ModuleChannels,
    AuxInputChannels,
    TemperatureChannels,
    GlobalSettings,
    SamplerSettings,
    CurveSettings,
    NetworkSettings,
    TimeSettings,
    CurveFile,
    AccountChange,
    CalRecord,
    UnitHardware,
    FamilyCount
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    VN_Fuzz::Controller_T& controller = VN_Fuzz::Controller();
    DataSystem& system = controller.system;
    DataSampler& sampler = controller.sampler;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    TiXmlDocument document;
    std::string back;

    switch (data[0] % FamilyCount) {
        case SystemConfig:
            document.Parse(text.c_str());
            system.SetSystemConfiguration(document);
            system.GetAboutAsString(back);
            break;
        case ChannelConfig:
            document.Parse(text.c_str());
            system.SetChannelConfiguration(document);
            // Not read back: that learns, starting the local unit program.
            system.GetAboutAsString(back);
            break;
        case SystemUserSettings:
            document.Parse(text.c_str());
            system.SetUserSettings(document);
            system.GetUserSettings(document);
            break;
        case ModuleChannels:
            system.SetModuleChannelSettings(text);
            system.GetModuleChannelSettings(back);
            break;
        case AuxInputChannels:
            system.SetAuxInputChannelSettings(text);
            system.GetXmlAuxInputChannelSettings(back);
            break;
        case TemperatureChannels:
            system.SetTemperatureChannelSettings(text);
            system.GetXmlTemperatureChannelSettings(back);
            break;
        case GlobalSettings:
            system.SetGlobalSettings(text);
            system.GetGlobalSettings(back);
            break;
        case SamplerSettings:
            sampler.SetUserSettingsXml(text);
            sampler.GetUserSettings(back);
            break;
        case CurveSettings:
            sampler.SetCurveSettings(text);
            sampler.GetCurveSettings(back);
            break;
        case NetworkSettings:
            sampler.SetNetworkSettings(text);
            sampler.GetNetworkSettings(back);
            break;
        case TimeSettings:
            sampler.SetTimeSettings(text, true);
            sampler.GetTimeSettings(back);
            break;
        case CurveFile: {
            // Where the station keeps its curves, whatever a curve settings input set.
            sampler.SetCurvePath("/data/curves/");
            VN_Fuzz::WriteWorkFile("data/curves/fuzz_curve.xml", data + 1, size - 1);
            VN_Sample::IvCurve curve;
            sampler.LoadCurve(curve, "fuzz_curve.xml");
            delete curve.MakeNewXmlElement(true);
            break;
        }
        case AccountChange:
            VN_Sample::ChangeAccount(text);
            break;
        case CalRecord: {
            document.Parse(text.c_str());
            VN_Lib::CalReportRecord record;
            if (TiXmlElement* root = document.RootElement()) record.Initialize(*root);
            record.GetXmlString(back);
            break;
        }
        default: {
            document.Parse(text.c_str());
            VN_Lib::Vantrel unit;
            unit.Initialize(document);
            break;
        }
    }
    return 0;
}
