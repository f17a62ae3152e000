#include <civetweb.h>

#include <cstring>
#include <string>

#include "channels/iv_curve.h"
#include "web/csv_conversion.h"
#include "web/data_file_listing.h"
#include "web/data_file_names.h"
#include "web/data_folder.h"
#include "web/data_server.h"
#include "web/file_reply.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"

// The day files and curve files for download, as stored or as CSV, and
// their listing. None takes systemMutex: a long download must not hold up
// sampling, and the files are only appended to or replaced whole.

namespace VN_Sample {

namespace {

const int NotFound = 404;
const char* const CsvExtension = ".csv";

// What follows the route's prefix in the decoded, cleaned path; false for
// anything but a GET under exactly that prefix (the server matches route
// prefixes without regard to case, its protected areas with it).
bool RequestedName(const WebRequest& request, const char* prefix, std::string* name) {
    const mg_request_info* info = mg_get_request_info(request.connection);
    if (info == nullptr || info->local_uri == nullptr || std::strcmp(info->request_method, "GET") != 0) return false;
    if (std::strncmp(info->local_uri, prefix, std::strlen(prefix)) != 0) return false;
    *name = info->local_uri + std::strlen(prefix);
    return true;
}

// The stored file's name in "<name>" or "<name>.csv", and whether CSV is asked for.
bool RequestedFile(const WebRequest& request, const char* prefix, std::string* name, bool* csv) {
    if (!RequestedName(request, prefix, name)) return false;
    const size_t length = std::strlen(CsvExtension);
    *csv = name->size() > length && name->compare(name->size() - length, length, CsvExtension) == 0;
    if (*csv) name->resize(name->size() - length);
    return true;
}

void SendNotFound(const WebRequest& request) { SendError(request.connection, NotFound, "No such file"); }

bool LoadCurve(std::FILE* file, IvCurve* curve) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return false;
    TiXmlElement* root = document.FirstChildElement("IV_Curves");
    TiXmlElement* element = root != nullptr ? root->FirstChildElement("Curve") : nullptr;
    return element != nullptr && curve->Initialize(*element) == 0;
}

}  // namespace

void ServeDataFiles(const WebRequest& request) {
    std::string name;
    if (!RequestedName(request, "/user/data_files.xml", &name) || !name.empty()) {
        SendNotFound(request);
        return;
    }
    const DataSampler::DataFolders_T folders = request.server.sampler.DataFolders();
    SendXml(request.connection,
            DataFilesXml(DataFolder(folders.dayFiles), DataFolder(folders.curves), request.server.lineCounts));
}

void ServeDayFile(const WebRequest& request) {
    std::string name;
    bool csv = false;
    DayFileName_T parsed;
    // The name is checked before any file is looked at.
    if (!RequestedFile(request, "/user/data/", &name, &csv) || !ParseDayFileName(name, &parsed)) {
        SendNotFound(request);
        return;
    }
    const DataFolder folder(request.server.sampler.DataFolders().dayFiles);
    DataFolder::OpenFile_T opened;
    if (!folder.Open(name, &opened)) {
        SendNotFound(request);
        return;
    }
    std::FILE* file = opened.file.get();
    // What was stored at the opening; lines appended meanwhile wait for the next download.
    const uint64_t length = opened.version.size;
    if (!csv) {
        SendStoredFile(request.connection, file, length, "text/plain", name);
        return;
    }
    SendProducedFile(request.connection, "text/csv", NameStem(name) + CsvExtension,
                     [file, length](const CsvSink& sink) { return DayFileToCsv(file, length, sink); });
}

void ServeCurveFile(const WebRequest& request) {
    std::string name;
    bool csv = false;
    CurveFileName_T parsed;
    if (!RequestedFile(request, "/user/curves/", &name, &csv) || !ParseCurveFileName(name, &parsed)) {
        SendNotFound(request);
        return;
    }
    const DataFolder folder(request.server.sampler.DataFolders().curves);
    DataFolder::OpenFile_T opened;
    if (!folder.Open(name, &opened)) {
        SendNotFound(request);
        return;
    }
    if (!csv) {
        SendStoredFile(request.connection, opened.file.get(), opened.version.size, "text/xml", name);
        return;
    }
    // Curve files are small and written whole, so one is read at once.
    IvCurve curve;
    if (!LoadCurve(opened.file.get(), &curve)) {
        SendError(request.connection, 500, "Not a curve file");
        return;
    }
    SendProducedFile(request.connection, "text/csv", NameStem(name) + CsvExtension,
                     [&curve](const CsvSink& sink) { return CurveToCsv(curve, sink); });
}

}  // namespace VN_Sample
