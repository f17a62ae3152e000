#include "web/data_server.h"

#include <civetweb.h>

#include <mutex>
#include <string>
#include <vector>

#include "accounts/ftp_accounts.h"
#include "accounts/password_files.h"
#include "accounts/web_realm.h"
#include "c_locale.h"
#include "common/controller_logs.h"
#include "web/route_table.h"

namespace VN_Sample {

namespace {

// The password files are relative to the working directory, as the server
// opens them on every request; the blank before the third entry is kept as
// the station has always written it.
// (Built on use: the server starts at program load, before this file's
// objects may have been.)
std::string ProtectUri() {
    return std::string("/vn/web_site/admin=") + AdminPasswordFile + ",/admin=" + AdminPasswordFile +
           ", /vn/web_site/user=" + UserPasswordFile + ",/user=" + UserPasswordFile;
}

// The server's own threads format numbers too.
void* InitThread(const mg_context*, int) {
    VN_Lib::UseCLocale();
    return nullptr;
}

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mg_init_library(0); });
}

}  // namespace

DataRecord* DataServer::pDataRecord = nullptr;

DataServer::DataServer(DataSampler& sampler_, DataSystem& system_)
    : DataServer(sampler_, system_, ServerOptions_T::FromHost()) {}

DataServer::DataServer(DataSampler& sampler_, DataSystem& system_, const ServerOptions_T& options_)
    : sampler(sampler_), system(system_), options(options_) {
    pDataRecord = nullptr;
    SetStartFtpPasswords();
    Start();
}

DataServer::~DataServer() {
    if (context != nullptr) mg_stop(context);
}

void DataServer::Start() {
    if (options.listeningPorts.empty()) {
        ErrMsgLog.Write("Web server not started: this host has no HTTP port (a simulated station needs its "
                        "sim_station.xml in the working directory)\n");
        return;
    }
    InitLibrary();
    const std::string threads = std::to_string(options.workerThreads);
    const std::string protectUri = ProtectUri();
    std::vector<const char*> settings = {"document_root",   options.documentRoot.c_str(),
                                         "listening_ports", options.listeningPorts.c_str(),
                                         "protect_uri",     protectUri.c_str(),
                                         "authentication_domain", WebRealm};
    if (options.workerThreads > 0) settings.insert(settings.end(), {"num_threads", threads.c_str()});
    settings.push_back(nullptr);
    mg_callbacks callbacks{};
    callbacks.init_thread = InitThread;
    context = mg_start(&callbacks, this, settings.data());
    if (context == nullptr) {
        ErrMsgLog.Writef("Web server not started on %s (port taken or document root %s missing)\n",
                         options.listeningPorts.c_str(), options.documentRoot.c_str());
        return;
    }
    RegisterRoutes(context);
}

}  // namespace VN_Sample
