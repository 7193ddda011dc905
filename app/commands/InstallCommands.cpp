#include "Commands.hpp"

namespace ferrywise::host {

void addInstallCommands(CLI::App& app, const Choose& choose) {
    for (auto [name, description] :
         {std::pair{"install", "Install ferrywise as a desktop application that handles web and mail links"},
          std::pair{
              "uninstall",
              "Remove ferrywise's desktop entry and give the links back to the browser that had them"}}) {
        auto* command = app.add_subcommand(name, description);
        command->callback([=, name = std::string(name)] {
            choose([name](Session&) -> int { throw CommandFailure("`" + name + "` is not built yet"); });
        });
    }
}

}  // namespace ferrywise::host
