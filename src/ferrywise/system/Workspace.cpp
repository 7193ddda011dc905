#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

std::vector<RunningApplication> Workspace::runningApplicationsWithBundleIdentifier(
    std::string_view bundleIdentifier) const {
    std::vector<RunningApplication> matching;
    for (auto& application : runningApplications()) {
        if (application.bundleIdentifier && *application.bundleIdentifier == bundleIdentifier) {
            matching.push_back(std::move(application));
        }
    }
    return matching;
}

}  // namespace ferrywise
