#ifndef VN_CONTROLLER_DURABLE_FILE_H
#define VN_CONTROLLER_DURABLE_FILE_H

#include <tinyxml.h>

#include <cstdio>
#include <memory>
#include <string>

namespace VN_Sample {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Flushes the file to the disk and closes it; false when any step failed.
bool CloseDurably(FilePtr file);

// Writes the document as "<file>.new" and renames that over the file, so a
// power cut or a full disk leaves the old file or the new one, never a
// truncated one. False when anything failed (errno tells why: ENOSPC for a
// full volume); the old file is then untouched. Paths as the host opens them.
bool ReplaceFileWithDocument(const TiXmlDocument& document, const std::string& file);

// file with "_<number>" before its extension (the last '.' of its last
// component); number 0 gives file itself.
std::string NumberedFileName(const std::string& file, unsigned number);

// Writes the document as "<file>.new" and gives it the first name of file,
// NumberedFileName(file, 1), ... up to number MaxFileNumber that does not
// exist yet. An existing file is never replaced, not even one created
// meanwhile by another process. The number of the name used, or -1 when
// anything failed or every name was taken (errno tells why); no temporary is
// left behind.
constexpr unsigned MaxFileNumber = 99;
int CreateNumberedFileWithDocument(const TiXmlDocument& document, const std::string& file);

}  // namespace VN_Sample

#endif
