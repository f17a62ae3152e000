#include "common/durable_file.h"

#include <unistd.h>

namespace VN_Sample {

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
    if (CloseDurably(std::move(output)) && written && std::rename(temporary.c_str(), file.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace VN_Sample
