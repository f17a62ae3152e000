#include "common/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "station_write.h"

namespace VN_Sample {

namespace {

// The rename itself is on the disk only once the directory is.
void SyncDirectoryOf(const std::string& file) {
    const size_t slash = file.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// Removes a temporary after a failure, keeping errno for the caller.
void RemoveTemporary(const std::string& temporary) {
    const int cause = errno;
    std::remove(temporary.c_str());
    errno = cause;
}

// The document printed as the controller's files hold it, on the disk under
// temporary. False when anything failed; the temporary is then removed.
bool WriteDocumentDurably(const TiXmlDocument& document, const std::string& temporary) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    FilePtr output(std::fopen(temporary.c_str(), "we"));
    if (output == nullptr) return false;
    const bool written = VN_Lib::WriteStationFile(output.get(), printer.Str());
    const int writeCause = errno;
    const bool closed = CloseDurably(std::move(output));
    if (written && closed) return true;
    if (!written) errno = writeCause;
    RemoveTemporary(temporary);
    return false;
}

}  // namespace

bool CloseDurably(FilePtr file) {
    bool written = std::fflush(file.get()) == 0 && ::fsync(fileno(file.get())) == 0;
    return std::fclose(file.release()) == 0 && written;
}

bool ReplaceFileWithDocument(const TiXmlDocument& document, const std::string& file) {
    const std::string temporary = file + ".new";
    if (!WriteDocumentDurably(document, temporary)) return false;
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        RemoveTemporary(temporary);
        return false;
    }
    SyncDirectoryOf(file);
    return true;
}

std::string NumberedFileName(const std::string& file, unsigned number) {
    if (number == 0) return file;
    const size_t slash = file.rfind('/');
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = file.size();
    return file.substr(0, dot) + "_" + std::to_string(number) + file.substr(dot);
}

int CreateNumberedFileWithDocument(const TiXmlDocument& document, const std::string& file) {
    const std::string temporary = file + ".new";
    if (!WriteDocumentDurably(document, temporary)) return -1;
    // link() fails on an existing name where rename() would replace it, so the
    // check and the naming are one step.
    int used = -1;
    for (unsigned number = 0; number <= MaxFileNumber && used < 0; ++number) {
        if (::link(temporary.c_str(), NumberedFileName(file, number).c_str()) == 0) {
            used = static_cast<int>(number);
            SyncDirectoryOf(file);
        } else if (errno != EEXIST) {
            break;
        }
    }
    RemoveTemporary(temporary);
    return used;
}

}  // namespace VN_Sample
