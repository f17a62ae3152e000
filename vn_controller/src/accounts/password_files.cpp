#include "accounts/password_files.h"

#include "backup_volume.h"
#include "shell.h"
#include "station_paths.h"

namespace VN_Sample {

namespace {

std::string StationFile(const char* name) { return std::string("/vn/") + name; }

std::string BackupFile(const char* name) { return std::string("/hda2/vn/") + name; }

}  // namespace

std::string PasswordFilePath(const char* name) { return VN_Lib::StationPath(StationFile(name)); }

void CopyPaswordFiles() {
    VN_Lib::BackupVolumeMount volume(true);
    for (const char* name : {AdminPasswordFile, UserPasswordFile})
        volume.Run("cp " + StationFile(name) + " " + BackupFile(name));
}

void ResetWebPasswords() {
    for (const char* name : {UserPasswordFile, AdminPasswordFile})
        VN_Lib::RunShellCommand("rm " + StationFile(name) + " > /dev/null 2> /dev/null");
    VN_Lib::BackupVolumeMount volume(true);
    for (const char* name : {UserPasswordFile, AdminPasswordFile}) volume.Run("rm " + BackupFile(name));
}

}  // namespace VN_Sample
