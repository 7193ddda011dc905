#include "support/DesktopSandbox.hpp"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace ferrywise::testing {

namespace fs = std::filesystem;

DesktopSandbox::DesktopSandbox() {
    std::istringstream folders(
        "HOME home XDG_DATA_HOME data XDG_DATA_DIRS system XDG_CONFIG_HOME config XDG_CONFIG_DIRS etc "
        "XDG_CACHE_HOME cache XDG_RUNTIME_DIR run GIO_MODULE_DIR gio OUT out");
    for (std::string variable, folder; folders >> variable >> folder;) {
        fs::create_directories(root() / folder);
        ::setenv(variable.c_str(), (root() / folder).c_str(), 1);
    }
    fs::permissions(root() / "run", fs::perms::owner_all);
    // No session bus, no GVfs or dconf modules: GIO works on the files alone.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (root() / "run/no-bus").string()).c_str(), 1);
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    // Entries' names untranslated, whatever the machine's language.
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    ::setenv("PATH", ((root() / "bin").string() + ":" + ::getenv("PATH")).c_str(), 1);
    // No display: programs under test never open windows on the machine running the tests.
    for (const char* inherited :
         {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "GIO_LAUNCHED_DESKTOP_FILE",
          "GIO_LAUNCHED_DESKTOP_FILE_PID", "DESKTOP_STARTUP_ID"}) {
        ::unsetenv(inherited);
    }
    write("bin/record", "#!/bin/sh\no=$OUT/$1; shift; printf '%s\\n' \"$@\" > $o.part && mv $o.part $o",
          true);
}

void DesktopSandbox::write(const std::string& path, const std::string& text, bool executable) const {
    folder_.write(path, text + "\n");
    if (executable) {
        fs::permissions(root() / path, fs::perms::owner_exec, fs::perm_options::add);
    }
}

void DesktopSandbox::copyTree(const fs::path& folder, const std::vector<std::string>& programs) const {
    const auto bin = (root() / "bin").string();
    for (const auto& program : programs) {
        write("bin/" + program, "#!/bin/sh\nexec record " + program + " \"$@\"", true);
    }
    for (const auto& file : fs::recursive_directory_iterator(folder)) {
        if (file.is_regular_file()) {
            std::ifstream stream(file.path());
            std::string text(std::istreambuf_iterator<char>(stream), {});
            for (auto at = text.find("@BIN@"); at != std::string::npos; at = text.find("@BIN@", at)) {
                text.replace(at, 5, bin);
            }
            folder_.write(file.path().lexically_relative(folder), text);
        }
    }
}

std::vector<std::string> DesktopSandbox::awaitOutput(const std::string& name) const {
    auto file = root() / "out" / name;
    auto lines = awaitResult([&] {
        std::ifstream stream(file);
        std::vector<std::string> read;
        for (std::string line; std::getline(stream, line);) {
            read.push_back(line);
        }
        return read;
    });
    std::error_code ignored;
    fs::remove(file, ignored);
    return lines;
}

void waitBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace ferrywise::testing
