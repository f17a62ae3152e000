#include "vn_sim/station/can_section.h"

#include <cstring>

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

int ReadCanBusses(const TiXmlElement& root, Station& station, std::string* error) {
    const TiXmlElement* section = root.FirstChildElement("CanBusses");
    if (section == nullptr) return 0;
    for (const TiXmlElement* bus = section->FirstChildElement(); bus != nullptr; bus = bus->NextSiblingElement()) {
        if (std::strcmp(bus->Value(), "Bus") != 0)
            return Fail(*bus, "unknown element in CanBusses (expected Bus)", error);
        BusSettings_T settings;
        if (RequireText(*bus, "name", &settings.name, error) != 0) return 1;
        if (!NamesOneFolder(settings.name))
            return Fail(*bus, "a bus name must not be a path: \"" + settings.name + "\"", error);
        settings.folder = "can/" + settings.name;
        if (const char* folder = bus->Attribute("folder")) settings.folder = folder;
        bool linked = true;
        if (ReadBool(*bus, "linked", &linked, error) != 0 ||
            ReadDouble(*bus, "oscillator_hz", &settings.oscillatorHz, error) != 0)
            return 1;
        if (!linked) settings.folder.clear();
        if (linked && !NamesOneFolder(settings.folder.substr(settings.folder.find_last_of('/') + 1)))
            return Fail(*bus, "folder must name a folder: \"" + settings.folder + "\"", error);
        if (settings.oscillatorHz < 1e6 || settings.oscillatorHz > 40e6)
            return Fail(*bus, "oscillator_hz must be 1 to 40 MHz", error);
        if (station.AddBus(settings) != 0) return Fail(*bus, "bus " + settings.name + " is given twice", error);
    }
    return 0;
}

}  // namespace VN_Sim
