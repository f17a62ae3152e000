#ifndef VN_CONTROLLER_DATA_FILE_LISTING_H
#define VN_CONTROLLER_DATA_FILE_LISTING_H

#include <string>

#include "web/data_folder.h"
#include "web/line_count_cache.h"

namespace VN_Sample {

// The "DataFiles" element listing the day files and curve files of the
// folders (docs/web.md): names of the sampler's forms only, each list
// sorted by the date in the names. Day files are counted only when the
// cache has no count of their size and modification time.
std::string DataFilesXml(const DataFolder& dayFiles, const DataFolder& curves, LineCountCache& lineCounts);

}  // namespace VN_Sample

#endif
