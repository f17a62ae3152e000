#include "accounts/ftp_accounts.h"

#include "backup_volume.h"
#include "shell.h"

namespace VN_Sample {

namespace {

const char* const FtpAdminDefault = "ax_kqv5817";
const char* const FtpUserDefault = "ux_qv5817";
const size_t MaxNameAndPassword = 87;

void SetDefaultFtpPasswords() {
    SetFtpPassword(FtpAdminName, FtpAdminDefault);
    SetFtpPassword(FtpUserName, FtpUserDefault);
}

}  // namespace

bool AcceptableFtpPassword(const std::string& name, const std::string& password) {
    if (password.empty() || name.size() + password.size() > MaxNameAndPassword) return false;
    for (unsigned char c : password)
        if (c == ':' || c < 0x20 || c == 0x7F) return false;
    return true;
}

bool SetFtpPassword(const std::string& name, const std::string& password) {
    if (!AcceptableFtpPassword(name, password)) return false;
    VN_Lib::RunProgramWithInput({"chpasswd"}, {name + ":" + password + "\n", name + ":********"});
    return true;
}

void CopyShadowFile() {
    VN_Lib::BackupVolumeMount volume(true);
    volume.Run("cp /etc/shadow /hda2/vn/shadow");
}

void SetStartFtpPasswords() {
    SetDefaultFtpPasswords();
    VN_Lib::RunShellCommand("cp /vn/shadow /etc/shadow");
}

void ResetFtpPasswords() {
    SetDefaultFtpPasswords();
    VN_Lib::BackupVolumeMount volume(true);
    volume.Run("rm /hda2/vn/shadow");
    volume.Run("rm /vn/shadow");
}

}  // namespace VN_Sample
