#ifndef VN_CONTROLLER_ROUTE_TABLE_H
#define VN_CONTROLLER_ROUTE_TABLE_H

struct mg_context;

namespace VN_Sample {

// Registers the station's routes with a started server whose user data is
// its DataServer. Each matches its decoded URI exactly (without the query
// string) and runs after the server's digest check of its area.
void RegisterRoutes(mg_context* context);

}  // namespace VN_Sample

#endif
