#include "Commands.hpp"

namespace ferrywise::host {

void addRulesCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand(
        "rules", "Show, add and remove the rules that send links to a browser or mail client");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`rules` is not built yet"); }); });
}

}  // namespace ferrywise::host
