#ifndef VN_FIRMWARE_TEXT_ITEM_H
#define VN_FIRMWARE_TEXT_ITEM_H

#include <string>

#include "data_frame.h"

// A text of a response that a reader expects in its place (the unit's
// description, the network settings). The frame writes an empty string as
// nothing at all, so the reader would take the next field for it and misread
// all the rest: an empty text goes out as this word instead. "-" is no host
// name, address, version or thermocouple type, and needs no escaping.
extern const char* const EmptyTextWord;

// Appends text as one string item, or EmptyTextWord when it is empty.
void AddTextItem(VN_Lib::DataFrame& frame, const std::string& text);

#endif
