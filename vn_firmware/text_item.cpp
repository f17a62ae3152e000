#include "text_item.h"

const char* const EmptyTextWord = "-";

void AddTextItem(VN_Lib::DataFrame& frame, const std::string& text) {
    frame.AddString(text.empty() ? std::string(EmptyTextWord) : text);
}
