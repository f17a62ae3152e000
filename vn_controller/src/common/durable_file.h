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
// truncated one. False when anything failed; the old file is then untouched.
// Paths as the host opens them.
bool ReplaceFileWithDocument(const TiXmlDocument& document, const std::string& file);

}  // namespace VN_Sample

#endif
