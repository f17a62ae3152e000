#include "common/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

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

}  // namespace

bool CloseDurably(FilePtr file) {
    bool written = std::fflush(file.get()) == 0 && ::fsync(fileno(file.get())) == 0;
    return std::fclose(file.release()) == 0 && written;
}

bool ReplaceFileWithDocument(const TiXmlDocument& document, const std::string& file) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    const std::string temporary = file + ".new";
    FilePtr output(std::fopen(temporary.c_str(), "we"));
    if (output == nullptr) return false;
    const bool written = std::fputs(printer.CStr(), output.get()) >= 0;
    if (!CloseDurably(std::move(output)) || !written || std::rename(temporary.c_str(), file.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    SyncDirectoryOf(file);
    return true;
}

}  // namespace VN_Sample
