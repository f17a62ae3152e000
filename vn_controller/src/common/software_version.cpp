#include "common/software_version.h"

std::string SoftwareVersion;
