#include "vn_sim/station/serial_line_section.h"

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

int ReadSerialLines(const TiXmlElement& root, Station& station, std::string* error) {
    const TiXmlElement* devices = root.FirstChildElement("Serial");
    return ReadSectionItems(root, "SerialLines", "Line", station, [&](const TiXmlElement& item, std::string* err) {
        SerialLineSettings_T line;
        int com = 0;
        if (RequireText(item, "name", &line.name, err) != 0 || RequireInt(item, "com", &com, err) != 0) return 1;
        if (!NamesOneFolder(line.name)) return Fail(item, "a line name must not be a path: \"" + line.name + "\"", err);
        if (com != 1 && com != 2) return Fail(item, "com must be 1 or 2", err);
        const std::string port = "COM" + std::to_string(com);
        line.folder = "serial/" + line.name;
        if (const char* folder = item.Attribute("folder")) line.folder = folder;
        if (!NamesOneFolder(line.folder.substr(line.folder.find_last_of('/') + 1)))
            return Fail(item, "folder must name a folder: \"" + line.folder + "\"", err);
        if (devices != nullptr && devices->Attribute(com == 1 ? "com1" : "com2") != nullptr)
            return Fail(item, port + " has a Serial device already", err);
        if (station.AddSerialLine(com, line) != 0)
            return Fail(item, port + " of " + station.Program() + " is wired to another line already", err);
        return 0;
    }, error);
}

}  // namespace VN_Sim
