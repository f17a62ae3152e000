#ifndef VN_CONTROLLER_SCHEDULE_STORE_FAILURE_LOG_H
#define VN_CONTROLLER_SCHEDULE_STORE_FAILURE_LOG_H

#include <string>
#include <utility>

namespace VN_Sample {

// The controller's output for one kind of store (day file lines, curve
// files). A full data volume fails every store until space returns: the
// failure is printed when it begins or changes, and once more when storing
// works again, not at every attempt. Printed whether or not the logs are on,
// as an unattended station's operators must find it.
class StoreFailureLog {
public:
    explicit StoreFailureLog(std::string storeName) : what(std::move(storeName)) {}

    // A store's result (0, or its error code) and the errno of the failure
    // (0 when there is none to tell).
    void Note(int result, int cause);

private:
    const std::string what;
    int failedWith = 0;
    int failedCause = 0;
};

}  // namespace VN_Sample

#endif
