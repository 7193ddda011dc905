#include "Commands.hpp"

namespace ferrywise::host {

void addStatsCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand(
        "stats", "Show today's routed links, by hour, and the tracking parameters removed");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`stats` is not built yet"); }); });
}

}  // namespace ferrywise::host
