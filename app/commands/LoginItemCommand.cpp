#include "Commands.hpp"

namespace ferrywise::host {

void addLoginItemCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand("login-item", "Show, enable or disable starting ferrywise at login");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`login-item` is not built yet"); }); });
}

}  // namespace ferrywise::host
