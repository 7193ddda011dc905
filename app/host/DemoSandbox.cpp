#include "DemoSandbox.hpp"

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <thread>

#include "ferrywise/foundation/JsonFile.hpp"

#include "DesktopRegistration.hpp"
#include "Session.hpp"

namespace ferrywise::host {

namespace {

namespace fs = std::filesystem;

struct SampleApplication {
    std::string_view program;
    std::string_view entry;  // "@EXEC@" stands for the program's path
};

// As Debian's packages install them, without the translations; each Exec names the sandbox's program.
constexpr SampleApplication sampleApplications[] = {
    {"firefox-esr", R"([Desktop Entry]
Name=Firefox ESR
Comment=Browse the World Wide Web
GenericName=Web Browser
X-GNOME-FullName=Firefox ESR Web Browser
Exec=@EXEC@ %u
Terminal=false
X-MultipleArgs=false
Type=Application
Icon=firefox-esr
Categories=Network;WebBrowser;
MimeType=text/html;text/xml;application/xhtml+xml;application/xml;application/vnd.mozilla.xul+xml;application/rss+xml;application/rdf+xml;image/gif;image/jpeg;image/png;x-scheme-handler/http;x-scheme-handler/https;
StartupWMClass=firefox-esr
StartupNotify=true
)"},
    {"chromium", R"([Desktop Entry]
Version=1.0
Name=Chromium Web Browser
GenericName=Web Browser
Comment=Access the Internet
Exec=@EXEC@ %U
Terminal=false
X-MultipleArgs=false
Type=Application
Icon=chromium
Categories=Network;WebBrowser;
MimeType=text/html;text/xml;application/xhtml_xml;application/x-mimearchive;x-scheme-handler/http;x-scheme-handler/https;
StartupWMClass=chromium
StartupNotify=true
Keywords=browser
)"},
    {"claws-mail", R"([Desktop Entry]
Version=1.0
Name=Claws Mail
GenericName=E-mail client
Exec=@EXEC@ %u
Icon=claws-mail
Categories=Network;Email;
Comment=Lightweight and Fast GTK based Mail Client
Terminal=false
Type=Application
StartupNotify=true
MimeType=x-scheme-handler/mailto;
X-Info=Claws Mail
Actions=ComposeMail;

[Desktop Action ComposeMail]
Exec=@EXEC@ --compose
Name=Email...
)"},
};

// Chromium's own list of its profiles, as the browser writes it.
constexpr std::string_view chromiumLocalState =
    R"({"profile":{"info_cache":{"Default":{"name":"Personal","avatar_icon":"chrome://theme/IDR_PROFILE_AVATAR_26","is_using_default_name":false},"Profile 1":{"name":"Work","avatar_icon":"chrome://theme/IDR_PROFILE_AVATAR_1","is_using_default_name":false}},"last_used":"Default","profiles_order":["Default","Profile 1"]},"browser":{"enabled_labs_experiments":[]}})";

// Every sample program: notes its name and arguments, one a line, replacing the note at once so that it is
// never read half-written.
constexpr std::string_view recorder = R"sh(#!/bin/sh
note="$(dirname "$0")/../started"
printf '%s\n' "$(basename "$0")" "$@" > "$note.part" && mv "$note.part" "$note"
)sh";

constexpr auto pollInterval = std::chrono::milliseconds(20);

fs::path makeRoot() {
    std::error_code error;
    auto temporary = fs::temp_directory_path(error);
    std::string name = ((error ? fs::path("/tmp") : temporary) / "ferrywise-demo-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) {
        throw CommandFailure("could not make the demo's folder in " + fs::path(name).parent_path().string());
    }
    return name;
}

void replaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

}  // namespace

DemoSandbox::DemoSandbox() : root_(makeRoot()) {
    const auto home = root_ / "home";
    // Where each variable points; the system folders stay empty, so only the samples are installed.
    const std::pair<const char*, fs::path> folders[] = {
        {"HOME", home},
        {"XDG_DATA_HOME", home / ".local/share"},
        {"XDG_CONFIG_HOME", home / ".config"},
        {"XDG_CACHE_HOME", home / ".cache"},
        {"XDG_STATE_HOME", home / ".local/state"},
        {"XDG_DATA_DIRS", root_ / "system"},
        {"XDG_CONFIG_DIRS", root_ / "etc"},
        {"XDG_RUNTIME_DIR", root_ / "run"},
        // No GVfs or dconf: GIO works on the files alone.
        {"GIO_MODULE_DIR", root_ / "gio"},
    };
    try {
        for (const auto& [variable, folder] : folders) {
            fs::create_directories(folder);
            ::setenv(variable, folder.c_str(), 1);
        }
        fs::permissions(root_ / "run", fs::perms::owner_all);
        // No session bus: nothing reaches the user's running desktop.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (root_ / "run/no-bus").string()).c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
        for (const char* inherited : {"XDG_CURRENT_DESKTOP", "DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN",
                                      "GIO_LAUNCHED_DESKTOP_FILE", "GIO_LAUNCHED_DESKTOP_FILE_PID"}) {
            ::unsetenv(inherited);
        }

        fs::create_directories(root_ / "bin");
        for (const auto& sample : sampleApplications) {
            const auto program = root_ / "bin" / sample.program;
            JsonFile::writeData(program, recorder);
            fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
            std::string entry(sample.entry);
            replaceAll(entry, "@EXEC@", keyFileValue(execWord(program.string())));
            JsonFile::writeData(
                home / ".local/share/applications" / (std::string(sample.program) + ".desktop"), entry);
        }
        JsonFile::writeData(home / ".config/chromium/Local State", chromiumLocalState);
    } catch (const std::exception& error) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        throw CommandFailure(std::string("could not set up the demo's desktop: ") + error.what());
    }
}

DemoSandbox::~DemoSandbox() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void DemoSandbox::forgetStarts() const {
    std::error_code ignored;
    fs::remove(root_ / "started", ignored);
}

std::optional<std::vector<std::string>> DemoSandbox::awaitStart(std::chrono::milliseconds timeout) const {
    const auto note = root_ / "started";
    for (auto waited = std::chrono::milliseconds(0); waited <= timeout; waited += pollInterval) {
        if (std::ifstream stream(note); stream) {
            std::vector<std::string> lines;
            for (std::string line; std::getline(stream, line);) {
                lines.push_back(line);
            }
            forgetStarts();
            return lines;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    return std::nullopt;
}

}  // namespace ferrywise::host
