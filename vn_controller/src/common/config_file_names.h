#ifndef VN_CONTROLLER_COMMON_CONFIG_FILE_NAMES_H
#define VN_CONTROLLER_COMMON_CONFIG_FILE_NAMES_H

#include <string>

// The three configuration documents, relative to the working directory; set
// by start-up. Their own header so the console can re-learn the channels
// without including the program's.
extern std::string ChannelConfigFilename;
extern std::string SystemConfigFilename;
extern std::string UserSettingsFilename;

#endif
