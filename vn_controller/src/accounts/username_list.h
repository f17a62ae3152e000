#ifndef VN_CONTROLLER_USERNAME_LIST_H
#define VN_CONTROLLER_USERNAME_LIST_H

#include <string>
#include <vector>

namespace VN_Sample {

// One account as the account list shows it; passwords are never read.
struct Username_T {
    std::string type;      // "web_admin", "web_user", "ftp_admin" or "ftp_user"
    std::string username;
    std::string domain;    // the realm of the entry
};

// Appends one entry of the given kind per line of the password file that has
// a name and a realm; the list's size afterwards, or 0 when the file cannot
// be opened.
int LoadUsernames(std::vector<Username_T>& list, const std::string& file, const std::string& kind);

// The "Users" document of every account (administrators once, as such), four
// blanks per level, without a declaration.
std::string MakeUsernameListXml();

}  // namespace VN_Sample

#endif
