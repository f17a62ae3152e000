#ifndef VN_CONTROLLER_WEB_REALM_H
#define VN_CONTROLLER_WEB_REALM_H

namespace VN_Sample {

// The digest realm of the web server and of every password file entry: a
// digest is made of name, realm and password, so both must use this text.
inline constexpr const char* WebRealm = "vn_station";

}  // namespace VN_Sample

#endif
