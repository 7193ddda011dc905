#pragma once

// An in-memory Workspace for tests: installed applications with bundle identifiers, names and handled
// schemes (in registry order), the default handlers set through setDefaultApplication, running and
// frontmost applications, icons per file; every open and launch is recorded, and the next one can be made to
// fail; icon requests are counted. Settings pages open without a trace. Thread-safe.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::testing {

class FakeWorkspace final : public Workspace {
  public:
    struct OpenRecord {
        std::vector<Url> urls;  // empty for an application launch
        Url applicationUrl;
        WorkspaceOpenConfiguration configuration;

        bool operator==(const OpenRecord&) const = default;
    };

    // Installs an application handling `schemes` (appended to each scheme's registry order) and returns its
    // bundle URL, by default file:///usr/share/applications/<bundleIdentifier>.desktop. Installing the same
    // bundle identifier again replaces its name and URL, also in every scheme's registry order.
    Url install(const std::string& bundleIdentifier, const std::string& name,
                const std::vector<std::string>& schemes = {}, std::optional<Url> bundleUrl = std::nullopt);

    // Adds a bundle that has no bundle identifier (bundleInfo gives none for its identifier).
    void addBundleWithoutIdentifier(const Url& bundleUrl, const std::string& name);

    // Replaces the registry order of one scheme.
    void setHandlers(const std::string& scheme, std::vector<Url> applicationUrls);
    void setFrontmost(std::optional<RunningApplication> application) {
        store(frontmost_, std::move(application));
    }
    void setRunning(std::vector<RunningApplication> applications) {
        store(running_, std::move(applications));
    }

    // The icon iconForFile reports for the file at `path` (none for files without one).
    void setIcon(const std::filesystem::path& path, WorkspaceIcon icon) {
        std::lock_guard lock(mutex_);
        icons_[path] = std::move(icon);
    }
    [[nodiscard]] int iconRequests() const { return locked(iconRequests_); }

    // The next openUrls or openApplication throws WorkspaceError(message).
    void failNextOpen(std::string message) { store(openFailure_, std::move(message)); }

    [[nodiscard]] std::vector<OpenRecord> opens() const { return locked(opens_); }

    std::optional<Url> urlForApplication(std::string_view bundleIdentifier) const override;
    std::vector<Url> urlsForApplicationsToOpen(const Url& url) const override;
    std::optional<Url> urlForApplicationToOpen(const Url& url) const override;
    void setDefaultApplication(const Url& applicationUrl, std::string_view scheme) override;
    void openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                  const WorkspaceOpenConfiguration& configuration) override;
    void openApplication(const Url& applicationUrl,
                         const WorkspaceOpenConfiguration& configuration) override {
        openUrls({}, applicationUrl, configuration);
    }
    bool openUrl(const Url&) override { return true; }
    std::optional<WorkspaceIcon> iconForFile(const std::filesystem::path& path) const override;
    std::optional<RunningApplication> frontmostApplication() const override { return locked(frontmost_); }
    std::vector<RunningApplication> runningApplications() const override { return locked(running_); }
    std::optional<BundleInfo> bundleInfo(const Url& bundleUrl) const override;
    std::string displayName(const std::filesystem::path& path) const override;

  private:
    struct Bundle {
        std::optional<std::string> bundleIdentifier;
        std::string name;
        Url url;
    };

    template <typename Value>
    Value locked(const Value& value) const {
        std::lock_guard lock(mutex_);
        return value;
    }
    template <typename Value>
    void store(Value& target, std::type_identity_t<Value> value) {
        std::lock_guard lock(mutex_);
        target = std::move(value);
    }

    mutable std::mutex mutex_;
    std::vector<Bundle> bundles_;
    std::map<std::string, std::vector<Url>> handlers_;
    std::map<std::string, Url> defaults_;
    std::optional<RunningApplication> frontmost_;
    std::vector<RunningApplication> running_;
    std::optional<std::string> openFailure_;
    std::vector<OpenRecord> opens_;
    std::map<std::filesystem::path, WorkspaceIcon> icons_;
    mutable int iconRequests_ = 0;
};

}  // namespace ferrywise::testing
