#include "CachedWorkspace.hpp"

#include <cstdlib>
#include <sstream>

#include <sys/stat.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::host {

namespace fs = std::filesystem;

namespace {

// Bumped whenever what is kept, or how it is read, changes.
constexpr int cacheVersion = 1;
// How deep subfolders of an applications folder are looked into; the desktop's own limit is deeper than
// any packaging goes.
constexpr int subfolderDepth = 8;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<fs::path> folderList(const char* name, const char* fallback) {
    auto text = variable(name);
    std::vector<fs::path> folders;
    std::istringstream parts(text.empty() ? std::string(fallback) : text);
    for (std::string part; std::getline(parts, part, ':');) {
        if (!part.empty() && part.front() == '/') {
            folders.emplace_back(part);
        }
    }
    return folders;
}

// The stamp of one path: its times, size and inode, or "-" when it cannot be read.
void note(std::string& text, const fs::path& path) {
    struct stat status {};
    text += path.string();
    if (::stat(path.c_str(), &status) == 0) {
        text += ' ' + std::to_string(status.st_mtim.tv_sec) + '.' + std::to_string(status.st_mtim.tv_nsec) +
                ' ' + std::to_string(status.st_ctim.tv_sec) + '.' + std::to_string(status.st_ctim.tv_nsec) +
                ' ' + std::to_string(status.st_size) + ' ' + std::to_string(status.st_ino);
    } else {
        text += " -";
    }
    text += '\n';
}

void noteTree(std::string& text, const fs::path& folder) {
    note(text, folder);
    std::error_code error;
    fs::recursive_directory_iterator walk(
        folder,
        fs::directory_options::follow_directory_symlink | fs::directory_options::skip_permission_denied,
        error);
    std::vector<fs::path> paths;
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        if (walk.depth() >= subfolderDepth) {
            walk.disable_recursion_pending();
        }
        paths.push_back(walk->path());
    }
    // Listing order is the file system's; the stamp must not depend on it.
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        note(text, path);
    }
}

nlohmann::json urlJson(const std::optional<Url>& url) {
    return url ? nlohmann::json(url->absoluteString()) : nlohmann::json(nullptr);
}

std::optional<Url> urlOf(const nlohmann::json& json) {
    return json.is_string() ? Url::parse(json.get<std::string>()) : std::nullopt;
}

}  // namespace

std::string RegistryStamp::current() {
    std::string text = "version " + std::to_string(cacheVersion) + '\n';
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                             "XDG_CURRENT_DESKTOP", "PATH", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        text += std::string(name) + '=' + variable(name) + '\n';
    }
    const auto home = Paths::fromEnvironment();
    auto dataFolders = folderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    dataFolders.insert(dataFolders.begin(), home.applicationSupport());
    for (const auto& folder : dataFolders) {
        noteTree(text, folder / "applications");
    }
    // Entries whose program is missing are left out by the desktop: installing or removing a program
    // changes its folder.
    for (const auto& folder : folderList("PATH", "/usr/local/bin:/usr/bin:/bin")) {
        note(text, folder);
    }
    auto configFolders = folderList("XDG_CONFIG_DIRS", "/etc/xdg");
    configFolders.insert(configFolders.begin(), home.config());
    std::vector<std::string> names{"mimeapps.list"};
    std::istringstream desktops(text::lowercased(variable("XDG_CURRENT_DESKTOP")));
    for (std::string desktop; std::getline(desktops, desktop, ':');) {
        names.push_back(desktop + "-mimeapps.list");
    }
    for (const auto& folder : configFolders) {
        for (const auto& name : names) {
            note(text, folder / name);
        }
    }
    return text;
}

CachedWorkspace::CachedWorkspace(MakeDesktop makeDesktop, fs::path file)
    : makeDesktop_(std::move(makeDesktop)), file_(std::move(file)), stamp_(RegistryStamp::current()) {
    auto kept = JsonFile::read(file_);
    if (kept.status == JsonFile::Status::ok && kept.value.is_object() &&
        kept.value.value("stamp", "") == stamp_ && kept.value.contains("answers") &&
        kept.value["answers"].is_object()) {
        answers_ = std::move(kept.value["answers"]);
    }
}

void CachedWorkspace::forget() const {
    answers_ = nlohmann::json::object();
    learnt_ = false;
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
}

void CachedWorkspace::openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                               const WorkspaceOpenConfiguration& configuration) {
    try {
        desktop().openUrls(urls, applicationUrl, configuration);
    } catch (const WorkspaceError&) {
        forget();
        throw;
    }
}

void CachedWorkspace::openApplication(const Url& applicationUrl,
                                      const WorkspaceOpenConfiguration& configuration) {
    try {
        desktop().openApplication(applicationUrl, configuration);
    } catch (const WorkspaceError&) {
        forget();
        throw;
    }
}

CachedWorkspace::~CachedWorkspace() {
    if (!learnt_) {
        return;
    }
    try {
        JsonFile::write(file_, {{"stamp", stamp_}, {"answers", answers_}});
    } catch (const std::exception&) {
        // Only the next run's speed depends on the file.
    }
}

Workspace& CachedWorkspace::desktop() const {
    if (!desktop_) {
        desktop_ = makeDesktop_();
    }
    return *desktop_;
}

template <typename Answer, typename Ask>
Answer CachedWorkspace::remembered(const char* table, const std::string& key, Ask ask) const {
    auto& kept = answers_[table];
    if (!kept.is_object()) {
        kept = nlohmann::json::object();
    }
    if (auto found = kept.find(key); found != kept.end()) {
        try {
            return found->template get<Answer>();
        } catch (const nlohmann::json::exception&) {
            // A damaged answer is asked again.
        }
    }
    Answer answer = ask();
    kept[key] = answer;
    learnt_ = true;
    return answer;
}

std::optional<Url> CachedWorkspace::urlForApplication(std::string_view bundleIdentifier) const {
    auto text = remembered<nlohmann::json>("applications", std::string(bundleIdentifier), [&] {
        return urlJson(desktop().urlForApplication(bundleIdentifier));
    });
    return urlOf(text);
}

std::vector<Url> CachedWorkspace::urlsForApplicationsToOpen(const Url& url) const {
    auto scheme = url.scheme().value_or("");
    auto texts = remembered<std::vector<std::string>>("handlers", scheme, [&] {
        std::vector<std::string> found;
        for (const auto& handler : desktop().urlsForApplicationsToOpen(url)) {
            found.emplace_back(handler.absoluteString());
        }
        return found;
    });
    std::vector<Url> urls;
    for (const auto& text : texts) {
        if (auto handler = Url::parse(text)) {
            urls.push_back(std::move(*handler));
        }
    }
    return urls;
}

std::optional<BundleInfo> CachedWorkspace::bundleInfo(const Url& bundleUrl) const {
    auto json = remembered<nlohmann::json>("bundles", std::string(bundleUrl.absoluteString()), [&] {
        auto info = desktop().bundleInfo(bundleUrl);
        if (!info) {
            return nlohmann::json(nullptr);
        }
        nlohmann::json actions = nlohmann::json::array();
        for (const auto& action : info->actions) {
            actions.push_back({action.id, action.name});
        }
        return nlohmann::json{
            {"id", info->bundleIdentifier ? nlohmann::json(*info->bundleIdentifier) : nullptr},
            {"name", info->displayName},
            {"actions", actions}};
    });
    if (!json.is_object()) {
        return std::nullopt;
    }
    try {
        BundleInfo info{json.at("id").is_null()
                            ? std::nullopt
                            : std::optional<std::string>(json.at("id").get<std::string>()),
                        json.at("name").get<std::string>(),
                        {}};
        for (const auto& action : json.at("actions")) {
            info.actions.push_back({action.at(0).get<std::string>(), action.at(1).get<std::string>()});
        }
        return info;
    } catch (const nlohmann::json::exception&) {
        return desktop().bundleInfo(bundleUrl);
    }
}

std::string CachedWorkspace::displayName(const fs::path& path) const {
    return remembered<std::string>("names", path.string(), [&] { return desktop().displayName(path); });
}

}  // namespace ferrywise::host
