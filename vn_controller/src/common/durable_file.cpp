#include "common/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

// The document printed as the controller's files hold it, on the disk under
// temporary. False when anything failed; the temporary is then removed.
bool WriteDocumentDurably(const TiXmlDocument& document, const std::string& temporary) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    FilePtr output(std::fopen(temporary.c_str(), "we"));
    if (output == nullptr) return false;
    const bool written = std::fputs(printer.CStr(), output.get()) >= 0;
    if (CloseDurably(std::move(output)) && written) return true;
    std::remove(temporary.c_str());
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
        std::remove(temporary.c_str());
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
    std::remove(temporary.c_str());
    return used;
}

}  // namespace VN_Sample
