#include "web/data_file_listing.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "web/data_file_names.h"
#include "web/day_file_lines.h"

namespace VN_Sample {

namespace {

struct DayFile_T {
    std::string name;
    DayFileName_T date;
    FileVersion_T version;
    int64_t lines = -1;
};

struct CurveFile_T {
    std::string name;
    CurveFileName_T parsed;
    uint64_t size = 0;
};

// The names are of the checked forms, so they need no escaping.
std::string Attribute(const char* name, const std::string& value) { return std::string(" ") + name + "=\"" + value + "\""; }

void CountLines(const DataFolder& folder, DayFile_T* file, LineCountCache& lineCounts) {
    const std::string path = folder.PathOf(file->name);
    if (lineCounts.Find(path, file->version, &file->lines)) return;
    DataFolder::OpenFile_T opened;
    if (!folder.Open(file->name, &opened)) return;
    // Counted up to the size at the opening, which is the version kept and shown with the count.
    const int64_t lines = CountDataLines(opened.file.get(), opened.version.size);
    if (lines < 0) return;
    file->version = opened.version;
    file->lines = lines;
    lineCounts.Store(path, opened.version, lines);
}

std::vector<DayFile_T> DayFiles(const DataFolder& folder, LineCountCache& lineCounts) {
    std::vector<DayFile_T> files;
    std::set<std::string> paths;
    for (const DataFolder::Entry_T& entry : folder.Entries()) {
        DayFile_T file;
        if (!ParseDayFileName(entry.name, &file.date)) continue;
        file.name = entry.name;
        file.version = entry.version;
        CountLines(folder, &file, lineCounts);
        paths.insert(folder.PathOf(file.name));
        files.push_back(file);
    }
    lineCounts.KeepOnly(paths);
    std::sort(files.begin(), files.end(), [](const DayFile_T& a, const DayFile_T& b) {
        return std::tie(a.date.year, a.date.month, a.date.day, a.name) <
               std::tie(b.date.year, b.date.month, b.date.day, b.name);
    });
    return files;
}

std::vector<CurveFile_T> CurveFiles(const DataFolder& folder) {
    std::vector<CurveFile_T> files;
    for (const DataFolder::Entry_T& entry : folder.Entries()) {
        CurveFile_T file;
        if (!ParseCurveFileName(entry.name, &file.parsed)) continue;
        file.name = entry.name;
        file.size = entry.version.size;
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(), [](const CurveFile_T& a, const CurveFile_T& b) {
        const CurveFileName_T& x = a.parsed;
        const CurveFileName_T& y = b.parsed;
        return std::tie(x.year, x.month, x.day, x.hour, x.minute, x.second, x.module, x.number) <
               std::tie(y.year, y.month, y.day, y.hour, y.minute, y.second, y.module, y.number);
    });
    return files;
}

std::string DayFileElement(const DayFile_T& file) {
    std::string element = "<DayFile" + Attribute("name", file.name) +
                          Attribute("date", IsoDate(file.date.year, file.date.month, file.date.day)) +
                          Attribute("size", std::to_string(file.version.size));
    if (file.lines >= 0) element += Attribute("lines", std::to_string(file.lines));
    return element + " />\n";
}

std::string CurveFileElement(const CurveFile_T& file) {
    const CurveFileName_T& p = file.parsed;
    std::string element = std::string(p.last ? "<LastCurve" : "<CurveFile") + Attribute("name", file.name) +
                          Attribute("module", std::to_string(p.module));
    if (!p.last)
        element += Attribute("date", IsoDate(p.year, p.month, p.day)) + Attribute("time", IsoTime(p.hour, p.minute, p.second));
    return element + Attribute("size", std::to_string(file.size)) + " />\n";
}

}  // namespace

std::string DataFilesXml(const DataFolder& dayFiles, const DataFolder& curves, LineCountCache& lineCounts) {
    std::string xml = "\n<DataFiles>\n<DayFiles>\n";
    for (const DayFile_T& file : DayFiles(dayFiles, lineCounts)) xml += DayFileElement(file);
    const std::vector<CurveFile_T> curveFiles = CurveFiles(curves);
    xml += "</DayFiles>\n<CurveFiles>\n";
    for (const CurveFile_T& file : curveFiles)
        if (!file.parsed.last) xml += CurveFileElement(file);
    xml += "</CurveFiles>\n<LastCurves>\n";
    for (const CurveFile_T& file : curveFiles)
        if (file.parsed.last) xml += CurveFileElement(file);
    return xml + "</LastCurves>\n</DataFiles>\n";
}

}  // namespace VN_Sample
