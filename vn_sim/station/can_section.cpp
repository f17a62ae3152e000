#include "vn_sim/station/can_section.h"

#include <cstring>

#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

int ReadCanBusses(const TiXmlElement& root, Station& station, std::string* error) {
    const TiXmlElement* section = root.FirstChildElement("CanBusses");
    if (section == nullptr) return 0;
    for (const TiXmlElement* bus = section->FirstChildElement(); bus != nullptr; bus = bus->NextSiblingElement()) {
        if (std::strcmp(bus->Value(), "Bus") != 0)
            return Fail(*bus, "unknown element in CanBusses (expected Bus)", error);
        BusSpec_T spec;
        if (RequireText(*bus, "name", &spec.name, error) != 0) return 1;
        if (spec.name.find('/') != std::string::npos || spec.name == "." || spec.name == "..")
            return Fail(*bus, "a bus name must not be a path: \"" + spec.name + "\"", error);
        spec.folder = "can/" + spec.name;
        if (const char* folder = bus->Attribute("folder")) spec.folder = folder;
        bool linked = true;
        if (ReadBool(*bus, "linked", &linked, error) != 0 ||
            ReadDouble(*bus, "oscillator_hz", &spec.oscillatorHz, error) != 0)
            return 1;
        if (!linked) spec.folder.clear();
        std::string last = spec.folder.substr(spec.folder.find_last_of('/') + 1);
        if (linked && (last.empty() || last == "." || last == ".."))
            return Fail(*bus, "folder must name a folder: \"" + spec.folder + "\"", error);
        if (spec.oscillatorHz < 1e6 || spec.oscillatorHz > 40e6)
            return Fail(*bus, "oscillator_hz must be 1 to 40 MHz", error);
        if (station.AddBus(spec) != 0) return Fail(*bus, "bus " + spec.name + " is given twice", error);
    }
    return 0;
}

}  // namespace VN_Sim
