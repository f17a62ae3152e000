#ifndef VN_CONTROLLER_LINE_TEXT_H
#define VN_CONTROLLER_LINE_TEXT_H

#include <string>

namespace VN_Sample {

// Operator text (channel descriptions, units) ends up inside single lines of
// the data file and of documents: the text with every control character (line
// breaks, tabs and the like) turned into a blank.
std::string OneLineText(const std::string& text);

}  // namespace VN_Sample

#endif
