#include "common/line_text.h"

namespace VN_Sample {

std::string OneLineText(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        const unsigned char code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) c = ' ';
    }
    return line;
}

}  // namespace VN_Sample
