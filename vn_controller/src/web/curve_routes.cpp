#include <sys/time.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/data_source.h"
#include "channels/iv_curve.h"
#include "clock.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "common/xml_helper.h"
#include "web/client_watch.h"
#include "web/data_server.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// The last stored curve of listed module channels, and a manual curve run
// answered when the main loop has taken it.

namespace VN_Sample {

namespace {

const useconds_t PollPauseUs = 20000;

struct CurveRequest_T {
    std::vector<int> ids;
    bool withPoints = false;
};

// An "Id" without a usable id (missing or -1) asks for nothing.
CurveRequest_T ParseCurveRequest(const std::string& body) {
    CurveRequest_T request;
    std::vector<int> listed;
    request.withPoints = XmlHelper::GetXmlIdList(body, listed);
    for (int id : listed)
        if (id != -1) request.ids.push_back(id);
    return request;
}

// Under systemMutex: the stored last curves of the ids, those that load.
std::string LastCurvesXml(DataSampler& sampler, const std::vector<int>& ids, bool withPoints) {
    std::vector<IvCurve> curves;
    for (int id : ids) {
        IvCurve curve;
        if (sampler.LoadLastCurve(curve, id) == 0) curves.push_back(curve);
    }
    std::unique_ptr<TiXmlElement> element(IvCurve::MakeNewCurvesXml(curves, withPoints));
    return XmlHelper::GetAsString(element.get());
}

long long MonotonicMs() {
    timeval now{};
    VN_Lib::GetMonotonicTime(&now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}

enum RunWait { RunComplete, RunTimedOut, ClientGone };

// Polls the run with pauses, releasing systemMutex between polls so the main
// loop can take the curves.
RunWait WaitForManualRun(const WebRequest& request, size_t curves) {
    const ServerOptions_T& options = request.server.options;
    const long long deadline =
        MonotonicMs() + options.curveWaitBaseMs + static_cast<long long>(options.curveWaitPerCurveMs) * curves;
    const ClientWatch client(request.connection);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(systemMutex);
            if (request.server.sampler.ManualCurvesComplete()) return RunComplete;
        }
        if (client.Gone()) return ClientGone;
        if (MonotonicMs() >= deadline) return RunTimedOut;
        usleep(PollPauseUs);
    }
}

}  // namespace

void ServeLastCurves(const WebRequest& request) {
    std::string body;
    if (!ReadBody(request, body)) return;
    if (body.empty()) return;  // nothing to answer: the connection closes
    const CurveRequest_T asked = ParseCurveRequest(body);
    std::string xml;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        xml = LastCurvesXml(request.server.sampler, asked.ids, asked.withPoints);
    }
    SendXml(request.connection, xml);
}

// The reply lists the curves of every queued entry, which may be more than
// were asked for by id.
void TakeIvCurves(const WebRequest& request) {
    DataSource::EnableIoPorts();
    std::string body;
    if (!ReadBody(request, body)) return;
    if (body.empty()) return;  // nothing to answer: the connection closes
    const CurveRequest_T asked = ParseCurveRequest(body);
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        request.server.sampler.TakeManualCurves(asked.ids);
    }
    WakeMainLoop();
    const RunWait wait = WaitForManualRun(request, asked.ids.size());
    if (wait == ClientGone) return;
    if (wait == RunTimedOut) {
        SendError(request.connection, 504, "The curves are still being taken; ask for the last curves later");
        return;
    }
    std::string xml;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        std::vector<int> queued;
        for (const CurveQueueEntry_T& entry : request.server.sampler.ManualCurvesQueue().entries)
            queued.push_back(entry.channel_id);
        xml = LastCurvesXml(request.server.sampler, queued, asked.withPoints);
    }
    SendXml(request.connection, xml);
}

}  // namespace VN_Sample
