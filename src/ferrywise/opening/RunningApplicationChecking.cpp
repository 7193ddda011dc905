#include "ferrywise/opening/RunningApplicationChecking.hpp"

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

bool WorkspaceRunningApplicationChecker::isRunning(std::string_view bundleIdentifier) const {
    return !workspace_->runningApplicationsWithBundleIdentifier(bundleIdentifier).empty();
}

}  // namespace ferrywise
