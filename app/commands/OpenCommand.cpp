// `ferrywise open URL`: the whole road of one link, from the opened URL to the window it lands in.

#include <cstdlib>
#include <filesystem>
#include <iostream>

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

// The desktop shows windows here: an X11 or Wayland display is named.
bool desktopReachable() {
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
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
        words.insert(words.end(), {"--source", *options.source});
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
