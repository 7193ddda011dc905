#include "support/FakeWorkspace.hpp"

#include <algorithm>
#include <utility>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::testing {
namespace {

std::string schemeOf(const Url& url) {
    return text::lowercased(url.scheme().value_or(""));
}

}  // namespace

Url FakeWorkspace::install(const std::string& bundleIdentifier, const std::string& name,
                           const std::vector<std::string>& schemes, std::optional<Url> bundleUrl) {
    std::lock_guard lock(mutex_);
    auto url =
        bundleUrl.value_or(Url::fromFilePath("/usr/share/applications/" + bundleIdentifier + ".desktop"));
    auto existing = std::ranges::find(bundles_, std::optional(bundleIdentifier), &Bundle::bundleIdentifier);
    if (existing == bundles_.end()) {
        bundles_.push_back(Bundle{bundleIdentifier, name, url});
    } else {
        // A reinstall at another place moves the application within every scheme's order.
        for (auto& [scheme, order] : handlers_) {
            std::ranges::replace(order, existing->url, url);
        }
        *existing = Bundle{bundleIdentifier, name, url};
    }
    for (const auto& scheme : schemes) {
        auto& order = handlers_[text::lowercased(scheme)];
        if (std::ranges::find(order, url) == order.end()) {
            order.push_back(url);
        }
    }
    return url;
}

void FakeWorkspace::addBundleWithoutIdentifier(const Url& bundleUrl, const std::string& name) {
    std::lock_guard lock(mutex_);
    bundles_.push_back(Bundle{std::nullopt, name, bundleUrl});
}

void FakeWorkspace::setHandlers(const std::string& scheme, std::vector<Url> applicationUrls) {
    std::lock_guard lock(mutex_);
    handlers_[text::lowercased(scheme)] = std::move(applicationUrls);
}

std::optional<Url> FakeWorkspace::urlForApplication(std::string_view bundleIdentifier) const {
    std::lock_guard lock(mutex_);
    auto found =
        std::ranges::find(bundles_, std::optional(std::string(bundleIdentifier)), &Bundle::bundleIdentifier);
    return found == bundles_.end() ? std::nullopt : std::optional(found->url);
}

std::vector<Url> FakeWorkspace::urlsForApplicationsToOpen(const Url& url) const {
    std::lock_guard lock(mutex_);
    auto found = handlers_.find(schemeOf(url));
    return found == handlers_.end() ? std::vector<Url>{} : found->second;
}

std::optional<Url> FakeWorkspace::urlForApplicationToOpen(const Url& url) const {
    std::lock_guard lock(mutex_);
    auto found = defaults_.find(schemeOf(url));
    return found == defaults_.end() ? std::nullopt : std::optional(found->second);
}

void FakeWorkspace::setDefaultApplication(const Url& applicationUrl, std::string_view scheme) {
    std::lock_guard lock(mutex_);
    defaults_.insert_or_assign(text::lowercased(scheme), applicationUrl);
}

void FakeWorkspace::openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                             const WorkspaceOpenConfiguration& configuration) {
    std::lock_guard lock(mutex_);
    if (auto failure = std::exchange(openFailure_, std::nullopt)) {
        throw WorkspaceError(*failure);
    }
    opens_.push_back(OpenRecord{urls, applicationUrl, configuration});
}

std::optional<BundleInfo> FakeWorkspace::bundleInfo(const Url& bundleUrl) const {
    std::lock_guard lock(mutex_);
    auto found = std::ranges::find(bundles_, bundleUrl, &Bundle::url);
    return found == bundles_.end() ? std::nullopt
                                   : std::optional(BundleInfo{found->bundleIdentifier, found->name, {}});
}

std::optional<WorkspaceIcon> FakeWorkspace::iconForFile(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    ++iconRequests_;
    auto found = icons_.find(path);
    return found == icons_.end() ? std::nullopt : std::optional(found->second);
}

std::string FakeWorkspace::displayName(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    auto found = std::ranges::find(bundles_, std::optional(path),
                                   [](const Bundle& bundle) { return bundle.url.filePath(); });
    return found == bundles_.end() ? path.filename().string() : found->name;
}

}  // namespace ferrywise::testing
