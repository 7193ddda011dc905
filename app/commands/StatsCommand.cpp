// `ferrywise stats`: today's counts, as the settings page shows them.

#include "Commands.hpp"

namespace ferrywise::host {

void addStatsCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand("stats",
                                       "Show today's routed links, by hour, and the tracking parameters "
                                       "removed");
    command->callback([=] {
        choose([](Session& session) {
            auto& host = session.host();
            auto byHour = host.routing().routedByHour();
            session.out() << "Today: " << host.routing().routedToday() << " link(s) routed, "
                          << host.tracking().removedToday() << " tracking parameter(s) removed\n";
            std::int64_t most = 1;
            for (auto count : byHour) {
                most = std::max(most, count);
            }
            for (std::size_t hour = 0; hour < byHour.size(); ++hour) {
                if (byHour.at(hour) > 0) {
                    auto bar = static_cast<std::size_t>((byHour.at(hour) * 40 + most - 1) / most);
                    session.out() << (hour < 10 ? "0" : "") << hour << ":00  " << std::string(bar, '#') << ' '
                                  << byHour.at(hour) << '\n';
                }
            }
            return exitDone;
        });
    });
}

}  // namespace ferrywise::host
