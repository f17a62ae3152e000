#include "vn_sim/station/section_items.h"

#include <cstdio>
#include <cstring>

#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

std::string HexText(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%x", value);
    return text;
}

bool NamesOneFolder(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

int ReadSectionItems(const TiXmlElement& root, const char* section, const char* item, const Station& station,
                     const ItemReader& read, std::string* error) {
    const TiXmlElement* element = root.FirstChildElement(section);
    if (element == nullptr) return 0;
    if (element->NextSiblingElement(section) != nullptr)
        return Fail(*element->NextSiblingElement(section), std::string("only one ") + section + " section is allowed",
                    error);
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (std::strcmp(child->Value(), item) != 0)
            return Fail(*child, std::string("unknown element in ") + section + " (expected " + item + ")", error);
        bool here = false;
        if (station.BelongsHere(*child, *element, &here, error) != 0) return 1;
        if (here && read(*child, error) != 0) return 1;
    }
    return 0;
}

int WireInput(Station& station, const TiXmlElement& element, const Signal_T& signal,
              const InputTransducer& transducer, std::string* error) {
    unsigned base = 0;
    int mux = 0;
    int chan = 0;
    if (RequireHex(element, "card", &base, error) != 0 || RequireInt(element, "mux", &mux, error) != 0 ||
        RequireInt(element, "chan", &chan, error) != 0)
        return 1;
    std::shared_ptr<AnalogCard> card = station.Card(base);
    if (!card) return Fail(element, "no card at " + HexText(base) + " in " + station.Program(), error);
    if (mux < 0 || mux > 7 || chan < 0 || chan > 7) return Fail(element, "mux and chan must be 0..7", error);
    if (station.ClaimInput(base, mux, chan) != 0)
        return Fail(element, "input mux " + std::to_string(mux) + " chan " + std::to_string(chan) + " of card " +
                                 HexText(base) + " is wired twice",
                    error);
    StationModel* model = &station.Model();
    auto source = [model, signal, transducer, base](double t) { return model->InputVolts(signal, transducer, base, t); };
    if (card->SetInputSource(mux, chan, source) != 0)
        return Fail(element, "input mux " + std::to_string(mux) + " chan " + std::to_string(chan) +
                                 " is built into the card (zero, references, cold junctions)",
                    error);
    return 0;
}

}  // namespace VN_Sim
