#ifndef VN_CONTROLLER_PASSWORD_FILES_H
#define VN_CONTROLLER_PASSWORD_FILES_H

#include <string>

// The web server's digest password files live in the controller's working
// directory ("/vn"), with copies on the backup volume. Without them the web
// server asks for no credentials; an empty file lets nobody in.

namespace VN_Sample {

// As the server's protection option names them (relative to the working directory).
inline constexpr const char* AdminPasswordFile = "adminpasswds";
inline constexpr const char* UserPasswordFile = "userpasswds";

// The file to open for one of the names above.
std::string PasswordFilePath(const char* name);

// Saves both files to the backup volume.
void CopyPaswordFiles();
// Deletes both files and their backups: the station is open again.
void ResetWebPasswords();

}  // namespace VN_Sample

#endif
