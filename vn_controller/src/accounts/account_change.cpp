#include "accounts/account_change.h"

#include <civetweb.h>
#include <tinyxml.h>

#include <vector>

#include "accounts/ftp_accounts.h"
#include "accounts/password_files.h"
#include "accounts/username_list.h"
#include "accounts/web_realm.h"
#include "common/controller_logs.h"

namespace VN_Sample {

namespace {

const size_t MaxWordLength = 64;
const int MaxUsersBeforeAdd = 6;

struct Change_T {
    std::string kind = "unknown";
    std::string currentName = "unknown";
    std::string newName = "unknown";
    std::string password = "unknown";
};

Change_T ParseChange(const std::string& body) {
    Change_T change;
    TiXmlDocument document;
    document.Parse(body.c_str());
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* username = root != nullptr ? root->FirstChildElement("Username") : nullptr;
    if (username == nullptr) return change;
    for (auto [attribute, field] : {std::make_pair("type", &change.kind),
                                    std::make_pair("current_username", &change.currentName),
                                    std::make_pair("new_username", &change.newName),
                                    std::make_pair("password", &change.password)}) {
        if (const char* value = username->Attribute(attribute)) *field = value;
    }
    return change;
}

int EntryCount(const char* file, const char* kind) {
    std::vector<Username_T> entries;
    return LoadUsernames(entries, PasswordFilePath(file), kind);
}

// An empty password removes the name instead of adding it.
void WriteEntry(const char* file, const Change_T& change) {
    mg_modify_passwords_file(PasswordFilePath(file).c_str(), WebRealm, change.newName.c_str(),
                             change.password.c_str());
}

void RemoveEntry(const char* file, const std::string& name) {
    mg_modify_passwords_file(PasswordFilePath(file).c_str(), WebRealm, name.c_str(), nullptr);
}

// Checked before anything is removed, so a refused change loses no account;
// the refused attribute, or "".
std::string WebRefusal(const Change_T& change) {
    if (change.currentName.size() > MaxWordLength) return "current_username";
    if (change.password.empty()) return change.newName.size() <= MaxWordLength ? "" : "new_username";
    if (!AcceptableAccountWord(change.newName)) return "new_username";
    return AcceptableAccountWord(change.password) ? "" : "password";
}

std::string ChangeFtpAccount(const Change_T& change) {
    const char* name = change.kind == "ftp_admin" ? FtpAdminName : FtpUserName;
    if (!SetFtpPassword(name, change.password)) return "password";
    CopyShadowFile();
    return "";
}

void ChangeWebAccount(const Change_T& change, bool admin) {
    RemoveEntry(UserPasswordFile, change.currentName);
    if (EntryCount(UserPasswordFile, "web_user") <= MaxUsersBeforeAdd) WriteEntry(UserPasswordFile, change);
    if (admin) {
        RemoveEntry(AdminPasswordFile, change.currentName);
        if (EntryCount(AdminPasswordFile, "web_admin") == 0) WriteEntry(AdminPasswordFile, change);
    }
    CopyPaswordFiles();
}

}  // namespace

bool AcceptableAccountWord(const std::string& word) {
    if (word.empty() || word.size() > MaxWordLength) return false;
    for (unsigned char c : word)
        if (c == ':' || c < 0x20 || c == 0x7F) return false;
    return true;
}

std::string ChangeAccount(const std::string& body) {
    const Change_T change = ParseChange(body);
    std::string refused;
    if (change.kind == "web_user" || change.kind == "web_admin") {
        refused = WebRefusal(change);
        if (refused.empty()) ChangeWebAccount(change, change.kind == "web_admin");
    } else if (change.kind == "ftp_admin" || change.kind == "ftp_user") {
        refused = ChangeFtpAccount(change);
    }
    if (!refused.empty())
        ErrMsgLog.Writef("Account change of %s refused: %s empty, too long or with ':' or control characters\n",
                         change.kind.c_str(), refused.c_str());
    if (EntryCount(AdminPasswordFile, "web_admin") == 0) ResetWebPasswords();
    return refused;
}

}  // namespace VN_Sample
