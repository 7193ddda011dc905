#pragma once

// Localization looks user-facing texts up in the library's own message catalogues (gettext catalogues
// built from resources/po/ and embedded in the library). The English text is the key; a missing
// translation gives the key itself. Texts with values use "%@", one per value, filled in order:
//
//   Localization chinese("zh_CN");
//   chinese.text("Web links");                         // "网页链接"
//   chinese.format("Opened in %@ instead", {"Firefox"});

#include <initializer_list>
#include <locale>
#include <string>
#include <string_view>
#include <vector>

namespace boost::locale {
template <typename CharType>
class message_format;
}

namespace ferrywise {

class Localization {
  public:
    // The catalogue for a POSIX or BCP 47 locale name ("zh_CN.UTF-8", "zh-Hans", "en"). Names without a
    // catalogue read English. Simplified Chinese ("zh_CN", "zh_SG", "zh-Hans...") shares one
    // catalogue.
    explicit Localization(std::string_view localeName);

    // English: every key is its own text.
    [[nodiscard]] static Localization english() { return Localization("en"); }

    // The process's localisation: the one set last, else the one the environment names (LANGUAGE,
    // LC_ALL, LC_MESSAGES, LANG), read on first use. Thread-safe.
    [[nodiscard]] static Localization current();
    static void setCurrent(Localization localization);

    // The locale the catalogue was chosen for, as given.
    [[nodiscard]] const std::string& localeName() const noexcept { return localeName_; }

    // The language code of the catalogue in use ("zh_CN"), or "en" when the keys are used.
    [[nodiscard]] const std::string& catalogueName() const noexcept { return catalogueName_; }

    // The translation of `key`, or the key itself.
    [[nodiscard]] std::string text(std::string_view key) const;

    // The translation of `key` with each "%@" replaced by the next value; extra "%@" stay as they are.
    [[nodiscard]] std::string format(std::string_view key,
                                     std::initializer_list<std::string_view> values) const;

    // The names of the embedded catalogues besides English.
    [[nodiscard]] static std::vector<std::string> catalogueNames();

  private:
    std::string localeName_;
    std::string catalogueName_;
    std::locale catalogue_;  // owns the messages facet
    const boost::locale::message_format<char>* messages_ = nullptr;
};

// Replaces each "%@" in `text` with the next value, in order.
[[nodiscard]] std::string fillPlaceholders(std::string_view text,
                                           std::initializer_list<std::string_view> values);

}  // namespace ferrywise
