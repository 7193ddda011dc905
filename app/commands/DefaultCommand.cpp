#include "Commands.hpp"

namespace ferrywise::host {

void addDefaultCommand(CLI::App& app, const Choose& choose) {
    auto* command =
        app.add_subcommand("default", "Show or make ferrywise the desktop's handler of web and mail links");
    command->callback(
        [=] { choose([](Session&) -> int { throw CommandFailure("`default` is not built yet"); }); });
}

int reportHandlerStatus(Session& session) {
    session.err() << "ferrywise: started without a link; nothing to open\n";
    return exitDone;
}

}  // namespace ferrywise::host
