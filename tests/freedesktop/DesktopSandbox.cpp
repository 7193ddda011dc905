#include "freedesktop/DesktopSandbox.hpp"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace ferrywise::testing {
namespace {

void setVariable(const char* name, const std::filesystem::path& value) {
    if (::setenv(name, value.c_str(), 1) != 0) {
        throw std::runtime_error(std::string("Could not set ") + name);
    }
}

std::string quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

void makeExecutable(const std::filesystem::path& path) {
    std::filesystem::permissions(path, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
}

}  // namespace

void DesktopSandbox::SetUp() {
    folder_ = std::make_unique<TemporaryFolder>();
    const auto& base = root();
    for (const char* folder : {"home", "data/applications", "system/applications", "config", "config-system",
                               "cache", "runtime", "gio-modules", "out"}) {
        std::filesystem::create_directories(base / folder);
    }
    std::filesystem::permissions(base / "runtime", std::filesystem::perms::owner_all);
    setVariable("HOME", base / "home");
    setVariable("XDG_DATA_HOME", base / "data");
    setVariable("XDG_DATA_DIRS", base / "system");
    setVariable("XDG_CONFIG_HOME", base / "config");
    setVariable("XDG_CONFIG_DIRS", base / "config-system");
    setVariable("XDG_CACHE_HOME", base / "cache");
    setVariable("XDG_RUNTIME_DIR", base / "runtime");
    // No session bus, no GVfs or dconf modules: GIO works on the files alone.
    setVariable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (base / "runtime" / "no-bus").string());
    setVariable("GIO_MODULE_DIR", base / "gio-modules");
    setVariable("GSETTINGS_BACKEND", "memory");
    for (const char* inherited : {"XDG_CURRENT_DESKTOP", "GIO_LAUNCHED_DESKTOP_FILE",
                                  "GIO_LAUNCHED_DESKTOP_FILE_PID", "DESKTOP_STARTUP_ID"}) {
        ::unsetenv(inherited);
    }

    auto record = folder_->write("bin/record",
                                 "#!/bin/sh\n"
                                 "out=$1\n"
                                 "shift\n"
                                 "printf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
    auto launched = folder_->write("bin/launched",
                                   "#!/bin/sh\n"
                                   "exec >/dev/null 2>&1\n"
                                   "sleep 20 &\n"
                                   "echo \"$$ $!\" > \"$1.part\" && mv \"$1.part\" \"$1\"\n"
                                   "wait\n");
    auto broken = folder_->write("bin/broken", "#!/nonexistent/interpreter\n");
    std::filesystem::copy_file(std::filesystem::canonical("/bin/sleep"), sleeperProgram());
    for (const auto& program : {record, launched, broken, sleeperProgram()}) {
        makeExecutable(program);
    }

    auto recording = [&](std::string_view name) {
        return "Exec=" + quoted(record) + " " + quoted(output(name));
    };
    auto write = [&](const std::filesystem::path& relative, const std::string& body) {
        folder_->write(relative, "[Desktop Entry]\nType=Application\n" + body);
    };
    write("data/applications/org.example.Alpha.desktop",
          "Name=Alpha\n" + recording("alpha") + " %U\nIcon=" + (base / "icons" / "alpha.png").string() +
              "\nMimeType=x-scheme-handler/https;\n");
    write("data/applications/org.example.Beta.desktop",
          "Name=Beta\n" + recording("beta") +
              " %u\nIcon=beta-browser\nMimeType=x-scheme-handler/https;x-scheme-handler/x-ferrywise-test;\n");
    write("system/applications/org.example.Gamma.desktop",
          "Name=Gamma\nExec=true %U\nMimeType=x-scheme-handler/https;\n");
    write("data/applications/org.example.MailOne.desktop",
          "Name=Mail One\nExec=true %u\nMimeType=x-scheme-handler/mailto;\n");
    write("data/applications/org.example.MailTwo.desktop",
          "Name=Mail Two\nExec=true %u\nMimeType=x-scheme-handler/mailto;\n");
    write("data/applications/org.example.Recorder.desktop",
          "Name=Recorder\nIcon=recorder-icon\n" + recording("recorder") + " \"two words\" 100%% %i %c %U\n");
    write("data/applications/org.example.Launched.desktop",
          "Name=Launched\nExec=" + quoted(launched) + " " + quoted(output("launched")) + "\n");
    write("data/applications/org.example.Sleeper.desktop",
          "Name=Sleeper\nExec=" + quoted(sleeperProgram()) + " 20\n");
    write("data/applications/org.example.Missing.desktop",
          "Name=Missing\nExec=" + quoted(base / "bin" / "not-there") + " %U\n");
    write("data/applications/org.example.Broken.desktop", "Name=Broken\nExec=" + quoted(broken) + "\n");
    write("data/applications/org.example.NoName.desktop", recording("noname") + "\n");
    write("elsewhere/Portable.desktop", "Name=Portable\nExec=true\n");

    // What update-desktop-database writes from the MimeType keys; GIO reads the handlers from it.
    folder_->write("data/applications/mimeinfo.cache",
                   "[MIME Cache]\n"
                   "x-scheme-handler/https=org.example.Alpha.desktop;org.example.Beta.desktop;\n"
                   "x-scheme-handler/mailto=org.example.MailOne.desktop;org.example.MailTwo.desktop;\n"
                   "x-scheme-handler/x-ferrywise-test=org.example.Beta.desktop;\n");
    folder_->write("system/applications/mimeinfo.cache",
                   "[MIME Cache]\nx-scheme-handler/https=org.example.Gamma.desktop;\n");
    folder_->write("config/mimeapps.list",
                   "[Added Associations]\n"
                   "x-scheme-handler/https=org.example.Beta.desktop;\n"
                   "[Default Applications]\n"
                   "x-scheme-handler/https=org.example.Alpha.desktop\n"
                   "x-scheme-handler/mailto=org.example.MailOne.desktop\n"
                   "x-scheme-handler/x-ferrywise-test=org.example.Beta.desktop\n");
}

void DesktopSandbox::TearDown() {
    folder_.reset();
}

std::filesystem::path DesktopSandbox::userApplications() const {
    return root() / "data" / "applications";
}

std::filesystem::path DesktopSandbox::userConfig() const {
    return root() / "config";
}

std::filesystem::path DesktopSandbox::entry(std::string_view id) const {
    return userApplications() / (std::string(id) + ".desktop");
}

std::filesystem::path DesktopSandbox::sleeperProgram() const {
    return root() / "bin" / "fw-sleeper";
}

std::filesystem::path DesktopSandbox::output(std::string_view name) const {
    return root() / "out" / name;
}

std::optional<std::vector<std::string>> DesktopSandbox::awaitOutput(std::string_view name) const {
    auto path = output(name);
    if (!pollUntil([&] { return std::filesystem::exists(path); })) {
        return std::nullopt;
    }
    std::ifstream stream(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace ferrywise::testing
