#include "common/config_file_names.h"

std::string ChannelConfigFilename;
std::string SystemConfigFilename;
std::string UserSettingsFilename;
