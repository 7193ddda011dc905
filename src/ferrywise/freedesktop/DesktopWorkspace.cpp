#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/freedesktop/GLibOwnership.hpp"

namespace ferrywise::freedesktop {
namespace {

// ---- Ownership of GLib lists (the other owners are in GLibOwnership.hpp)

// A list that owns its GAppInfo elements.
struct AppInfoListFree {
    void operator()(GList* list) const noexcept { g_list_free_full(list, g_object_unref); }
};
using AppInfoList = std::unique_ptr<GList, AppInfoListFree>;

// A list that owns only its links.
struct ListFree {
    void operator()(GList* list) const noexcept { g_list_free(list); }
};
using LinkList = std::unique_ptr<GList, ListFree>;

// The one place where a GLib error becomes a WorkspaceError: "<what>: <GLib's message>".
WorkspaceError workspaceError(const std::string& what, const GError* error) {
    if (error == nullptr || error->message == nullptr) {
        return WorkspaceError(what);
    }
    return WorkspaceError(what + ": " + error->message);
}

std::string stringOr(const char* text, std::string fallback = {}) {
    return text != nullptr ? std::string(text) : std::move(fallback);
}

// ---- Desktop entries

constexpr std::string_view desktopSuffix = ".desktop";
constexpr std::string_view schemeHandlerPrefix = "x-scheme-handler/";

bool hasDesktopSuffix(std::string_view name) {
    return name.size() > desktopSuffix.size() && name.ends_with(desktopSuffix);
}

std::string withoutDesktopSuffix(std::string_view name) {
    if (hasDesktopSuffix(name)) {
        name.remove_suffix(desktopSuffix.size());
    }
    return std::string(name);
}

// The scheme lower-cased, or none when it is not a valid scheme (a letter, then letters, digits, "+-.").
std::optional<std::string> normalizedScheme(std::string_view scheme) {
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (scheme.empty() || !isLetter(scheme.front())) {
        return std::nullopt;
    }
    for (char c : scheme) {
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return std::nullopt;
        }
    }
    return text::lowercased(scheme);
}

// The content type under which the registry keeps the handlers of a URL's scheme.
std::optional<std::string> handlerTypeOf(const Url& url) {
    auto scheme = normalizedScheme(url.scheme().value_or(""));
    if (!scheme) {
        return std::nullopt;
    }
    return std::string(schemeHandlerPrefix) + *scheme;
}

// The last component of a path, also for a path that ends in "/".
std::string lastComponent(const std::filesystem::path& path) {
    auto name = path.filename();
    if (name.empty() && path.has_parent_path() && path.parent_path() != path) {
        name = path.parent_path().filename();
    }
    return name.empty() ? path.string() : name.string();
}

// The .desktop file a bundle URL names, or none when it names none.
std::optional<std::filesystem::path> entryPathOf(const Url& url) {
    auto path = url.filePath();
    if (!path || !hasDesktopSuffix(path->filename().string())) {
        return std::nullopt;
    }
    return path;
}

// Loads the application entry at `path`; null when it is not a readable .desktop application entry.
GObjectPtr<GDesktopAppInfo> loadEntry(const std::filesystem::path& path) {
    if (!hasDesktopSuffix(path.filename().string())) {
        return nullptr;
    }
    return GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(path.c_str()));
}

std::optional<Url> bundleUrlOf(GDesktopAppInfo* entry) {
    const char* filename = g_desktop_app_info_get_filename(entry);
    if (filename == nullptr) {
        return std::nullopt;
    }
    return Url::fromFilePath(filename);
}

std::optional<Url> bundleUrlOf(GAppInfo* info) {
    if (info == nullptr || !G_IS_DESKTOP_APP_INFO(info)) {
        return std::nullopt;
    }
    return bundleUrlOf(G_DESKTOP_APP_INFO(info));
}

// The desktop-file ID without ".desktop"; for a file outside the data folders, which has no ID, its file
// name without ".desktop".
std::string identifierOf(GDesktopAppInfo* entry) {
    if (const char* id = g_app_info_get_id(G_APP_INFO(entry)); id != nullptr) {
        return withoutDesktopSuffix(id);
    }
    return withoutDesktopSuffix(
        std::filesystem::path(stringOr(g_desktop_app_info_get_filename(entry))).filename().string());
}

// The entry's Name in the user's language; none when the entry has no Name (GIO would say "Unnamed").
std::optional<std::string> nameOf(GDesktopAppInfo* entry) {
    GCharPtr name(g_desktop_app_info_get_locale_string(entry, G_KEY_FILE_DESKTOP_KEY_NAME));
    if (!name || *name == '\0') {
        return std::nullopt;
    }
    return std::string(name.get());
}

std::string displayNameOf(GDesktopAppInfo* entry, const std::filesystem::path& path) {
    return nameOf(entry).value_or(lastComponent(path));
}

// The program an entry's TryExec, else its Exec, names (after an "env NAME=value" prefix); none when
// neither names one.
std::optional<std::string> programOf(const char* tryExec, const char* exec) {
    if (tryExec != nullptr && *tryExec != '\0') {
        return std::string(tryExec);
    }
    gchar** words = nullptr;
    if (exec == nullptr || !g_shell_parse_argv(exec, nullptr, &words, nullptr)) {
        return std::nullopt;
    }
    GStrvPtr owner(words);
    std::size_t at = 0;
    if (std::string_view(words[at]) == "env") {
        for (++at; words[at] != nullptr && std::string_view(words[at]).find('=') != std::string_view::npos;) {
            ++at;
        }
    }
    return words[at] != nullptr ? std::optional<std::string>(words[at]) : std::nullopt;
}

// Says why GIO refused an entry that is a readable key file.
std::string refusalReason(GKeyFile* keyFile) {
    GCharPtr type(
        g_key_file_get_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr));
    if (!type || std::string_view(type.get()) != G_KEY_FILE_DESKTOP_TYPE_APPLICATION) {
        return "it is not an application entry";
    }
    GCharPtr tryExec(
        g_key_file_get_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, nullptr));
    GCharPtr exec(
        g_key_file_get_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr));
    if (auto program = programOf(tryExec.get(), exec.get())) {
        if (GCharPtr found(g_find_program_in_path(program->c_str())); !found) {
            return "its program \"" + *program + "\" is not installed";
        }
    }
    return "it is hidden or has no command";
}

// Loads the application entry a bundle URL names; throws WorkspaceError saying why when it cannot.
GObjectPtr<GDesktopAppInfo> requireEntry(const Url& applicationUrl) {
    auto path = entryPathOf(applicationUrl);
    if (!path) {
        throw WorkspaceError("Not the URL of a .desktop file: " +
                             std::string(applicationUrl.absoluteString()));
    }
    // GIO's loader says nothing of why it fails, so read the key file first for a useful message.
    KeyFilePtr keyFile(g_key_file_new());
    ErrorSlot error;
    if (!g_key_file_load_from_file(keyFile.get(), path->c_str(), G_KEY_FILE_NONE, error.out())) {
        throw workspaceError("Could not read the application entry " + path->string(), error.get());
    }
    auto entry = loadEntry(*path);
    if (!entry) {
        throw WorkspaceError("Cannot start " + path->string() + ": " + refusalReason(keyFile.get()));
    }
    return entry;
}

// The entry's key file, for what GDesktopAppInfo does not tell (untranslated action names, action
// commands); null when it cannot be read.
KeyFilePtr keyFileOf(GDesktopAppInfo* entry) {
    const char* filename = g_desktop_app_info_get_filename(entry);
    KeyFilePtr keyFile(g_key_file_new());
    if (filename == nullptr ||
        !g_key_file_load_from_file(keyFile.get(), filename, G_KEY_FILE_NONE, nullptr)) {
        return nullptr;
    }
    return keyFile;
}

std::string actionGroup(std::string_view action) {
    return "Desktop Action " + std::string(action);
}

// The entry's actions in its own order, each with its untranslated Name.
std::vector<ApplicationAction> actionsOf(GDesktopAppInfo* entry) {
    const gchar* const* ids = g_desktop_app_info_list_actions(entry);
    if (ids == nullptr || *ids == nullptr) {
        return {};
    }
    auto keyFile = keyFileOf(entry);
    std::vector<ApplicationAction> actions;
    for (; *ids != nullptr; ++ids) {
        GCharPtr name(keyFile ? g_key_file_get_string(keyFile.get(), actionGroup(*ids).c_str(),
                                                      G_KEY_FILE_DESKTOP_KEY_NAME, nullptr)
                              : nullptr);
        actions.push_back({*ids, stringOr(name.get())});
    }
    return actions;
}

// The Exec line of one of the entry's actions; throws WorkspaceError when the entry has no such action or
// the action has no command.
std::string actionCommandOf(GDesktopAppInfo* entry, const std::string& action, const std::string& name) {
    // Only the entry's listed actions count, as for GIO; their names need not be read for that.
    bool listed = false;
    for (const gchar* const* id = g_desktop_app_info_list_actions(entry); id != nullptr && *id != nullptr;
         ++id) {
        listed = listed || action == *id;
    }
    auto keyFile = listed ? keyFileOf(entry) : nullptr;
    GCharPtr exec(keyFile ? g_key_file_get_string(keyFile.get(), actionGroup(action).c_str(),
                                                  G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr)
                          : nullptr);
    if (!exec || *exec == '\0') {
        throw WorkspaceError(name + " has no action \"" + action + "\" with a command");
    }
    return exec.get();
}

// ---- Entries GIO's type lookup does not see

// GIO finds the handlers of a type only in each applications folder's mimeinfo.cache. An entry declaring the
// type is also found when its folder has no cache, or a cache not newer than the entry (by change time,
// which copying cannot carry over) that does not list it for the type. An entry a current cache lists but
// GIO left out, or one a mimeapps.list removes from the type, stays out. Only the entries no cache covers
// are read, so a desktop whose caches are current pays a directory listing.

// The desktop IDs `cache` lists for `type`; empty when it cannot be read.
std::unordered_set<std::string> idsListed(const std::filesystem::path& file, const char* group,
                                          const std::string& type) {
    KeyFilePtr keyFile(g_key_file_new());
    std::unordered_set<std::string> ids;
    if (g_key_file_load_from_file(keyFile.get(), file.c_str(), G_KEY_FILE_NONE, nullptr)) {
        GStrvPtr listed(g_key_file_get_string_list(keyFile.get(), group, type.c_str(), nullptr, nullptr));
        for (gchar** id = listed.get(); id != nullptr && *id != nullptr; ++id) {
            ids.emplace(*id);
        }
    }
    return ids;
}

// The desktop IDs every mimeapps.list removes from `type`, in the folders and desktop-specific variants
// where the desktop looks for them. One added back in a file that counts more is in GIO's own list.
std::unordered_set<std::string> removedAssociations(const std::string& type) {
    std::vector<std::filesystem::path> folders{g_get_user_config_dir()};
    for (const gchar* const* folder = g_get_system_config_dirs(); *folder != nullptr; ++folder) {
        folders.emplace_back(*folder);
    }
    folders.push_back(std::filesystem::path(g_get_user_data_dir()) / "applications");
    for (const gchar* const* folder = g_get_system_data_dirs(); *folder != nullptr; ++folder) {
        folders.push_back(std::filesystem::path(*folder) / "applications");
    }
    std::vector<std::string> names{"mimeapps.list"};
    GStrvPtr desktops(g_strsplit(stringOr(g_getenv("XDG_CURRENT_DESKTOP")).c_str(), ":", 0));
    for (gchar** desktop = desktops.get(); *desktop != nullptr; ++desktop) {
        if (**desktop != '\0') {
            names.push_back(text::lowercased(*desktop) + "-mimeapps.list");
        }
    }
    std::unordered_set<std::string> removed;
    for (const auto& folder : folders) {
        for (const auto& name : names) {
            removed.merge(idsListed(folder / name, "Removed Associations", type));
        }
    }
    return removed;
}

bool declaresType(GAppInfo* info, const std::string& type) {
    const char** types = g_app_info_get_supported_types(info);
    for (; types != nullptr && *types != nullptr; ++types) {
        if (g_ascii_strcasecmp(*types, type.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// Whether the file's text names the type anywhere, in any letter case: a cheap look before GIO loads the
// entry (which also searches PATH for its program).
bool mentions(const std::filesystem::path& file, const std::string& type) {
    gsize length = 0;
    gchar* data = nullptr;
    if (!g_file_get_contents(file.c_str(), &data, &length, nullptr)) {
        return false;
    }
    GCharPtr contents(data);
    GCharPtr lowered(g_ascii_strdown(data, static_cast<gssize>(length)));
    return std::string_view(lowered.get(), length).find(type) != std::string_view::npos;
}

// The later change time of the path and, for a symbolic link, of what it points to.
std::optional<struct timespec> changeTime(const std::filesystem::path& path) {
    struct stat status {};
    struct stat link {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    if (::lstat(path.c_str(), &link) == 0 && std::tie(link.st_ctim.tv_sec, link.st_ctim.tv_nsec) >
                                                 std::tie(status.st_ctim.tv_sec, status.st_ctim.tv_nsec)) {
        return link.st_ctim;
    }
    return status.st_ctim;
}

bool isEarlier(const struct timespec& a, const struct timespec& b) {
    return std::tie(a.tv_sec, a.tv_nsec) < std::tie(b.tv_sec, b.tv_nsec);
}

// The bundle URLs of the entries declaring `type` that no folder's cache covers, by desktop ID.
std::vector<Url> entriesUncoveredByCaches(const std::string& type) {
    std::vector<std::filesystem::path> dataFolders{g_get_user_data_dir()};
    for (const gchar* const* folder = g_get_system_data_dirs(); *folder != nullptr; ++folder) {
        dataFolders.emplace_back(*folder);
    }
    std::vector<std::pair<std::string, Url>> found;
    std::unordered_set<std::string> visited;
    std::optional<std::unordered_set<std::string>> removed;
    constexpr int deepestSubfolder = 4;  // symbolic links to folders are followed, so loops must end
    for (const auto& dataFolder : dataFolders) {
        auto applications = (dataFolder / "applications").lexically_normal();
        if (!visited.insert(applications.string()).second) {
            continue;
        }
        auto cacheTime = changeTime(applications / "mimeinfo.cache");
        std::optional<std::unordered_set<std::string>> listed;
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator
                 it(applications,
                    std::filesystem::directory_options::follow_directory_symlink |
                        std::filesystem::directory_options::skip_permission_denied,
                    error),
             end;
             !error && it != end; it.increment(error)) {
            if (it.depth() >= deepestSubfolder) {
                it.disable_recursion_pending();
            }
            auto path = it->path();
            if (!hasDesktopSuffix(path.filename().string())) {
                continue;
            }
            auto fileTime = changeTime(path);
            if (!fileTime || (cacheTime && isEarlier(*fileTime, *cacheTime))) {
                continue;
            }
            auto id = path.lexically_relative(applications).string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (cacheTime) {
                if (!listed) {
                    listed = idsListed(applications / "mimeinfo.cache", "MIME Cache", type);
                }
                if (listed->contains(id)) {
                    continue;  // GIO has seen it
                }
            }
            if (!removed) {
                removed = removedAssociations(type);
            }
            if (removed->contains(id)) {
                continue;
            }
            if (!mentions(path, type)) {
                continue;  // most entries of a folder without a cache (games, Wine) are no handlers
            }
            // By ID, so that an entry of the same ID in a folder that comes first hides this one.
            GObjectPtr<GDesktopAppInfo> entry(g_desktop_app_info_new(id.c_str()));
            auto bundleUrl = entry ? bundleUrlOf(entry.get()) : std::nullopt;
            if (bundleUrl && bundleUrl->filePath()->lexically_normal() == path &&
                declaresType(G_APP_INFO(entry.get()), type)) {
                found.emplace_back(id, std::move(*bundleUrl));
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Url> urls;
    for (auto& [id, url] : found) {
        urls.push_back(std::move(url));
    }
    return urls;
}

// ---- Starting an entry's command

// An Exec line as an argument vector: %i becomes "--icon <Icon>", %c the Name, %k the entry's file, %% "%".
// With `fillsFileCode`, the first file or URL code (%f %F %u %U) takes the arguments: a code standing alone
// all of them, one inside a word ("--url=%u") the first, the rest following that word. Every other file
// code and deprecated code expands to nothing (a word that was only such codes is dropped), and arguments
// that took no code's place follow the command.
std::vector<std::string> commandOf(GDesktopAppInfo* entry, const char* exec,
                                   const std::vector<std::string>& arguments, bool fillsFileCode) {
    const std::string filename = stringOr(g_desktop_app_info_get_filename(entry));
    gchar** words = nullptr;
    ErrorSlot error;
    if (!g_shell_parse_argv(exec, nullptr, &words, error.out())) {
        throw workspaceError("The command of " + filename + " cannot be read", error.get());
    }
    GStrvPtr owner(words);
    GCharPtr icon(g_desktop_app_info_get_string(entry, G_KEY_FILE_DESKTOP_KEY_ICON));
    const std::string name = stringOr(g_app_info_get_name(G_APP_INFO(entry)));
    auto isFileCode = [](char code) { return code == 'f' || code == 'F' || code == 'u' || code == 'U'; };
    bool filled = !fillsFileCode || arguments.empty();

    std::vector<std::string> command;
    for (gchar** word = words; *word != nullptr; ++word) {
        std::string_view text(*word);
        if (text == "%i") {
            if (icon && *icon != '\0') {
                command.emplace_back("--icon");
                command.emplace_back(icon.get());
            }
            continue;
        }
        if (!filled && text.size() == 2 && text[0] == '%' && isFileCode(text[1])) {
            command.insert(command.end(), arguments.begin(), arguments.end());
            filled = true;
            continue;
        }
        std::string expanded;
        bool hadFieldCode = false;
        bool fillsHere = false;
        for (std::size_t at = 0; at < text.size(); ++at) {
            if (text[at] != '%' || at + 1 == text.size()) {
                expanded += text[at];
                continue;
            }
            char code = text[++at];
            if (code == '%') {
                expanded += '%';
                continue;
            }
            hadFieldCode = true;
            if (code == 'c') {
                expanded += name;
            } else if (code == 'k') {
                expanded += filename;
            } else if (!filled && isFileCode(code)) {
                expanded += arguments.front();
                filled = fillsHere = true;
            }
        }
        if (!expanded.empty() || !hadFieldCode) {
            command.push_back(std::move(expanded));
        }
        if (fillsHere) {
            command.insert(command.end(), arguments.begin() + 1, arguments.end());
        }
    }
    if (command.empty()) {
        throw WorkspaceError("The command of " + filename + " is empty");
    }
    if (!filled || !fillsFileCode) {
        command.insert(command.end(), arguments.begin(), arguments.end());
    }
    return command;
}

// The launched program finds its own PID in GIO_LAUNCHED_DESKTOP_FILE_PID, which tells it apart from its
// children (they inherit the variable). The PID is known only after fork, so the environment holds a
// placeholder that the child overwrites before exec, as GIO does. Only getpid and plain stores run there,
// which is safe between fork and exec.
constexpr std::string_view pidVariable = "GIO_LAUNCHED_DESKTOP_FILE_PID";
constexpr std::string_view pidPlaceholder = "XXXXXXXXXXXXXXXXXXXX";  // room for any pid_t

// Runs in a started program before it executes: a session of its own, so that the program outlives a
// terminal that closes with the process that started it (a terminal running only `ferrywise open`).
void startOwnSession(gpointer /*unused*/) {
    setsid();
}

void writeOwnPid(gpointer slot) {
    startOwnSession(nullptr);
    char digits[pidPlaceholder.size()];
    std::size_t count = 0;
    auto pid = static_cast<unsigned long>(getpid());
    do {
        digits[count++] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid != 0 && count < sizeof digits);
    auto* text = static_cast<char*>(slot);
    for (std::size_t at = 0; at < count; ++at) {
        text[at] = digits[count - 1 - at];
    }
    text[count] = '\0';
}

// Starts `command` (PATH lookup for its first word, never a shell) as a detached process with the entry's
// launch variables and working folder. Throws WorkspaceError when the program cannot be started.
void spawnEntryCommand(GDesktopAppInfo* entry, std::vector<std::string> command,
                       const std::string& displayName) {
    std::vector<gchar*> argv;
    for (auto& word : command) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    GStrvPtr environment(g_get_environ());
    // A startup token of the host's own launch means nothing to the new program.
    environment.reset(g_environ_unsetenv(environment.release(), "DESKTOP_STARTUP_ID"));
    environment.reset(g_environ_unsetenv(environment.release(), "XDG_ACTIVATION_TOKEN"));
    environment.reset(g_environ_setenv(environment.release(), "GIO_LAUNCHED_DESKTOP_FILE",
                                       stringOr(g_desktop_app_info_get_filename(entry)).c_str(), TRUE));
    environment.reset(g_environ_setenv(environment.release(), std::string(pidVariable).c_str(),
                                       std::string(pidPlaceholder).c_str(), TRUE));
    gchar* pidSlot = nullptr;
    for (gchar** variable = environment.get(); *variable != nullptr; ++variable) {
        std::string_view text(*variable);
        if (text.size() > pidVariable.size() && text.starts_with(pidVariable) &&
            text[pidVariable.size()] == '=') {
            pidSlot = *variable + pidVariable.size() + 1;
        }
    }

    GCharPtr folder(g_desktop_app_info_get_string(entry, G_KEY_FILE_DESKTOP_KEY_PATH));
    const char* workingFolder = folder && *folder != '\0' ? folder.get() : nullptr;
    ErrorSlot error;
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program through an intermediate process that it
    // reaps at once, so the program never becomes our zombie.
    if (!g_spawn_async(workingFolder, argv.data(), environment.get(), G_SPAWN_SEARCH_PATH,
                       pidSlot != nullptr ? writeOwnPid : startOwnSession, pidSlot, nullptr, error.out())) {
        throw workspaceError("Could not start " + displayName, error.get());
    }
}

// ---- Icons

std::optional<WorkspaceIcon> workspaceIconOf(GIcon* icon) {
    if (icon == nullptr) {
        return std::nullopt;
    }
    if (G_IS_FILE_ICON(icon)) {
        GCharPtr path(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
        if (!path) {
            return std::nullopt;
        }
        return WorkspaceIcon{std::filesystem::path(path.get()), {}};
    }
    if (G_IS_THEMED_ICON(icon)) {
        WorkspaceIcon result;
        for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon)); name && *name; ++name) {
            result.themedNames.emplace_back(*name);
        }
        if (!result.themedNames.empty()) {
            return result;
        }
    }
    return std::nullopt;
}

// ---- Running applications

RunningApplication runningApplicationOf(GDesktopAppInfo* entry) {
    RunningApplication application;
    application.bundleIdentifier = identifierOf(entry);
    application.localizedName = nameOf(entry);
    application.bundleUrl = bundleUrlOf(entry);
    // An entry kept out of the menus (NoDisplay) is a helper rather than an application the user picks.
    application.activationPolicy =
        g_desktop_app_info_get_nodisplay(entry) ? ActivationPolicy::accessory : ActivationPolicy::regular;
    return application;
}

// Reads a /proc file whole (their size is not known beforehand); none when it cannot be read.
std::optional<std::string> readProcFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        auto count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            ::close(fd);
            return count == 0 ? std::optional<std::string>(std::move(content)) : std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
}

// The desktop file a process was launched from, when it is the launched process itself: its children
// inherit GIO_LAUNCHED_DESKTOP_FILE, but GIO_LAUNCHED_DESKTOP_FILE_PID names only the launched one.
std::optional<std::string> launchedDesktopFile(std::string_view environment, std::string_view pid) {
    constexpr std::string_view fileKey = "GIO_LAUNCHED_DESKTOP_FILE=";
    constexpr std::string_view pidKey = "GIO_LAUNCHED_DESKTOP_FILE_PID=";
    std::optional<std::string_view> file;
    std::optional<std::string_view> launchedPid;
    while (!environment.empty()) {
        auto end = environment.find('\0');
        auto variable = environment.substr(0, end);
        if (variable.starts_with(fileKey)) {
            file = variable.substr(fileKey.size());
        } else if (variable.starts_with(pidKey)) {
            launchedPid = variable.substr(pidKey.size());
        }
        environment.remove_prefix(end == std::string_view::npos ? environment.size() : end + 1);
    }
    if (!file || file->empty() || (launchedPid && *launchedPid != pid)) {
        return std::nullopt;
    }
    return std::string(*file);
}

// Whether a program is a shell, interpreter or sandbox runner, whose processes say nothing about the
// application they run ("python3.11" counts as "python").
bool isSharedLauncher(const std::filesystem::path& program) {
    static const std::unordered_set<std::string_view> launchers{
        "sh",   "bash", "dash", "zsh", "fish", "env",  "flatpak", "snap",   "python",  "perl",
        "ruby", "java", "node", "gjs", "mono", "wine", "sudo",    "pkexec", "xdg-open"};
    auto name = program.filename().string();
    auto end = name.find_last_not_of("0123456789.");
    return launchers.contains(std::string_view(name).substr(0, end == std::string::npos ? 0 : end + 1));
}

// The resolved executables of the installed entries (TryExec, else Exec's program), for telling which
// entry a process not launched through GIO belongs to. When several entries run one executable, one shown
// in the menus wins over hidden ones, else the first in GIO's order.
std::unordered_map<std::string, RunningApplication> installedExecutables() {
    std::unordered_map<std::string, RunningApplication> executables;
    AppInfoList all(g_app_info_get_all());
    for (GList* link = all.get(); link != nullptr; link = link->next) {
        if (!G_IS_DESKTOP_APP_INFO(link->data)) {
            continue;
        }
        auto* entry = G_DESKTOP_APP_INFO(link->data);
        GCharPtr tryExec(g_desktop_app_info_get_string(entry, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC));
        auto program = programOf(tryExec.get(), g_app_info_get_commandline(G_APP_INFO(entry)));
        if (!program) {
            continue;
        }
        GCharPtr found(g_find_program_in_path(program->c_str()));
        std::error_code error;
        auto resolved = found ? std::filesystem::canonical(found.get(), error) : std::filesystem::path();
        if (resolved.empty() || error || isSharedLauncher(resolved)) {
            continue;
        }
        auto application = runningApplicationOf(entry);
        auto [existing, inserted] = executables.try_emplace(resolved.string(), application);
        if (!inserted && existing->second.activationPolicy != ActivationPolicy::regular &&
            application.activationPolicy == ActivationPolicy::regular) {
            existing->second = std::move(application);
        }
    }
    return executables;
}

// ---- The workspace

class DesktopWorkspace final : public Workspace {
  public:
    std::optional<Url> urlForApplication(std::string_view bundleIdentifier) const override {
        if (bundleIdentifier.empty() || bundleIdentifier.find('/') != std::string_view::npos) {
            return std::nullopt;
        }
        auto id = std::string(bundleIdentifier) + std::string(desktopSuffix);
        GObjectPtr<GDesktopAppInfo> entry(g_desktop_app_info_new(id.c_str()));
        return entry ? bundleUrlOf(entry.get()) : std::nullopt;
    }

    std::vector<Url> urlsForApplicationsToOpen(const Url& url) const override {
        auto type = handlerTypeOf(url);
        if (!type) {
            return {};
        }
        std::vector<Url> urls;
        std::unordered_set<Url> seen;
        AppInfoList handlers(g_app_info_get_all_for_type(type->c_str()));
        for (GList* link = handlers.get(); link != nullptr; link = link->next) {
            auto bundleUrl = bundleUrlOf(static_cast<GAppInfo*>(link->data));
            if (bundleUrl && seen.insert(*bundleUrl).second) {
                urls.push_back(std::move(*bundleUrl));
            }
        }
        // Then the entries only their MimeType key tells of, by desktop ID.
        for (auto& bundleUrl : entriesUncoveredByCaches(*type)) {
            if (seen.insert(bundleUrl).second) {
                urls.push_back(std::move(bundleUrl));
            }
        }
        return urls;
    }

    std::optional<Url> urlForApplicationToOpen(const Url& url) const override {
        // The default for the content type rather than g_app_info_get_default_for_uri_scheme, which would
        // also load GVfs modules to ask a deprecated lookup that knows no more.
        auto type = handlerTypeOf(url);
        if (!type) {
            return std::nullopt;
        }
        GObjectPtr<GAppInfo> handler(g_app_info_get_default_for_type(type->c_str(), FALSE));
        return bundleUrlOf(handler.get());
    }

    void setDefaultApplication(const Url& applicationUrl, std::string_view scheme) override {
        auto normalized = normalizedScheme(scheme);
        if (!normalized) {
            throw WorkspaceError("Not a URL scheme: \"" + std::string(scheme) + "\"");
        }
        auto entry = requireEntry(applicationUrl);
        auto type = std::string(schemeHandlerPrefix) + *normalized;
        ErrorSlot error;
        if (!g_app_info_set_as_default_for_type(G_APP_INFO(entry.get()), type.c_str(), error.out())) {
            throw workspaceError("Could not make " + displayNameOf(entry.get(), *applicationUrl.filePath()) +
                                     " the default for " + *normalized,
                                 error.get());
        }
    }

    // GIO passes no extra arguments along with URLs, so `configuration` plays no part here; callers that
    // need arguments put the URL among them and use openApplication.
    void openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                  const WorkspaceOpenConfiguration& /*configuration*/) override {
        auto entry = requireEntry(applicationUrl);
        std::vector<std::string> texts;
        texts.reserve(urls.size());
        for (const auto& url : urls) {
            texts.emplace_back(url.absoluteString());
        }
        LinkList uris;
        for (auto text = texts.rbegin(); text != texts.rend(); ++text) {
            uris.reset(g_list_prepend(uris.release(), text->data()));
        }
        ErrorSlot error;
        if (!g_desktop_app_info_launch_uris_as_manager(entry.get(), uris.get(), nullptr, G_SPAWN_SEARCH_PATH,
                                                       startOwnSession, nullptr, nullptr, nullptr, error.out())) {
            throw workspaceError(
                "Could not open the links with " + displayNameOf(entry.get(), *applicationUrl.filePath()),
                error.get());
        }
    }

    // Every start is a new process; an application that keeps a single instance hands the arguments to its
    // running instance and raises its window itself. So `activates` and `createsNewApplicationInstance` ask
    // for what happens anyway, and there is no recent-applications list for `addsToRecentItems`. An entry
    // with Terminal=true is started without a terminal. The arguments follow the entry's command (so that
    // a wrapper's own markers, such as Flatpak's "@@u @@", stay around nothing). An action runs its
    // [Desktop Action] group's Exec, with the same launch variables as the entry itself, and there the
    // arguments take the place of its file or URL code as they would for a link opened with it.
    void openApplication(const Url& applicationUrl,
                         const WorkspaceOpenConfiguration& configuration) override {
        auto entry = requireEntry(applicationUrl);
        auto name = displayNameOf(entry.get(), *applicationUrl.filePath());
        if (configuration.action) {
            auto exec = actionCommandOf(entry.get(), *configuration.action, name);
            spawnEntryCommand(entry.get(),
                              commandOf(entry.get(), exec.c_str(), configuration.arguments, true), name);
            return;
        }
        const char* exec = g_app_info_get_commandline(G_APP_INFO(entry.get()));
        if (exec == nullptr) {
            // A D-Bus activated entry without Exec: only GIO can start it, and it takes no arguments.
            if (!configuration.arguments.empty()) {
                throw WorkspaceError("Cannot pass arguments to " + name + ": it has no command");
            }
            ErrorSlot error;
            if (!g_app_info_launch(G_APP_INFO(entry.get()), nullptr, nullptr, error.out())) {
                throw workspaceError("Could not start " + name, error.get());
            }
            return;
        }
        spawnEntryCommand(entry.get(), commandOf(entry.get(), exec, configuration.arguments, false), name);
    }

    bool openUrl(const Url& url) override {
        std::string uri(url.absoluteString());
        ErrorSlot error;
        return g_app_info_launch_default_for_uri(uri.c_str(), nullptr, error.out()) != FALSE;
    }

    std::optional<WorkspaceIcon> iconForFile(const std::filesystem::path& path) const override {
        if (auto entry = loadEntry(path)) {
            return workspaceIconOf(g_app_info_get_icon(G_APP_INFO(entry.get())));
        }
        GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
        GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_ICON,
                                                     G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
        return info ? workspaceIconOf(g_file_info_get_icon(info.get())) : std::nullopt;
    }

    // Wayland compositors tell no client which window has the focus, and X11's _NET_ACTIVE_WINDOW only
    // names a window, not reliably its application, so the answer is "cannot be told".
    std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }

    // A process counts when it is the one GIO (or openApplication) launched from an entry, or when its
    // executable is the program of an installed entry. Processes of other users and those that cannot be
    // read are skipped.
    std::vector<RunningApplication> runningApplications() const override {
        std::vector<RunningApplication> running;
        std::unordered_map<std::string, std::optional<RunningApplication>> launchedEntries;
        std::optional<std::unordered_map<std::string, RunningApplication>> executables;
        const uid_t user = getuid();
        std::error_code error;
        for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
             it.increment(error)) {
            auto pid = it->path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            struct stat status {};
            if (::stat(it->path().c_str(), &status) != 0 || status.st_uid != user) {
                continue;
            }
            if (auto environment = readProcFile(it->path() / "environ")) {
                if (auto file = launchedDesktopFile(*environment, pid)) {
                    auto [cached, inserted] = launchedEntries.try_emplace(*file);
                    if (inserted) {
                        if (auto entry = loadEntry(*file)) {
                            cached->second = runningApplicationOf(entry.get());
                        }
                    }
                    if (cached->second) {
                        running.push_back(*cached->second);
                        continue;
                    }
                }
            }
            std::error_code linkError;
            auto executable = std::filesystem::read_symlink(it->path() / "exe", linkError).string();
            if (linkError) {
                continue;
            }
            // A program replaced while it runs (an update) shows as "<path> (deleted)".
            constexpr std::string_view deleted = " (deleted)";
            if (executable.ends_with(deleted)) {
                executable.resize(executable.size() - deleted.size());
            }
            if (!executables) {
                executables = installedExecutables();
            }
            if (auto match = executables->find(executable); match != executables->end()) {
                running.push_back(match->second);
            }
        }
        return running;
    }

    std::optional<BundleInfo> bundleInfo(const Url& bundleUrl) const override {
        auto path = entryPathOf(bundleUrl);
        auto entry = path ? loadEntry(*path) : nullptr;
        if (!entry) {
            return std::nullopt;
        }
        return BundleInfo{identifierOf(entry.get()), displayNameOf(entry.get(), *path),
                          actionsOf(entry.get())};
    }

    std::string displayName(const std::filesystem::path& path) const override {
        if (auto entry = loadEntry(path)) {
            return displayNameOf(entry.get(), path);
        }
        return lastComponent(path);
    }
};

}  // namespace

std::unique_ptr<Workspace> makeDesktopWorkspace() {
    return std::make_unique<DesktopWorkspace>();
}

}  // namespace ferrywise::freedesktop
