#include "DesktopRegistration.hpp"

#include <cerrno>

#include <spawn.h>
#include <sys/wait.h>

#include "Session.hpp"

extern char** environ;

namespace ferrywise::host {

namespace {

namespace fs = std::filesystem;

// The characters for which the Desktop Entry rules want a word of Exec quoted.
constexpr std::string_view reservedInExec = " \t\n\"'\\><~|&;$*?#()`";
// The characters a backslash escapes inside a quoted word.
constexpr std::string_view escapedInQuotes = "\"`$\\";

constexpr std::string_view cacheProgram = "update-desktop-database";

}  // namespace

std::string execWord(std::string_view word) {
    bool quoted = word.empty() || word.find_first_of(reservedInExec) != std::string_view::npos;
    std::string text = quoted ? "\"" : "";
    for (char character : word) {
        if (character == '%') {
            text += "%%";
            continue;
        }
        if (quoted && escapedInQuotes.find(character) != std::string_view::npos) {
            text += '\\';
        }
        text += character;
    }
    return quoted ? text + "\"" : text;
}

std::string keyFileValue(std::string_view value) {
    std::string text;
    for (std::size_t at = 0; at < value.size(); ++at) {
        switch (value[at]) {
            case '\\':
                text += "\\\\";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            case ' ':
                // Only a leading blank would be taken for the space around "=".
                text += at == 0 ? "\\s" : " ";
                break;
            default:
                text += value[at];
        }
    }
    return text;
}

std::string desktopEntryText(const fs::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Ferrywise\n"
           "Comment=Sends every web and mail link to the browser or mail client it belongs to\n"
           "Exec=" +
           keyFileValue(execWord(executable.string()) + " open %u") +
           "\n"
           "MimeType=x-scheme-handler/http;x-scheme-handler/https;x-scheme-handler/mailto;\n"
           // A handler, not something to start from the menus.
           "NoDisplay=true\n"
           "Terminal=false\n";
}

fs::path runningExecutable() {
    std::error_code error;
    auto path = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw CommandFailure("cannot tell where the ferrywise program is: " + error.message());
    }
    // The kernel's mark for a program file removed or replaced since it started.
    constexpr std::string_view deleted = " (deleted)";
    if (path.string().ends_with(deleted)) {
        throw CommandFailure("the running ferrywise program was replaced since it started; run the new one");
    }
    return path;
}

std::optional<std::string> refreshDesktopCache(const fs::path& folder) {
    auto exitCode = runProgram({std::string(cacheProgram), folder.string()});
    if (!exitCode) {
        return std::string(cacheProgram) + " could not be started (install desktop-file-utils)";
    }
    if (*exitCode != 0) {
        return std::string(cacheProgram) + " failed with exit code " + std::to_string(*exitCode);
    }
    return std::nullopt;
}

std::optional<Url> installedBundleUrl(const HostContext& host) {
    std::error_code ignored;
    if (fs::is_regular_file(host.desktopEntryPath(), ignored)) {
        return Url::fromFilePath(host.desktopEntryPath());
    }
    return host.workspace()->urlForApplication(host.bundleIdentifier());
}

std::optional<int> runProgram(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    std::vector<std::string> words = argv;
    for (auto& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (argv.empty() || ::posix_spawnp(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
        return std::nullopt;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace ferrywise::host
