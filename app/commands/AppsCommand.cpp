// `ferrywise apps`: the browsers and mail clients offered for links, in the user's order, with their
// private windows and profiles; and the changes the settings page makes: order, hide, show, promote a
// profile to an entry of its own, profile mode.

#include "Commands.hpp"

namespace ferrywise::host {

namespace {

const std::array<LinkScheme::Kind, 2> families{LinkScheme::Kind::web, LinkScheme::Kind::mail};

// The entry with this id in either family, profiles and private windows included.
DiscoveredApplication find(ApplicationDirectory& directory, const std::string& id) {
    for (auto kind : families) {
        for (auto& application : directory.allApplicationsIncludingPersonas(kind)) {
            if (application.id() == id) {
                return application;
            }
        }
    }
    throw CommandFailure("no browser or mail client has the ID '" + id + "'; `ferrywise apps` lists them");
}

nlohmann::json entryJson(const ApplicationDirectory& directory, const DiscoveredApplication& application) {
    nlohmann::json personas = nlohmann::json::array();
    for (const auto& persona : application.profileVariants()) {
        personas.push_back(
            {{"id", persona.id()}, {"name", persona.name()}, {"promoted", directory.isPromoted(persona)}});
    }
    return {{"id", application.id()},
            {"name", application.name()},
            {"hidden", directory.isHidden(application)},
            {"private", application.variant().isPrivate()},
            {"profileMode", directory.isProfileModeOn(application)},
            {"personas", personas}};
}

int list(Session& session, bool json) {
    auto& directory = session.host().applications();
    nlohmann::json all = nlohmann::json::object();
    for (auto kind : families) {
        auto& family = all[std::string(kind.rawValue())] = nlohmann::json::array();
        for (const auto& application : directory.allApplications(kind)) {
            family.push_back(entryJson(directory, application));
        }
    }
    if (json) {
        session.out() << all.dump(2) << '\n';
        return exitDone;
    }
    for (auto kind : families) {
        session.out() << (kind == LinkScheme::Kind::web ? "Web links:\n" : "Mail links:\n");
        int position = 0;
        for (const auto& entry : all[std::string(kind.rawValue())]) {
            session.out() << "  " << ++position << ". " << entry["name"].get<std::string>() << "  ("
                          << entry["id"].get<std::string>() << ")" << (entry["hidden"] ? "  hidden" : "")
                          << (entry["profileMode"] ? "  profile mode" : "") << '\n';
            for (const auto& persona : entry["personas"]) {
                session.out() << "       " << persona["name"].get<std::string>() << "  ("
                              << persona["id"].get<std::string>() << ")"
                              << (persona["promoted"] ? "  promoted" : "") << '\n';
            }
        }
        if (position == 0) {
            session.out() << "  (none installed)\n";
        }
    }
    return exitDone;
}

// A sub-command taking one entry's id and changing it through `change`.
template <typename Change>
void addEntryCommand(CLI::App& apps, const Choose& choose, const std::string& name, const std::string& help,
                     Change change) {
    auto id = std::make_shared<std::string>();
    auto* command = apps.add_subcommand(name, help);
    command->add_option("ID", *id, "The entry's ID as `ferrywise apps` lists it")->required();
    command->callback([=] {
        choose([=](Session& session) {
            auto& directory = session.host().applications();
            auto application = find(directory, *id);
            session.out() << change(directory, application) << '\n';
            return exitDone;
        });
    });
}

}  // namespace

void addAppsCommand(CLI::App& app, const Choose& choose) {
    auto* command =
        app.add_subcommand("apps", "Show and arrange the browsers and mail clients offered for links");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "List them as JSON");
    command->callback([=] {
        if (command->get_subcommands().empty()) {
            choose([json](Session& session) { return list(session, *json); });
        }
    });

    addEntryCommand(*command, choose, "hide", "Hide an entry from the picker",
                    [](ApplicationDirectory& directory, const DiscoveredApplication& application) {
                        directory.setHidden(true, application);
                        return "Hidden: " + application.name();
                    });
    addEntryCommand(*command, choose, "show", "Show a hidden entry again, after the visible ones",
                    [](ApplicationDirectory& directory, const DiscoveredApplication& application) {
                        directory.setHidden(false, application);
                        return "Shown: " + application.name();
                    });
    auto persona = [](bool promoted) {
        return [promoted](ApplicationDirectory& directory, const DiscoveredApplication& application) {
            if (!application.variant().isPersona()) {
                throw CommandFailure("'" + application.id() + "' is not a browser profile or space");
            }
            directory.setPromoted(promoted, application);
            return (promoted ? "Promoted: " : "Demoted: ") + application.name();
        };
    };
    addEntryCommand(*command, choose, "promote", "Offer a browser profile as an entry of its own",
                    persona(true));
    addEntryCommand(*command, choose, "demote", "Stop offering a browser profile as an entry of its own",
                    persona(false));

    auto mode = std::make_shared<std::pair<std::string, std::string>>();
    auto* profileMode = command->add_subcommand("profile-mode", "Turn a browser's profile mode on or off");
    profileMode->add_option("ID", mode->first, "The browser's ID")->required();
    profileMode->add_option("STATE", mode->second, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));
    profileMode->callback([=] {
        choose([mode](Session& session) {
            auto& directory = session.host().applications();
            auto application = find(directory, mode->first);
            directory.setProfileMode(mode->second == "on", application);
            session.out() << "Profile mode " << mode->second << ": " << application.name() << '\n';
            return exitDone;
        });
    });

    auto order = std::make_shared<std::pair<std::string, std::vector<std::string>>>();
    auto* orderCommand = command->add_subcommand(
        "order", "Put entries first, in this order; the others follow in their current order");
    orderCommand->add_option("FAMILY", order->first, "web or mail")
        ->required()
        ->check(CLI::IsMember({"web", "mail"}));
    orderCommand->add_option("ID", order->second, "The entries' IDs")->required();
    orderCommand->callback([=] {
        choose([order](Session& session) {
            auto& directory = session.host().applications();
            auto kind = *LinkScheme::Kind::fromRawValue(order->first);
            std::vector<std::string> ids;
            for (const auto& id : order->second) {
                auto application = find(directory, id);
                if (application.kind() != kind) {
                    throw CommandFailure("'" + id + "' does not handle " + order->first + " links");
                }
                ids.push_back(application.id());
            }
            for (const auto& application : directory.allApplications(kind)) {
                if (std::find(ids.begin(), ids.end(), application.id()) == ids.end()) {
                    ids.push_back(application.id());
                }
            }
            directory.setOrder(ids, kind);
            session.out() << "Order of " << order->first << " links saved\n";
            return exitDone;
        });
    });
}

}  // namespace ferrywise::host
