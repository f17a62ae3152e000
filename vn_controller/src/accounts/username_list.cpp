#include "accounts/username_list.h"

#include <tinyxml.h>

#include <cstdio>
#include <memory>

#include "accounts/password_files.h"
#include "accounts/web_realm.h"

namespace VN_Sample {

namespace {

const int LineSize = 512;

void AddAccountElement(TiXmlElement* parent, const std::string& name, const Username_T& entry) {
    auto* element = new TiXmlElement(name.c_str());
    element->SetAttribute("username", entry.username.c_str());
    element->SetAttribute("type", entry.type.c_str());
    element->SetAttribute("domain", entry.domain.c_str());
    parent->LinkEndChild(element);
}

}  // namespace

int LoadUsernames(std::vector<Username_T>& list, const std::string& file, const std::string& kind) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "r"), std::fclose);
    if (!in) return 0;
    char line[LineSize];
    while (std::fgets(line, sizeof line, in.get()) != nullptr) {
        char name[LineSize];
        char realm[LineSize];
        if (std::sscanf(line, "%511[^:]:%511[^:]:%*s", name, realm) == 2) list.push_back({kind, name, realm});
    }
    return static_cast<int>(list.size());
}

std::string MakeUsernameListXml() {
    std::vector<Username_T> admins;
    std::vector<Username_T> users;
    LoadUsernames(admins, PasswordFilePath(AdminPasswordFile), "web_admin");
    LoadUsernames(users, PasswordFilePath(UserPasswordFile), "web_user");
    // An administrator's entry in the user file is the same account.
    for (Username_T& user : users)
        for (const Username_T& admin : admins)
            if (user.username == admin.username) user.type = "web_admin";

    TiXmlElement users_element("Users");
    auto* names = new TiXmlElement("Usernames");
    users_element.LinkEndChild(names);
    int count = 0;
    for (const Username_T& admin : admins) AddAccountElement(names, "WebAdmin" + std::to_string(++count), admin);
    count = 0;
    for (const Username_T& user : users)
        if (user.type == "web_user") AddAccountElement(names, "WebUser" + std::to_string(++count), user);
    AddAccountElement(names, "FtpAdmin1", {"ftp_admin", "data_admin", WebRealm});
    AddAccountElement(names, "FtpUser1", {"ftp_user", "data_user", WebRealm});

    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    users_element.Accept(&printer);
    return printer.Str();
}

}  // namespace VN_Sample
