#include <tinyxml.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "acquisition/data_source.h"
#include "clock.h"
#include "common/controller_flags.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "common/xml_helper.h"
#include "web/data_server.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// Status documents, calibration reports and the commands that post a wish to
// the main loop or act on the loads.

namespace VN_Sample {

namespace {

// A copy taken under statusMutex alone, so the status never waits for a
// scheduler step.
Status GetStatus(DataServer& server) {
    std::lock_guard<std::mutex> lock(statusMutex);
    return server.sampler.status;
}

void SetCalibrationMode(const WebRequest& request, bool on) {
    {
        std::lock_guard<std::mutex> lock(calModeMutex);
        if (on) std::printf("Cal MODE on\n");
        GlobalCalModeOn = on;
    }
    WakeMainLoop();
    SendText(request.connection, "");
}

}  // namespace

// Nothing is written: the connection closes without a reply (the server does
// not keep connections open).
void ResetSystem(const WebRequest&) {
    {
        std::lock_guard<std::mutex> lock(resetMutex);
        GlobalResetFlag = true;
    }
    WakeMainLoop();
}

void ServeAbout(const WebRequest& request) {
    std::string text;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.system.GetAboutAsString(text);
    }
    SendText(request.connection, text);
}

void ServeStatus(const WebRequest& request) {
    std::unique_ptr<TiXmlElement> element(GetStatus(request.server).MakeNewXmlElement());
    element->LinkEndChild(XmlHelper::MakeNewDateTimeAsXmlElement(VN_Lib::Now()));
    SendXml(request.connection, XmlHelper::GetAsString(element.get()));
}

// Before the first Initialize there is no record to show: an empty reply.
void ServeSampleXml(const WebRequest& request) {
    std::string document;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        if (DataServer::pDataRecord != nullptr) DataServer::pDataRecord->GetXmlString(document, SampleRecord);
    }
    SendXmlDocument(request.connection, document);
}

void CalibrationModeOff(const WebRequest& request) { SetCalibrationMode(request, false); }
void CalibrationModeOn(const WebRequest& request) { SetCalibrationMode(request, true); }

void RestartCalReport(const WebRequest& request) {
    DataSource::EnableIoPorts();
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.system.RestartCalibrationReports();
    }
    SendText(request.connection, "");
}

void ServeCalReportXml(const WebRequest& request) {
    DataSource::EnableIoPorts();
    std::string xml;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        std::unique_ptr<TiXmlElement> reports(request.server.system.MakeNewCalReportsXml());
        xml = XmlHelper::GetAsString(reports.get());
    }
    SendXml(request.connection, xml);
}

void ServeCalReportText(const WebRequest& request) {
    DataSource::EnableIoPorts();
    std::string text;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.system.GetCalReportsText(text);
    }
    SendText(request.connection, text);
}

void AllLoadsOff(const WebRequest& request) {
    DataSource::EnableIoPorts();
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.system.AllLoadsOff();
    }
    SendXml(request.connection, "<AllLoadsOff error=\"0\" />");
}

void SetModuleToIsc(const WebRequest& request) {
    DataSource::EnableIoPorts();
    std::string body;
    if (!ReadBody(request, body)) return;
    TiXmlDocument document;
    document.Parse(body.c_str());
    if (const TiXmlElement* root = document.RootElement()) {
        int id = -1;
        root->QueryIntAttribute("id", &id);
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.system.SetModuleToIsc(id);
    }
    SendXml(request.connection, "<SetModuleToIsc error=\"0\" />");
}

}  // namespace VN_Sample
