#include "ferrywise/freedesktop/AppServiceLaunchAtLoginBackend.hpp"

#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <glib.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/freedesktop/DesktopWorkspace.hpp"
#include "ferrywise/freedesktop/GLibOwnership.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace fs = std::filesystem;

constexpr const char* entryGroup = G_KEY_FILE_DESKTOP_GROUP;
// Hidden=true is the autostart standard's "do not start"; the GNOME-family sessions and their
// startup-application settings use this switch instead, so both are written.
constexpr const char* enabledKey = "X-GNOME-Autostart-enabled";
// The user's comments and every translation survive a rewrite of their file.
constexpr auto keepUserText = GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);

// The one place where a GLib error becomes a login-item error: "<what>: <GLib's message>".
std::runtime_error loginItemError(const std::string& what, const GError* error) {
    if (error == nullptr || error->message == nullptr) {
        return std::runtime_error(what);
    }
    return std::runtime_error(what + ": " + error->message);
}

// The key file at `path`; null when it cannot be read as one (missing, unreadable, not a key file).
KeyFilePtr loadKeyFile(const fs::path& path, GKeyFileFlags flags, ErrorSlot& error) {
    KeyFilePtr file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), path.c_str(), flags, error.out())) {
        return nullptr;
    }
    return file;
}

std::string textOf(GKeyFile* file) {
    gsize length = 0;
    GCharPtr data(g_key_file_to_data(file, &length, nullptr));
    return {data.get(), length};
}

bool hasValue(GKeyFile* file, const char* key) {
    GCharPtr value(g_key_file_get_value(file, entryGroup, key, nullptr));
    return value && *value != '\0';
}

// A boolean key as sessions read it: `absent` when it is missing, and any value but "true" is false.
bool booleanOf(GKeyFile* file, const char* key, bool absent) {
    if (!g_key_file_has_key(file, entryGroup, key, nullptr)) {
        return absent;
    }
    return g_key_file_get_boolean(file, entryGroup, key, nullptr) != FALSE;
}

bool startsAtLogin(GKeyFile* file) {
    return hasValue(file, G_KEY_FILE_DESKTOP_KEY_EXEC) &&
           !booleanOf(file, G_KEY_FILE_DESKTOP_KEY_HIDDEN, false) && booleanOf(file, enabledKey, true);
}

// An Exec command without its field codes (%u, %U, %f, %i, %c...): they stand for the files or links to
// open and the entry's own icon and name, and at login there is nothing to pass. "%%", a literal "%",
// stays. A code that is a word of its own goes with the blanks before it.
std::string withoutFieldCodes(std::string_view exec) {
    std::string command;
    for (std::size_t at = 0; at < exec.size(); ++at) {
        if (exec[at] != '%' || at + 1 == exec.size()) {
            command += exec[at];
        } else if (exec[++at] == '%') {
            command += "%%";
        } else if (at + 1 == exec.size() || g_ascii_isspace(exec[at + 1])) {
            while (!command.empty() && g_ascii_isspace(command.back())) {
                command.pop_back();
            }
        }
    }
    return command;
}

// Name, Comment and Icon, with their translations ("Name[de]"), are what the autostart entry shows of
// the host.
bool isShownKey(std::string_view key) {
    auto base = key.substr(0, key.find('['));
    return base == G_KEY_FILE_DESKTOP_KEY_NAME || base == G_KEY_FILE_DESKTOP_KEY_COMMENT ||
           base == G_KEY_FILE_DESKTOP_KEY_ICON;
}

// The autostart entry made from the host's desktop entry at `path`. Throws when it cannot be read or
// has no command.
KeyFilePtr entryFromHost(const fs::path& path, const std::string& bundleIdentifier) {
    ErrorSlot error;
    auto host = loadKeyFile(path, G_KEY_FILE_KEEP_TRANSLATIONS, error);
    if (!host) {
        throw loginItemError("Could not read the application entry " + path.string(), error.get());
    }
    GCharPtr exec(g_key_file_get_string(host.get(), entryGroup, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr));
    auto command = withoutFieldCodes(exec ? exec.get() : "");
    if (command.find_first_not_of(" \t") == std::string::npos) {
        throw std::runtime_error("The application entry " + path.string() + " has no command to start");
    }
    KeyFilePtr entry(g_key_file_new());
    g_key_file_set_string(entry.get(), entryGroup, G_KEY_FILE_DESKTOP_KEY_TYPE,
                          G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
    g_key_file_set_string(entry.get(), entryGroup, G_KEY_FILE_DESKTOP_KEY_NAME, bundleIdentifier.c_str());
    GStrvPtr keys(g_key_file_get_keys(host.get(), entryGroup, nullptr, nullptr));
    for (gchar** key = keys.get(); key != nullptr && *key != nullptr; ++key) {
        if (isShownKey(*key)) {
            GCharPtr value(g_key_file_get_value(host.get(), entryGroup, *key, nullptr));
            g_key_file_set_value(entry.get(), entryGroup, *key, value.get());
        }
    }
    g_key_file_set_string(entry.get(), entryGroup, G_KEY_FILE_DESKTOP_KEY_EXEC, command.c_str());
    g_key_file_set_boolean(entry.get(), entryGroup, enabledKey, TRUE);
    return entry;
}

class AppServiceLaunchAtLoginBackend final : public LaunchAtLoginBackend {
  public:
    AppServiceLaunchAtLoginBackend(std::shared_ptr<const Workspace> workspace, std::string bundleIdentifier,
                                   const fs::path& autostartFolder)
        : workspace_(std::move(workspace)),
          bundleIdentifier_(std::move(bundleIdentifier)),
          file_(autostartFolder / (bundleIdentifier_ + ".desktop")) {}

    LaunchAtLoginStatus status() const override {
        if (!hostEntry()) {
            return LaunchAtLoginStatus::unavailable;
        }
        ErrorSlot error;
        auto file = loadKeyFile(file_, G_KEY_FILE_NONE, error);
        return file && startsAtLogin(file.get()) ? LaunchAtLoginStatus::enabled
                                                 : LaunchAtLoginStatus::disabled;
    }

    void registerLoginItem() override {
        auto host = hostEntry();
        if (!host) {
            throw std::runtime_error("No application entry " + bundleIdentifier_ + ".desktop is installed");
        }
        auto fresh = entryFromHost(*host, bundleIdentifier_);
        ErrorSlot error;
        auto existing = loadKeyFile(file_, keepUserText, error);
        if (!existing) {
            if (auto aside = JsonFile::keepAside(file_, ".unreadable")) {
                Log::settings().error("Kept the unreadable login item aside as %{public}s",
                                      aside->filename().string());
            }
            JsonFile::writeData(file_, textOf(fresh.get()));
            return;
        }
        update(existing.get(), [&fresh](GKeyFile* file) {
            // Keys without which the session would not start it; the user's own values stay.
            for (const char* key :
                 {G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_KEY_NAME, G_KEY_FILE_DESKTOP_KEY_EXEC}) {
                if (!hasValue(file, key)) {
                    GCharPtr value(g_key_file_get_value(fresh.get(), entryGroup, key, nullptr));
                    g_key_file_set_value(file, entryGroup, key, value.get());
                }
            }
            g_key_file_remove_key(file, entryGroup, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr);
            g_key_file_set_boolean(file, entryGroup, enabledKey, TRUE);
        });
    }

    void unregisterLoginItem() override {
        ErrorSlot error;
        // A missing file, or one that is not a key file, starts nothing: there is nothing to undo.
        if (auto existing = loadKeyFile(file_, keepUserText, error)) {
            update(existing.get(), [](GKeyFile* file) {
                g_key_file_set_boolean(file, entryGroup, G_KEY_FILE_DESKTOP_KEY_HIDDEN, TRUE);
                g_key_file_set_boolean(file, entryGroup, enabledKey, FALSE);
            });
        }
    }

  private:
    // The host's own desktop entry; none when it is not installed where the desktop finds it.
    std::optional<fs::path> hostEntry() const {
        auto url = workspace_->urlForApplication(bundleIdentifier_);
        return url ? url->filePath() : std::nullopt;
    }

    // Applies `change` to the user's file and writes it when that changed anything.
    template <typename Change>
    void update(GKeyFile* file, Change&& change) const {
        auto before = textOf(file);
        change(file);
        if (auto after = textOf(file); after != before) {
            JsonFile::writeData(file_, after);
        }
    }

    std::shared_ptr<const Workspace> workspace_;
    std::string bundleIdentifier_;
    fs::path file_;
};

}  // namespace

std::shared_ptr<LaunchAtLoginBackend> makeAppServiceLaunchAtLoginBackend(
    std::shared_ptr<const Workspace> workspace, std::string bundleIdentifier,
    std::filesystem::path autostartFolder) {
    return std::make_shared<AppServiceLaunchAtLoginBackend>(std::move(workspace), std::move(bundleIdentifier),
                                                            autostartFolder);
}

std::shared_ptr<LaunchAtLoginBackend> makeAppServiceLaunchAtLoginBackend(const Paths& paths) {
    return makeAppServiceLaunchAtLoginBackend(makeDesktopWorkspace(), paths.bundleIdentifier(),
                                              paths.config() / "autostart");
}

}  // namespace ferrywise::freedesktop
