#include "ferrywise/system/AppLanguage.hpp"

namespace ferrywise {

std::optional<AppLanguage> AppLanguage::fromRawValue(std::string_view rawValue) {
    for (auto language : allCases()) {
        if (language.rawValue() == rawValue) {
            return language;
        }
    }
    return std::nullopt;
}

const std::array<AppLanguage, 3>& AppLanguage::allCases() noexcept {
    static constexpr std::array<AppLanguage, 3> cases{system, english, simplifiedChinese};
    return cases;
}

AppLanguage AppLanguage::fromLanguageCode(std::optional<std::string_view> code) {
    if (!code) {
        return system;
    }
    for (AppLanguage language : {english, simplifiedChinese}) {
        auto own = *language.languageCode();
        // A region or script may follow ("en-GB"), but "english" or "zh-Hant" is not a match.
        if (code->starts_with(own) && (code->size() == own.size() || (*code)[own.size()] == '-')) {
            return language;
        }
    }
    return system;
}

std::string_view AppLanguage::rawValue() const noexcept {
    switch (value_) {
        case english:
            return "en";
        case simplifiedChinese:
            return "zh-Hans";
        case system:
            break;
    }
    return "system";
}

std::optional<std::string_view> AppLanguage::languageCode() const noexcept {
    if (value_ == system) {
        return std::nullopt;
    }
    return rawValue();
}

std::string AppLanguage::displayName(const Localization& localization) const {
    switch (value_) {
        case english:
            return "English";
        case simplifiedChinese:
            return "简体中文";
        case system:
            break;
    }
    return localization.text("Follow system");
}

}  // namespace ferrywise
