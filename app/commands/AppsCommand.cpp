#include "Commands.hpp"

namespace ferrywise::host {

void addAppsCommand(CLI::App& app, const Choose& choose) {
    auto* command =
        app.add_subcommand("apps", "Show and arrange the browsers and mail clients offered for links");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`apps` is not built yet"); }); });
}

}  // namespace ferrywise::host
