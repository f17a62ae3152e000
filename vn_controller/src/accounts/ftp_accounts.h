#ifndef VN_CONTROLLER_FTP_ACCOUNTS_H
#define VN_CONTROLLER_FTP_ACCOUNTS_H

namespace VN_Sample {

// Sets the FTP accounts "data_admin" and "data_user" back to their default passwords.
void ResetFtpPasswords();

}  // namespace VN_Sample

#endif
