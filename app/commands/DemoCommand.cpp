#include "Commands.hpp"

namespace ferrywise::host {

void addDemoCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand(
        "demo", "Route sample links in a throw-away sandbox and show what each browser received");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`demo` is not built yet"); }); });
}

}  // namespace ferrywise::host
