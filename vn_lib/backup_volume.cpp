#include "backup_volume.h"

#include "shell.h"

namespace VN_Lib {

BackupVolumeMount::BackupVolumeMount(bool quiet) : suffix(quiet ? " > /dev/null 2> /dev/null" : "") {
    Run("mkdir /hda2");
    Run("mount /dev/hda2 /hda2");
}

BackupVolumeMount::~BackupVolumeMount() { Run("umount /hda2"); }

int BackupVolumeMount::Run(const std::string& command) const { return RunShellCommand(command + suffix); }

void CopyToBackupVolume(const std::string& file) {
    BackupVolumeMount volume(true);
    volume.Run("cp -a " + file + " /hda2/vn/" + file);
}

}  // namespace VN_Lib
