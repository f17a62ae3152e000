#ifndef VN_CONTROLLER_ACCOUNT_CHANGE_H
#define VN_CONTROLLER_ACCOUNT_CHANGE_H

#include <string>

namespace VN_Sample {

// One account change posted as <.. ><Username type=".." current_username=".."
// new_username=".." password=".." /></..>: the current name is removed and the
// new one added with the password (an empty password only removes). At most
// 7 web users (administrator included) and one administrator. A file left
// without administrator opens the station (ResetWebPasswords). The FTP kinds
// set the password of "data_admin" or "data_user". Callers hold systemMutex.
// The attribute whose value was refused ("new_username" or "password"), with
// nothing changed; "" when the change was made.
std::string ChangeAccount(const std::string& body);

// Whether a name or password can go into a password file: not empty, at most
// 64 characters, no ':' (the field separator) and no control characters.
bool AcceptableAccountWord(const std::string& word);

}  // namespace VN_Sample

#endif
