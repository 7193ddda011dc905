#pragma once

// An in-memory Workspace for tests: installed applications with bundle identifiers, names and handled
// schemes (in registry order), default handlers, running and frontmost applications, icons; every open,
// launch and default-handler change is recorded, and the next one can be made to fail. Thread-safe.

#include <map>
#include <mutex>
#include <optional>
#include <string>
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

    struct DefaultChange {
        Url applicationUrl;
        std::string scheme;

        bool operator==(const DefaultChange&) const = default;
    };

    // The bundle URL the fake gives an application that is installed without one:
    // file:///usr/share/applications/<bundleIdentifier>.desktop.
    [[nodiscard]] static Url defaultBundleUrl(std::string_view bundleIdentifier);

    // Installs an application handling `schemes` (appended to each scheme's registry order) and returns its
    // bundle URL. Installing the same bundle identifier again replaces its name and URL.
    Url install(const std::string& bundleIdentifier, const std::string& name,
                const std::vector<std::string>& schemes = {}, std::optional<Url> bundleUrl = std::nullopt);

    // Adds a bundle that has no bundle identifier (bundleInfo gives none for its identifier).
    void addBundleWithoutIdentifier(const Url& bundleUrl, const std::string& name);

    // Replaces the registry order of one scheme.
    void setHandlers(const std::string& scheme, std::vector<Url> applicationUrls);
    void setDefaultHandler(const std::string& scheme, std::optional<Url> applicationUrl);
    void setFrontmost(std::optional<RunningApplication> application);
    void setRunning(std::vector<RunningApplication> applications);
    void setIcon(const std::filesystem::path& path, WorkspaceIcon icon);

    // The next openUrls/openApplication, or setDefaultApplication, throws WorkspaceError(message).
    void failNextOpen(std::string message);
    void failNextDefaultChange(std::string message);

    [[nodiscard]] std::vector<OpenRecord> opens() const;
    [[nodiscard]] std::vector<DefaultChange> defaultChanges() const;
    [[nodiscard]] std::vector<Url> openedUrls() const;  // through openUrl (settings pages)

    std::optional<Url> urlForApplication(std::string_view bundleIdentifier) const override;
    std::vector<Url> urlsForApplicationsToOpen(const Url& url) const override;
    std::optional<Url> urlForApplicationToOpen(const Url& url) const override;
    void setDefaultApplication(const Url& applicationUrl, std::string_view scheme) override;
    void openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                  const WorkspaceOpenConfiguration& configuration) override;
    void openApplication(const Url& applicationUrl, const WorkspaceOpenConfiguration& configuration) override;
    bool openUrl(const Url& url) override;
    std::optional<WorkspaceIcon> iconForFile(const std::filesystem::path& path) const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<BundleInfo> bundleInfo(const Url& bundleUrl) const override;
    std::string displayName(const std::filesystem::path& path) const override;

  private:
    struct Bundle {
        std::optional<std::string> bundleIdentifier;
        std::string name;
        Url url;
    };

    static std::string schemeOf(const Url& url);
    const Bundle* bundleAt(const std::filesystem::path& path) const;

    mutable std::mutex mutex_;
    std::vector<Bundle> bundles_;
    std::map<std::string, std::vector<Url>> handlers_;
    std::map<std::string, Url> defaults_;
    std::optional<RunningApplication> frontmost_;
    std::vector<RunningApplication> running_;
    std::map<std::filesystem::path, WorkspaceIcon> icons_;
    std::optional<std::string> openFailure_;
    std::optional<std::string> defaultFailure_;
    std::vector<OpenRecord> opens_;
    std::vector<DefaultChange> defaultChanges_;
    std::vector<Url> openedUrls_;
};

}  // namespace ferrywise::testing
