#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

namespace ferrywise::freedesktop {
namespace {

// Placeholder until the GIO implementation lands.
class DesktopWorkspace final : public Workspace {
  public:
    std::optional<Url> urlForApplication(std::string_view) const override { return std::nullopt; }
    std::vector<Url> urlsForApplicationsToOpen(const Url&) const override { return {}; }
    std::optional<Url> urlForApplicationToOpen(const Url&) const override { return std::nullopt; }
    void setDefaultApplication(const Url&, std::string_view) override { throw WorkspaceError("unsupported"); }
    void openUrls(const std::vector<Url>&, const Url&, const WorkspaceOpenConfiguration&) override {
        throw WorkspaceError("unsupported");
    }
    void openApplication(const Url&, const WorkspaceOpenConfiguration&) override {
        throw WorkspaceError("unsupported");
    }
    bool openUrl(const Url&) override { return false; }
    std::optional<WorkspaceIcon> iconForFile(const std::filesystem::path&) const override {
        return std::nullopt;
    }
    std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }
    std::vector<RunningApplication> runningApplications() const override { return {}; }
    std::optional<BundleInfo> bundleInfo(const Url&) const override { return std::nullopt; }
    std::string displayName(const std::filesystem::path& path) const override {
        return path.filename().string();
    }
};

}  // namespace

std::unique_ptr<Workspace> makeDesktopWorkspace() {
    return std::make_unique<DesktopWorkspace>();
}

}  // namespace ferrywise::freedesktop
