#include "curve_sweeper.h"

#include "web_client.h"

namespace VN_Bench {

CurveSweeper::CurveSweeper(const WebStation& station) : thread([this, &station] { Run(station.HttpPort()); }) {}

CurveSweeper::~CurveSweeper() {
    stop = true;
    thread.join();
}

void CurveSweeper::Run(int port) {
    VN_Test::HttpRequest_T request;
    request.uri = "/admin/take_curves";
    request.user = WebStation::Admin;
    request.password = WebStation::AdminPassword;
    request.post = true;
    request.body = WebStation::AllModules;
    // Longer than the server waits for four curves, so it answers first.
    request.timeoutMs = 120000;
    while (!stop) {
        if (VN_Test::Http(port, request).status == 200) {
            ++completed;
        } else {
            ++failed;
        }
    }
}

}  // namespace VN_Bench
