#ifndef VN_CONTROLLER_START_GATE_H
#define VN_CONTROLLER_START_GATE_H

// The web server answers from the controller's first moment, before the
// station's files are loaded. Its routes wait at this gate until then:
// answered earlier, they would show the built-in defaults, and a change
// posted then would be overwritten when the files are read. Static pages
// do not wait.

namespace VN_Sample {

// Lets every waiting and later request through (once the first Initialize
// has run, whatever its result, so a station with a broken file stays
// reachable).
void OpenWebRoutes();
// Returns once the routes are open.
void WaitForWebRoutes();

}  // namespace VN_Sample

#endif
