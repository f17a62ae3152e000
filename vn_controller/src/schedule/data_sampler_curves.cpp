#include "schedule/data_sampler.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "common/durable_file.h"
#include "common/quiet_command.h"
#include "common/xml_helper.h"
#include "station_paths.h"

namespace VN_Sample {

namespace {

std::string LastCurveName(int channel_id) { return "last_iv_" + std::to_string(channel_id) + ".xml"; }

void MakeCurveDocument(const IvCurve& curve, TiXmlDocument& document) {
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    document.LinkEndChild(IvCurve::MakeNewCurvesXml({curve}, true));
}

void OpenToGroup(const std::string& group, const std::string& path) {
    RunQuietCommand("chgrp", {group, path});
    RunQuietCommand("chmod g+rw", {path});
}

}  // namespace

int DataSampler::StoreCurve(const IvCurve& curve, std::string file_name) {
    TiXmlDocument document;
    MakeCurveDocument(curve, document);
    const std::string path = curvePath + file_name;
    if (!ReplaceFileWithDocument(document, VN_Lib::StationPath(path))) return ErrCurveSave;
    OpenToGroup(dataGroup, path);
    return 0;
}

int DataSampler::StoreCurve(const IvCurve& curve, int channel_id) {
    struct tm local = {};
    localtime_r(&curve.Date_Time, &local);
    char name[64];
    std::snprintf(name, sizeof name, "%02i_%02i%02i%04i_%02i%02i%02i.xml", channel_id, local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    // The local time repeats an hour when daylight saving ends, and two curves
    // of a channel may share a second: a taken name gets a number, as every
    // stored curve must stay.
    TiXmlDocument document;
    MakeCurveDocument(curve, document);
    const std::string path = curvePath + name;
    const int number = CreateNumberedFileWithDocument(document, VN_Lib::StationPath(path));
    if (number < 0) return ErrCurveSave;
    OpenToGroup(dataGroup, NumberedFileName(path, static_cast<unsigned>(number)));
    return 0;
}

int DataSampler::StoreLastCurve(const IvCurve& curve, int channel_id) {
    return StoreCurve(curve, LastCurveName(channel_id));
}

int DataSampler::StoreChannelCurve(const ModuleChannel& channel, int channel_id) {
    const int last = StoreLastCurve(channel.curve, channel_id);
    const int lastCause = errno;
    const int result = StoreCurve(channel.curve, channel_id);
    if (result != 0) {
        curveFailures.Note(result, errno);
    } else {
        curveFailures.Note(last, lastCause);
    }
    return result;
}

int DataSampler::LoadCurve(IvCurve& curve, std::string file_name) {
    TiXmlDocument document;
    if (!document.LoadFile(VN_Lib::StationPath(curvePath + file_name))) return ErrCurveLoad;
    TiXmlElement* root = document.FirstChildElement("IV_Curves");
    TiXmlElement* element = root != nullptr ? root->FirstChildElement("Curve") : nullptr;
    if (element == nullptr) return ErrNotCurveDocument;
    return curve.Initialize(*element);
}

int DataSampler::LoadLastCurve(IvCurve& curve, int channel_id) { return LoadCurve(curve, LastCurveName(channel_id)); }

}  // namespace VN_Sample
