#ifndef VN_LIB_NET_NAMES_H
#define VN_LIB_NET_NAMES_H

#include <string>

namespace VN_Lib {

// Checks for network settings that come from outside (a peer, a settings
// file) before they reach a network file or a shell command.

// Four decimal numbers 0..255 joined by dots, with nothing else: no blanks,
// signs, leading zeros (they read as octal to some tools) or empty parts.
bool IsIpv4Quad(const std::string& text);

// A host name: labels of letters, digits and '-' joined by dots; a label has
// 1..63 characters and neither starts nor ends with '-'; 253 characters at
// most in all.
bool IsHostName(const std::string& text);

}  // namespace VN_Lib

#endif
