#pragma once

// Whether an application is running now, by bundle identifier.

#include <memory>
#include <string_view>

namespace ferrywise {

class Workspace;

class RunningApplicationChecking {
  public:
    RunningApplicationChecking() = default;
    RunningApplicationChecking(const RunningApplicationChecking&) = delete;
    RunningApplicationChecking& operator=(const RunningApplicationChecking&) = delete;
    virtual ~RunningApplicationChecking() = default;

    // Returns whether at least one instance of the application runs. Main thread.
    [[nodiscard]] virtual bool isRunning(std::string_view bundleIdentifier) const = 0;
};

// Asks the workspace for the running applications with the bundle identifier.
class WorkspaceRunningApplicationChecker final : public RunningApplicationChecking {
  public:
    explicit WorkspaceRunningApplicationChecker(std::shared_ptr<const Workspace> workspace)
        : workspace_(std::move(workspace)) {}

    bool isRunning(std::string_view bundleIdentifier) const override;

  private:
    std::shared_ptr<const Workspace> workspace_;
};

}  // namespace ferrywise
