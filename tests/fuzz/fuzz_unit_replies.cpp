// Arbitrary unit replies into the controller's data source: the description,
// the sample record, the curve records (basic and advanced), the version and
// the calibration record. The first byte picks the exchange and whether the
// rest is a reply body (framed here) or raw bytes off the wire.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquisition/data_source.h"
#include "cal_report_record.h"
#include "channels/iv_curve.h"
#include "command_message.h"
#include "data_frame.h"
#include "fuzz_support.h"

using VN_Sample::DataSource;

namespace {

// A frame as a unit writes it: '[', the escaped length and body, ']'.
std::string Wire(const std::string& body) {
    std::string payload;
    payload.push_back(static_cast<char>(body.size() & 0xFF));
    payload.push_back(static_cast<char>((body.size() >> 8) & 0xFF));
    payload += body;
    std::string wire = "[";
    for (char c : payload) {
        if (c == '[' || c == ']' || c == '*') wire.push_back('*');
        wire.push_back(c);
    }
    return wire + "]";
}

// The reply of a command that succeeded: its code, result 0, then the fields.
std::string Reply(CmdType code, const std::string& fields) {
    std::string body;
    body.push_back(static_cast<char>(code & 0xFF));
    body.append(2, '\0');
    return Wire(body + fields);
}

std::string Bytes(const VN_Lib::DataFrame& frame) { return std::string(frame.Data(), frame.Size()); }

// A unit of the given version with aux input 1, temperature 3 and modules 1 and 2.
std::string Description(const char* version) {
    VN_Lib::DataFrame frame;
    frame.AddInt(2);
    for (const char* text : {version, "SN-7", "01/02/2025", "VN5"}) frame.AddString(text);
    frame.AddInt(1);
    frame.AddInt(1);
    frame.AddInt(1);
    frame.AddInt(3);
    frame.AddString("T");
    frame.AddInt(2);
    frame.AddInt(1);
    frame.AddInt(2);
    return Reply(CmdReadConfiguration, Bytes(frame));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    VN_Fuzz::WorkDir();
    const uint8_t choice = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool raw = (choice & 0x80) != 0;
    const bool advanced = (choice & 0x40) != 0;

    DataSource source;
    auto* link = new VN_Fuzz::ScriptedLink();
    source.SetPort(link);
    link->Feed(Description(advanced ? "5.11" : "5.00"), 0);
    source.SetOnlineState(true);
    if (source.GetConfiguration() != 0) return 0;

    source.SetOnlineState(true);
    switch (choice % 5) {
        case 0:
            link->Feed(raw ? rest : Reply(CmdReadConfiguration, rest), choice);
            source.GetConfiguration();
            break;
        case 1:
            link->Feed(raw ? rest : Reply(CmdSample, rest), choice);
            source.ReadAllSampleData();
            break;
        case 2: {
            link->Feed(raw ? rest : Reply(advanced ? CmdTakeIvCurveAdvanced : CmdTakeIvCurve, rest), choice);
            VN_Sample::IvCurve curve;
            source.TakeIvCurve(1, curve);
            delete curve.MakeNewXmlElement(true);
            break;
        }
        case 3: {
            link->Feed(raw ? rest : Reply(CmdVersion, rest), choice);
            std::string version;
            source.GetVersion(version);
            break;
        }
        default: {
            VN_Lib::DataFrame reply;
            reply.AddData(rest.data(), static_cast<unsigned>(rest.size()));
            VN_Lib::CalReportRecord record;
            source.ExtractCalRecord(reply, record);
            std::string text;
            record.GetXmlString(text);
            break;
        }
    }
    return 0;
}
