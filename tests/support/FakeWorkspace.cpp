#include "support/FakeWorkspace.hpp"

#include <algorithm>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::testing {

Url FakeWorkspace::defaultBundleUrl(std::string_view bundleIdentifier) {
    return Url::fromFilePath("/usr/share/applications/" + std::string(bundleIdentifier) + ".desktop");
}

std::string FakeWorkspace::schemeOf(const Url& url) {
    return text::lowercased(url.scheme().value_or(""));
}

Url FakeWorkspace::install(const std::string& bundleIdentifier, const std::string& name,
                           const std::vector<std::string>& schemes, std::optional<Url> bundleUrl) {
    std::lock_guard lock(mutex_);
    auto url = bundleUrl.value_or(defaultBundleUrl(bundleIdentifier));
    auto existing = std::find_if(bundles_.begin(), bundles_.end(), [&](const Bundle& bundle) {
        return bundle.bundleIdentifier == bundleIdentifier;
    });
    if (existing != bundles_.end()) {
        // A reinstall at another place moves the application within every scheme's order.
        for (auto& [scheme, order] : handlers_) {
            std::replace(order.begin(), order.end(), existing->url, url);
        }
        *existing = Bundle{bundleIdentifier, name, url};
    } else {
        bundles_.push_back(Bundle{bundleIdentifier, name, url});
    }
    for (const auto& scheme : schemes) {
        auto& order = handlers_[text::lowercased(scheme)];
        if (std::find(order.begin(), order.end(), url) == order.end()) {
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

void FakeWorkspace::setDefaultHandler(const std::string& scheme, std::optional<Url> applicationUrl) {
    std::lock_guard lock(mutex_);
    if (applicationUrl) {
        defaults_.insert_or_assign(text::lowercased(scheme), *applicationUrl);
    } else {
        defaults_.erase(text::lowercased(scheme));
    }
}

void FakeWorkspace::setFrontmost(std::optional<RunningApplication> application) {
    std::lock_guard lock(mutex_);
    frontmost_ = std::move(application);
}

void FakeWorkspace::setRunning(std::vector<RunningApplication> applications) {
    std::lock_guard lock(mutex_);
    running_ = std::move(applications);
}

void FakeWorkspace::setIcon(const std::filesystem::path& path, WorkspaceIcon icon) {
    std::lock_guard lock(mutex_);
    icons_.insert_or_assign(path, std::move(icon));
}

void FakeWorkspace::failNextOpen(std::string message) {
    std::lock_guard lock(mutex_);
    openFailure_ = std::move(message);
}

void FakeWorkspace::failNextDefaultChange(std::string message) {
    std::lock_guard lock(mutex_);
    defaultFailure_ = std::move(message);
}

std::vector<FakeWorkspace::OpenRecord> FakeWorkspace::opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
}

std::vector<FakeWorkspace::DefaultChange> FakeWorkspace::defaultChanges() const {
    std::lock_guard lock(mutex_);
    return defaultChanges_;
}

std::vector<Url> FakeWorkspace::openedUrls() const {
    std::lock_guard lock(mutex_);
    return openedUrls_;
}

std::optional<Url> FakeWorkspace::urlForApplication(std::string_view bundleIdentifier) const {
    std::lock_guard lock(mutex_);
    for (const auto& bundle : bundles_) {
        if (bundle.bundleIdentifier == bundleIdentifier) {
            return bundle.url;
        }
    }
    return std::nullopt;
}

std::vector<Url> FakeWorkspace::urlsForApplicationsToOpen(const Url& url) const {
    std::lock_guard lock(mutex_);
    auto found = handlers_.find(schemeOf(url));
    return found == handlers_.end() ? std::vector<Url>{} : found->second;
}

std::optional<Url> FakeWorkspace::urlForApplicationToOpen(const Url& url) const {
    std::lock_guard lock(mutex_);
    auto found = defaults_.find(schemeOf(url));
    if (found == defaults_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void FakeWorkspace::setDefaultApplication(const Url& applicationUrl, std::string_view scheme) {
    std::lock_guard lock(mutex_);
    if (defaultFailure_) {
        auto message = std::move(*defaultFailure_);
        defaultFailure_.reset();
        throw WorkspaceError(message);
    }
    defaultChanges_.push_back(DefaultChange{applicationUrl, std::string(scheme)});
    defaults_.insert_or_assign(text::lowercased(scheme), applicationUrl);
}

void FakeWorkspace::openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                             const WorkspaceOpenConfiguration& configuration) {
    std::lock_guard lock(mutex_);
    if (openFailure_) {
        auto message = std::move(*openFailure_);
        openFailure_.reset();
        throw WorkspaceError(message);
    }
    opens_.push_back(OpenRecord{urls, applicationUrl, configuration});
}

void FakeWorkspace::openApplication(const Url& applicationUrl,
                                    const WorkspaceOpenConfiguration& configuration) {
    openUrls({}, applicationUrl, configuration);
}

bool FakeWorkspace::openUrl(const Url& url) {
    std::lock_guard lock(mutex_);
    openedUrls_.push_back(url);
    return true;
}

std::optional<WorkspaceIcon> FakeWorkspace::iconForFile(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    auto found = icons_.find(path);
    if (found == icons_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<RunningApplication> FakeWorkspace::frontmostApplication() const {
    std::lock_guard lock(mutex_);
    return frontmost_;
}

std::vector<RunningApplication> FakeWorkspace::runningApplications() const {
    std::lock_guard lock(mutex_);
    return running_;
}

const FakeWorkspace::Bundle* FakeWorkspace::bundleAt(const std::filesystem::path& path) const {
    for (const auto& bundle : bundles_) {
        if (bundle.url.filePath() == path) {
            return &bundle;
        }
    }
    return nullptr;
}

std::optional<BundleInfo> FakeWorkspace::bundleInfo(const Url& bundleUrl) const {
    std::lock_guard lock(mutex_);
    for (const auto& bundle : bundles_) {
        if (bundle.url == bundleUrl) {
            return BundleInfo{bundle.bundleIdentifier, bundle.name};
        }
    }
    return std::nullopt;
}

std::string FakeWorkspace::displayName(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    if (const auto* bundle = bundleAt(path)) {
        return bundle->name;
    }
    return path.filename().string();
}

}  // namespace ferrywise::testing
