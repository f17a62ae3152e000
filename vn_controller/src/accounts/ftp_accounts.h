#ifndef VN_CONTROLLER_FTP_ACCOUNTS_H
#define VN_CONTROLLER_FTP_ACCOUNTS_H

#include <string>

// The two accounts of the operating system through which the data files are
// fetched, "data_admin" and "data_user": only their passwords change, in the
// system password file, with a saved copy (/vn/shadow, restored at start)
// and a backup on the backup volume.

namespace VN_Sample {

inline constexpr const char* FtpAdminName = "data_admin";
inline constexpr const char* FtpUserName = "data_user";

// Whether a password can be handed to the system for an FTP account: not
// empty (an empty one would open the account), no ':' or control characters
// (they would split the "name:password" line), at most 87 characters with
// the name.
bool AcceptableFtpPassword(const std::string& name, const std::string& password);

// Sets one account's password; false, with nothing run, for a password
// AcceptableFtpPassword refuses. The password appears in no log or journal.
bool SetFtpPassword(const std::string& name, const std::string& password);

// Saves the system password file to the backup volume.
void CopyShadowFile();

// At program start: the default passwords, then the saved password file
// over them (a station whose passwords were changed keeps them).
void SetStartFtpPasswords();

// The default passwords, and no saved copies, so they hold after a restart too.
void ResetFtpPasswords();

}  // namespace VN_Sample

#endif
