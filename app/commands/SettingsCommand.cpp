#include "Commands.hpp"

namespace ferrywise::host {

void addSettingsCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand("settings", "Read and change the general settings");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`settings` is not built yet"); }); });
}

}  // namespace ferrywise::host
