#ifndef VN_LIB_BACKUP_VOLUME_H
#define VN_LIB_BACKUP_VOLUME_H

#include <string>

// The backup volume (/dev/hda2 on /hda2) keeps copies of the station's
// configuration and calibration files. It stays unmounted except while files
// are copied to or from it.

namespace VN_Lib {

// Mounts the backup volume for its lifetime. With quiet, the commands' output
// is discarded.
class BackupVolumeMount {
public:
    explicit BackupVolumeMount(bool quiet);
    ~BackupVolumeMount();
    BackupVolumeMount(const BackupVolumeMount&) = delete;
    BackupVolumeMount& operator=(const BackupVolumeMount&) = delete;

    // Runs one command through the shell seam while mounted; its status.
    int Run(const std::string& command) const;

private:
    const std::string suffix;
};

// Copies a file of the working directory to the same name under /hda2/vn,
// quietly.
void CopyToBackupVolume(const std::string& file);

}  // namespace VN_Lib

#endif
