#include "ferrywise/foundation/Localization.hpp"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

#include <boost/locale/gnu_gettext.hpp>
#include <boost/locale/message.hpp>

#include "ferrywise/foundation/EmbeddedCatalogs.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

constexpr const char* kDomain = "ferrywise";

// Maps a locale name to the embedded catalogue that serves it, if any.
std::optional<std::string> catalogueFor(std::string_view localeName) {
    auto name = localeName.substr(0, localeName.find_first_of(".@"));
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        auto end = name.find_first_of("_-", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        parts.push_back(text::lowercased(name.substr(start, end - start)));
        start = end + 1;
    }
    if (parts.empty() || parts[0].empty()) {
        return std::nullopt;
    }
    const auto& language = parts[0];
    if (language == "zh") {
        // Simplified Chinese: the Hans script, or no script and a region other than Taiwan, Hong Kong and
        // Macao. A named script wins over the region ("zh-Hant-CN" is Traditional).
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (parts[i] == "hans") {
                return "zh_CN";
            }
            if (parts[i] == "hant") {
                return std::nullopt;
            }
        }
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (parts[i] == "tw" || parts[i] == "hk" || parts[i] == "mo") {
                return std::nullopt;
            }
        }
        return "zh_CN";
    }
    for (const auto& catalogue : embeddedCatalogs()) {
        if (text::lowercased(catalogue.name) == language) {
            return std::string(catalogue.name);
        }
    }
    return std::nullopt;
}

std::locale loadCatalogue(const std::string& catalogue) {
    boost::locale::gnu_gettext::messages_info info;
    auto underscore = catalogue.find('_');
    info.language = catalogue.substr(0, underscore);
    if (underscore != std::string::npos) {
        info.country = catalogue.substr(underscore + 1);
    }
    info.encoding = "UTF-8";
    info.domains.emplace_back(kDomain);
    info.paths.emplace_back("embedded");
    info.callback = [](const std::string& fileName, const std::string&) -> std::vector<char> {
        // Boost asks for "embedded/<language>[_<COUNTRY>]/LC_MESSAGES/ferrywise.mo".
        for (const auto& entry : embeddedCatalogs()) {
            auto expected = "embedded/" + std::string(entry.name) + "/LC_MESSAGES/" + kDomain + ".mo";
            if (fileName == expected) {
                return std::vector<char>(entry.data, entry.data + entry.size);
            }
        }
        return {};
    };
    // The locale owns the facet and deletes it with its last copy.
    return std::locale(std::locale::classic(), boost::locale::gnu_gettext::create_messages_facet<char>(info));
}

// Catalogues are parsed once per process and shared by every Localization for that language.
std::locale sharedCatalogue(const std::string& catalogue) {
    static std::mutex mutex;
    static std::vector<std::pair<std::string, std::locale>> loaded;
    std::lock_guard lock(mutex);
    for (const auto& [name, messages] : loaded) {
        if (name == catalogue) {
            return messages;
        }
    }
    auto messages = loadCatalogue(catalogue);
    loaded.emplace_back(catalogue, messages);
    return messages;
}

std::string environmentLocale() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            std::string_view text(value);
            return std::string(text.substr(0, text.find(':')));
        }
    }
    return "en";
}

struct CurrentState {
    std::mutex mutex;
    std::optional<Localization> localization;
};

CurrentState& currentState() {
    static CurrentState state;
    return state;
}

}  // namespace

Localization::Localization(std::string_view localeName) : localeName_(localeName), catalogueName_("en") {
    // Languages without a catalogue read English, which has its own catalogue for keys that are not
    // themselves the text to show ("Private (short)").
    auto catalogue = catalogueFor(localeName).value_or("en");
    catalogue_ = sharedCatalogue(catalogue);
    if (std::has_facet<boost::locale::message_format<char>>(catalogue_)) {
        messages_ = &std::use_facet<boost::locale::message_format<char>>(catalogue_);
        catalogueName_ = catalogue;
    }
}

Localization Localization::current() {
    auto& state = currentState();
    std::lock_guard lock(state.mutex);
    if (!state.localization) {
        state.localization.emplace(environmentLocale());
    }
    return *state.localization;
}

void Localization::setCurrent(Localization localization) {
    auto& state = currentState();
    std::lock_guard lock(state.mutex);
    state.localization = std::move(localization);
}

std::string Localization::text(std::string_view key) const {
    // The empty key is gettext's catalogue header, never a text to show.
    if (messages_ && !key.empty()) {
        std::string id(key);
        if (const char* translated = messages_->get(0, nullptr, id.c_str()); translated != nullptr) {
            return translated;
        }
    }
    return std::string(key);
}

std::string Localization::format(std::string_view key, std::initializer_list<std::string_view> values) const {
    return fillPlaceholders(text(key), values);
}

std::vector<std::string> Localization::catalogueNames() {
    std::vector<std::string> names;
    for (const auto& catalogue : embeddedCatalogs()) {
        if (catalogue.name != "en") {
            names.emplace_back(catalogue.name);
        }
    }
    return names;
}

std::string fillPlaceholders(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string result;
    result.reserve(text.size());
    auto value = values.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '@' && value != values.end()) {
            result += *value++;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace ferrywise
