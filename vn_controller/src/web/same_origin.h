#ifndef VN_CONTROLLER_SAME_ORIGIN_H
#define VN_CONTROLLER_SAME_ORIGIN_H

namespace VN_Sample {

// Whether a request may change the station: true without an Origin header
// (not sent by a browser on behalf of another site), else only when the
// Origin's host and port are those the request was sent to (the Host
// header; ports default by scheme, names compare without case).
bool SameOrigin(const char* origin, const char* host);

}  // namespace VN_Sample

#endif
