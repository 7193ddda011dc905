#pragma once

// The sub-commands of `ferrywise`. Each add* function declares one command (its options and --help) on
// the application and, when the command line chose it, hands its action to `choose`; main runs the chosen
// action after parsing, so that a usage error never starts half a command.

#include <functional>

#include <CLI/CLI.hpp>

#include "host/Session.hpp"

namespace ferrywise::host {

using Action = std::function<int(Session&)>;
using Choose = std::function<void(Action)>;

void addOpenCommand(CLI::App& app, const Choose& choose);
void addRouteCommand(CLI::App& app, const Choose& choose);
void addRulesCommand(CLI::App& app, const Choose& choose);
void addAppsCommand(CLI::App& app, const Choose& choose);
void addSettingsCommand(CLI::App& app, const Choose& choose);
void addStatsCommand(CLI::App& app, const Choose& choose);
void addDefaultCommand(CLI::App& app, const Choose& choose);
void addLoginItemCommand(CLI::App& app, const Choose& choose);
void addInstallCommands(CLI::App& app, const Choose& choose);
void addDemoCommand(CLI::App& app, const Choose& choose);

// What `ferrywise open` does when started without a link, as the login item starts it: tells whether web
// and mail links still come to ferrywise, on standard error. Returns the exit code.
int reportHandlerStatus(Session& session);

}  // namespace ferrywise::host
