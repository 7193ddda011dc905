// ferrywise: the link router's host on the command line. The desktop runs `ferrywise open URL` for every
// web and mail link once `ferrywise install` and `ferrywise default` made it the handler; the other
// commands look at and change the rules, the applications, the settings and the registration.

#include <iostream>

#include <CLI/CLI.hpp>
#include <unistd.h>

#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

#include "commands/Commands.hpp"
#include "host/CachedWorkspace.hpp"
#include "host/HostLog.hpp"
#include "host/LinkOpening.hpp"
#include "host/LinkRoad.hpp"
#include "host/TerminalText.hpp"
#ifdef FERRYWISE_WINDOW
#include "picker/WindowPicker.hpp"
#endif

using namespace ferrywise;
using namespace ferrywise::host;

int main(int argc, char** argv) {
    // Names and links from outside reach the terminal as text, never as its control sequences.
    PrintableOutput printableOut(std::cout, STDOUT_FILENO);
    PrintableOutput printableErr(std::cerr, STDERR_FILENO);
    (void)firstFrameReport();  // its clock starts with the process
#ifdef FERRYWISE_WINDOW
    setWindowPicker(picker::showPickerWindow);
#endif
    Log::setSink(std::make_shared<HostLogSink>(makeSyslogSink(), std::cerr));
    CLI::App app("Sends every web and mail link to the browser or mail client it belongs to.", "ferrywise");
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every command");
    Action action;
    Choose choose = [&action](Action chosen) { action = std::move(chosen); };
    addOpenCommand(app, choose);
    addRouteCommand(app, choose);
    addRulesCommand(app, choose);
    addAppsCommand(app, choose);
    addSettingsCommand(app, choose);
    addStatsCommand(app, choose);
    addDefaultCommand(app, choose);
    addLoginItemCommand(app, choose);
    addInstallCommands(app, choose);
    addDemoCommand(app, choose);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return exitUsage;
    }

    Session session(
        [] {
            auto paths = Paths::fromEnvironment();
            auto workspace = std::make_shared<CachedWorkspace>(
                [] { return freedesktop::makeDesktopWorkspace(); }, paths.cachesFolder() / "Registry.json");
            return std::make_unique<HostContext>(paths, workspace);
        },
        std::cout, std::cerr);
    try {
        return action ? action(session) : exitUsage;
    } catch (const UsageFailure& error) {
        std::cerr << "ferrywise: " << error.what() << "\nRun with --help for usage.\n";
        return exitUsage;
    } catch (const std::exception& error) {
        std::cerr << "ferrywise: " << error.what() << '\n';
        return exitFailure;
    }
}
