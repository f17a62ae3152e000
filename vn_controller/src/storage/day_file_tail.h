#ifndef VN_CONTROLLER_STORAGE_DAY_FILE_TAIL_H
#define VN_CONTROLLER_STORAGE_DAY_FILE_TAIL_H

#include <cstddef>
#include <cstdio>

// A day file about to be appended to. A controller killed or a disk filled
// in the middle of a store can leave a line cut short, or a file created but
// still without its headers; the next line appended after that would be
// read as part of the broken one, or the file would have no header.

namespace VN_Sample {

enum class DayFileTail { Empty, Whole, Failed };

// Cuts the file (open for reading and appending) back to its last complete
// line, and to nothing when fewer than headerLines whole lines are left, as
// those can only be the headers cut short. Empty when the headers must be
// written first, Failed when the file could not be read or cut. A file that
// is no regular file (a device) is left as it is.
DayFileTail MendDayFileTail(std::FILE* file, size_t headerLines);

}  // namespace VN_Sample

#endif
