#include "vn_sim/station/output_sections.h"

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/truth_file.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

const int DefaultTruthPeriodMs = 200;

}  // namespace

int ReadLeds(const TiXmlElement& root, Station& station, std::string* error) {
    return ReadSectionItems(root, "Leds", "LedBank", station, [&station](const TiXmlElement& item, std::string* err) {
        unsigned base = 0;
        if (RequireHex(item, "address", &base, err) != 0) return 1;
        if (base > 0xFFFE) return Fail(item, "address leaves no room for the bank's 2 ports", err);
        if (station.AddLedBank(base) != 0)
            return Fail(item, "the ports of the LED bank at " + HexText(base) + " overlap another device", err);
        return 0;
    }, error);
}

int ReadTruth(const TiXmlElement* root, Station& station, std::string* error) {
    const TiXmlElement* truth = root ? root->FirstChildElement("Truth") : nullptr;
    std::string file = TruthFile::DefaultName;
    int periodMs = DefaultTruthPeriodMs;
    bool enabled = station.Program() == Station::DefaultProgram;
    if (truth != nullptr) {
        bool here = false;
        if (station.BelongsHere(*truth, *truth, &here, error) != 0) return 1;
        if (!here) return 0;
        enabled = true;
        if (ReadBool(*truth, "enabled", &enabled, error) != 0 || ReadInt(*truth, "period_ms", &periodMs, error) != 0)
            return 1;
        if (const char* name = truth->Attribute("file")) file = name;
        if (file.empty()) return Fail(*truth, "attribute file is empty", error);
        if (periodMs < 10 || periodMs > 3600000) return Fail(*truth, "period_ms must be 10..3600000", error);
    }
    if (enabled) station.Model().EnableTruthFile(file, periodMs / 1000.0);
    return 0;
}

}  // namespace VN_Sim
