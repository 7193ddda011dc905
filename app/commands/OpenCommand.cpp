// `ferrywise open URL`: the whole road of one link, from the opened URL to the window it lands in.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "Commands.hpp"
#include "host/LinkOpening.hpp"
#include "host/LinkRoad.hpp"
#include "host/TerminalPicker.hpp"

namespace ferrywise::host {

namespace {

struct OpenOptions {
    std::string url;
    std::optional<std::string> source;
    bool pick = false;
    bool window = false;
    std::optional<std::int64_t> reportFirstFrame;  // with the start of the first process, in steady ns
};

// Whether a program can connect to the Unix socket at `path` now.
bool listening(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), static_cast<char*>(address.sun_path));
    int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return false;
    }
    bool connected =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;  // NOLINT
    ::close(socket);
    return connected;
}

// The desktop can show a window: a Wayland or local X11 display that answers, a remote X11 display (as ssh
// forwards it), or a Qt platform chosen explicitly. A display named but gone (a stale DISPLAY in a
// service's environment) is no desktop: the link then goes to the fallback rather than to a window that
// cannot open.
bool desktopReachable() {
    auto variable = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    };
    // A Qt platform that draws without a display server (offscreen, a frame buffer, VNC).
    if (auto platform = variable("QT_QPA_PLATFORM");
        !platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland")) {
        return true;
    }
    if (auto wayland = variable("WAYLAND_DISPLAY"); !wayland.empty()) {
        if (listening(wayland.front() == '/' ? wayland : variable("XDG_RUNTIME_DIR") + "/" + wayland)) {
            return true;
        }
    }
    auto display = variable("DISPLAY");
    auto colon = display.rfind(':');
    if (colon == std::string::npos) {
        return false;
    }
    if (colon > 0 && display.compare(0, colon, "unix") != 0) {
        return true;  // host:n, reached over the network
    }
    auto number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    return listening("/tmp/.X11-unix/X" + number);
}

// Hands the link to ferrywise-window, the same host with the picker window, which sits beside this
// program: a window needs Qt, which this program does not load so that every other link stays fast.
// Returns only when that program cannot be started.
void handOverToWindow(const OpenOptions& options) {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "ferrywise-window";
    if (error || ::access(program.c_str(), X_OK) != 0) {
        return;
    }
    std::vector<std::string> words{program.string(), "open", "--window"};
    if (options.reportFirstFrame) {
        auto start = firstFrameReport().processStart.time_since_epoch();
        words.insert(words.end(),
                     {"--report-first-frame",
                      std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(start).count())});
    }
    if (options.source) {
        words.push_back("--source=" + *options.source);
    }
    if (options.pick) {
        words.emplace_back("--pick");
    }
    // After "--" the link is never read as an option, whatever it starts with.
    words.insert(words.end(), {"--", options.url});
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::cout.flush();
    std::cerr.flush();
    ::execv(program.c_str(), argv.data());
}

int runOpen(Session& session, const OpenOptions& options) {
    if (options.url.empty()) {
        return reportHandlerStatus(session);
    }
    if (options.reportFirstFrame) {
        auto& report = firstFrameReport();
        report.requested = true;
        if (*options.reportFirstFrame > 0) {
            report.processStart =
                std::chrono::steady_clock::time_point(std::chrono::nanoseconds(*options.reportFirstFrame));
        }
    }
    auto& host = session.host();
    auto decision = session.await(LinkRoad::decide(host, {options.url, options.source, options.pick}));
    auto input = PickerInput::terminalWhenAttached;
    const bool asks = decision.kind == RoadDecision::Kind::picker && !decision.candidates.empty();
    if (asks && (options.window || (!TerminalPicker::attached() && desktopReachable()))) {
        if (!hasWindowPicker()) {
            handOverToWindow(options);
            session.err()
                << "ferrywise: the picker window (ferrywise-window) is not installed beside ferrywise\n";
        }
        input = PickerInput::window;
    }
    if (decision.suspicion) {
        session.err() << "ferrywise: warning: " << decision.suspicion->shortMessage(host.localization())
                      << ": " << decision.suspicion->message(host.localization()) << '\n';
    }
    auto opened = openDecision(session, decision, input);
    if (!opened) {
        session.err() << "ferrywise: cancelled; the link was not opened\n";
        return exitCancelled;
    }
    session.out() << "Opened " << decision.processed.displaySummary() << " in " << opened->name << '\n';
    return exitDone;
}

}  // namespace

void addOpenCommand(CLI::App& app, const Choose& choose) {
    auto options = std::make_shared<OpenOptions>();
    auto* command = app.add_subcommand(
        "open",
        "Route a link and open it: unwrap, clean, resolve, check, then the rules, the fallback or the "
        "picker decide the browser or mail client (the desktop runs this for every link)");
    command->add_option("URL", options->url,
                        "The link (http, https, mailto, or a local .html file); without one, as at login, "
                        "only tells whether links still come to ferrywise");
    command->add_option("--source", options->source,
                        "Desktop ID of the application the link was opened in (rules can depend on it)");
    command->add_flag("--pick", options->pick, "Ask even when the settings would use the fallback");
    // For measuring: the picker window tells how long its first frame took (0: from this process's start).
    command->add_option("--report-first-frame", options->reportFirstFrame)->group("");
    command->add_flag(
        "--window", options->window,
        "Ask in the picker window even on a terminal (it is used anyway when the desktop starts "
        "ferrywise)");
    command->callback([=] { choose([options](Session& session) { return runOpen(session, *options); }); });
}

}  // namespace ferrywise::host
