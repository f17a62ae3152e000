#ifndef VN_CONTROLLER_DATA_SERVER_H
#define VN_CONTROLLER_DATA_SERVER_H

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"
#include "storage/data_record.h"
#include "web/line_count_cache.h"
#include "web/server_options.h"

struct mg_context;

namespace VN_Sample {

// The controller's web interface: the static web site and the station's
// documents, settings and commands under "/user" and "/admin" (digest
// authentication against the password files of the working directory).
// Handlers run on the server's worker threads and reach the sampler and the
// data system under systemMutex.
class DataServer {
public:
    // Starts at once; logs why when it cannot (no port, port taken).
    DataServer(DataSampler& sampler, DataSystem& system);
    DataServer(DataSampler& sampler, DataSystem& system, const ServerOptions_T& options);
    // Waits for running handlers.
    ~DataServer();
    DataServer(const DataServer&) = delete;
    DataServer& operator=(const DataServer&) = delete;

    bool Running() const { return context != nullptr; }

    DataSampler& sampler;
    DataSystem& system;
    const ServerOptions_T options;

    // The record "/user/sample.xml" shows; null (nothing shown) until the
    // controller's Initialize points it at DataSampler::Record.
    static DataRecord* pDataRecord;

    // The day files' line counts of the last listings.
    LineCountCache lineCounts;

private:
    void Start();

    mg_context* context = nullptr;
};

}  // namespace VN_Sample

#endif
