#ifndef VN_SIM_STATION_SECTION_ITEMS_H
#define VN_SIM_STATION_SECTION_ITEMS_H

#include <tinyxml.h>

#include <functional>
#include <string>

#include "vn_sim/station/input_transducer.h"
#include "vn_sim/station/station.h"
#include "vn_sim/station/station_signal.h"

namespace VN_Sim {

using ItemReader = std::function<int(const TiXmlElement& item, std::string* error)>;

// Runs read on every <item> of the <section> under root that belongs to this
// program, in document order. A section given twice or a child element of
// another name is an error, so a misspelt element is not silently dropped.
int ReadSectionItems(const TiXmlElement& root, const char* section, const char* item, const Station& station,
                     const ItemReader& read, std::string* error);

// Wires a card input (attributes card (hex), mux, chan) to the signal
// through the transducer. 1 with *error for a card this program does not
// have, an input out of range, built in or wired twice.
int WireInput(Station& station, const TiXmlElement& element, const Signal_T& signal,
              const InputTransducer& transducer, std::string* error);

// Whether a bus or line name can name one folder: not empty, ".", ".." or a path.
bool NamesOneFolder(const std::string& name);

// "300" for 0x300, as addresses are written in the description.
std::string HexText(unsigned value);

}  // namespace VN_Sim

#endif
