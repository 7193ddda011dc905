// `ferrywise settings`: every general setting, read and written by its stored key, each value checked
// before anything is written.

#include <functional>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/system/AppLanguage.hpp"

#include "Commands.hpp"

namespace ferrywise::host {

namespace {

using Values = std::vector<std::string>;

struct Setting {
    std::string_view key;
    std::string_view accepts;  // for messages and help
    std::function<std::string(HostContext&)> get;
    std::function<void(HostContext&, const Values&)> set;
};

std::string one(const Setting& setting, const Values& values) {
    if (values.size() != 1) {
        throw UsageFailure(std::string(setting.key) + " takes one value: " + std::string(setting.accepts));
    }
    return values.front();
}

// Items given as separate words or separated by commas; "none" alone clears.
Values items(const Values& values) {
    Values split;
    for (const auto& value : values) {
        std::size_t start = 0;
        for (auto comma = value.find(','); start <= value.size(); comma = value.find(',', start)) {
            auto item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!item.empty() && !(values.size() == 1 && item == "none")) {
                split.push_back(item);
            }
            start = comma == std::string::npos ? value.size() + 1 : comma + 1;
        }
    }
    return split;
}

std::string joined(const auto& values) {
    std::string text;
    for (const auto& value : values) {
        text += (text.empty() ? "" : ",") + value;
    }
    return text.empty() ? "none" : text;
}

Setting boolean(std::string_view key, bool (GeneralPreferences::*get)() const,
                void (GeneralPreferences::*set)(bool)) {
    Setting setting{key, "true or false", nullptr, nullptr};
    setting.get = [get](HostContext& host) { return (host.preferences().*get)() ? "true" : "false"; };
    setting.set = [setting, set](HostContext& host, const Values& values) {
        auto value = text::lowercased(one(setting, values));
        if (value == "true" || value == "on" || value == "yes" || value == "1") {
            (host.preferences().*set)(true);
        } else if (value == "false" || value == "off" || value == "no" || value == "0") {
            (host.preferences().*set)(false);
        } else {
            throw UsageFailure(std::string(setting.key) + " is true or false, not '" + values.front() + "'");
        }
    };
    return setting;
}

const std::vector<Setting>& settings() {
    using P = GeneralPreferences;
    static const std::vector<Setting> table = [] {
        std::vector<Setting> all{
            boolean(P::cleansTrackingParametersKey, &P::cleansTrackingParameters,
                    &P::setCleansTrackingParameters),
            boolean(P::resolvesShortLinksKey, &P::resolvesShortLinks, &P::setResolvesShortLinks),
            boolean(P::alwaysAsksKey, &P::alwaysAsks, &P::setAlwaysAsks),
            boolean(P::showsMenuBarIconKey, &P::showsMenuBarIcon, &P::setShowsMenuBarIcon),
            boolean(P::checksForUpdatesKey, &P::checksForUpdates, &P::setChecksForUpdates),
            boolean(P::syncEnabledKey, &P::syncEnabled, &P::setSyncEnabled),
            boolean(P::fetchesFaviconsKey, &P::fetchesFavicons, &P::setFetchesFavicons),
        };
        all.push_back({P::keptTrackingParametersKey, "parameter names (or none)",
                       [](HostContext& host) { return joined(host.preferences().keptTrackingParameters()); },
                       [](HostContext& host, const Values& values) {
                           host.preferences().setKeptTrackingParameters(items(values));
                       }});
        all.push_back({P::dismissedWarningHostsKey, "host names (or none)",
                       [](HostContext& host) { return joined(host.preferences().dismissedWarningHosts()); },
                       [](HostContext& host, const Values& values) {
                           std::set<std::string> hosts;
                           for (const auto& item : items(values)) {
                               hosts.insert(text::lowercased(item));
                           }
                           host.preferences().setDismissedWarningHosts(hosts);
                       }});
        Setting fallback{P::fallbackTargetKey, "an ID from `ferrywise apps`, or none", nullptr, nullptr};
        fallback.get = [](HostContext& host) { return host.preferences().fallbackTarget().value_or("none"); };
        fallback.set = [fallback](HostContext& host, const Values& values) {
            auto id = one(fallback, values);
            if (id == "none") {
                host.preferences().setFallbackTarget(std::nullopt);
                return;
            }
            for (auto kind : {LinkScheme::Kind::web, LinkScheme::Kind::mail}) {
                for (const auto& application : host.applications().allApplicationsIncludingPersonas(kind)) {
                    if (application.id() == id) {
                        host.preferences().setFallbackTarget(id);
                        return;
                    }
                }
            }
            throw CommandFailure("no browser or mail client has the ID '" + id +
                                 "'; `ferrywise apps` lists them");
        };
        all.push_back(fallback);
        Setting style{P::pickerStyleKey, "classic or ring", nullptr, nullptr};
        style.get = [](HostContext& host) {
            return std::string(host.preferences().pickerStyle().rawValue());
        };
        style.set = [style](HostContext& host, const Values& values) {
            auto value = PickerPresentationStyle::fromRawValue(one(style, values));
            if (!value) {
                throw UsageFailure("pickerStyle is classic or ring, not '" + values.front() + "'");
            }
            host.preferences().setPickerStyle(*value);
        };
        all.push_back(style);
        Setting ring{P::ringMaximumCandidatesKey, "a whole number from 4 to 10", nullptr, nullptr};
        ring.get = [](HostContext& host) {
            return std::to_string(host.preferences().ringMaximumCandidates());
        };
        ring.set = [ring](HostContext& host, const Values& values) {
            auto value = one(ring, values);
            auto range = P::ringMaximumCandidatesRange;
            std::size_t used = 0;
            long long number = 0;
            try {
                number = std::stoll(value, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != value.size() || !range.contains(number)) {
                throw UsageFailure("ringMaximumCandidates is a whole number from 4 to 10, not '" + value +
                                   "'");
            }
            host.preferences().setRingMaximumCandidates(number);
        };
        all.push_back(ring);
        Setting language{P::preferredLanguageKey, "system, en or zh-Hans", nullptr, nullptr};
        language.get = [](HostContext& host) {
            return host.preferences().preferredLanguage().value_or("system");
        };
        language.set = [language](HostContext& host, const Values& values) {
            auto value = AppLanguage::fromRawValue(one(language, values));
            if (!value) {
                throw UsageFailure("AppleLanguages is system, en or zh-Hans, not '" + values.front() + "'");
            }
            auto code = value->languageCode();
            host.preferences().setPreferredLanguage(code ? std::optional<std::string>(*code) : std::nullopt);
        };
        all.push_back(language);
        Setting build{P::accessibilityGrantedToBuildKey, "a build identity, or none", nullptr, nullptr};
        build.get = [](HostContext& host) {
            return host.preferences().accessibilityGrantedToBuild().value_or("none");
        };
        build.set = [build](HostContext& host, const Values& values) {
            auto value = one(build, values);
            host.preferences().setAccessibilityGrantedToBuild(
                value == "none" ? std::nullopt : std::optional<std::string>(value));
        };
        all.push_back(build);
        return all;
    }();
    return table;
}

const Setting& setting(const std::string& key) {
    for (const auto& candidate : settings()) {
        if (candidate.key == key) {
            return candidate;
        }
    }
    std::string keys;
    for (const auto& candidate : settings()) {
        keys += (keys.empty() ? "" : ", ") + std::string(candidate.key);
    }
    throw UsageFailure("there is no setting '" + key + "'; the settings are " + keys);
}

}  // namespace

void addSettingsCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand("settings",
                                       "Read and change the general settings (all of them without "
                                       "a sub-command)");
    command->callback([=] {
        if (command->get_subcommands().empty()) {
            choose([](Session& session) {
                for (const auto& entry : settings()) {
                    session.out() << entry.key << " = " << entry.get(session.host()) << '\n';
                }
                return exitDone;
            });
        }
    });
    auto key = std::make_shared<std::string>();
    auto* get = command->add_subcommand("get", "Print one setting's value");
    get->add_option("KEY", *key, "The setting's key")->required();
    get->callback([=] {
        choose([key](Session& session) {
            session.out() << setting(*key).get(session.host()) << '\n';
            return exitDone;
        });
    });
    auto values = std::make_shared<std::pair<std::string, Values>>();
    auto* set = command->add_subcommand("set", "Change one setting (lists: several values, or none)");
    set->add_option("KEY", values->first, "The setting's key")->required();
    set->add_option("VALUE", values->second, "The new value")->required();
    set->callback([=] {
        choose([values](Session& session) {
            const auto& entry = setting(values->first);
            entry.set(session.host(), values->second);
            session.out() << entry.key << " = " << entry.get(session.host()) << '\n';
            return exitDone;
        });
    });
}

}  // namespace ferrywise::host
