#include "ferrywise/foundation/Localization.hpp"

#include <memory>
#include <tuple>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(Localization, SimplifiedChineseLocalesReadChineseAndEveryOtherLocaleEnglishOrTheKey) {
    for (const char* name : {"zh_CN", "zh_CN.UTF-8", "zh_CN@euro", "zh-Hans", "zh-Hans-HK", "zh_SG", "zh",
                             "ZH-hans", "zh_Hans_TW"}) {
        EXPECT_EQ(Localization(name).catalogueName(), "zh_CN") << name;
    }
    for (const char* name :
         {"zh_TW", "zh-Hant", "zh_HK.UTF-8", "zh-Hant-CN", "fr_FR.UTF-8", "en_GB", "C", "", "-CN", "_"}) {
        EXPECT_EQ(Localization(name).catalogueName(), "en") << name;
    }
    Localization chinese("zh-Hans");
    Localization english("fr_FR.UTF-8");
    using Text = std::tuple<const char*, const char*, const char*>;
    // A missing translation gives the key.
    for (const auto& [key, inChinese, inEnglish] :
         {Text{"Web links", "网页链接", "Web links"}, Text{"Private (short)", "隐私", "Private"},
          Text{"Private", "隐私模式", "Private"}, Text{"No such text", "No such text", "No such text"},
          Text{"web links", "web links", "web links"}, Text{"", "", ""}}) {
        EXPECT_EQ(chinese.text(key), inChinese) << key;
        EXPECT_EQ(english.text(key), inEnglish) << key;
    }
    // Copies keep the catalogue when the original is gone.
    auto original = std::make_unique<Localization>("zh_CN");
    Localization copy = *original;
    original.reset();
    EXPECT_EQ(copy.text("Incognito"), "无痕模式");
}

TEST(Localization, FormatFillsPlaceholdersInOrderAndNeverRefillsValues) {
    EXPECT_EQ(Localization::english().format("Opened in %@ instead of %@", {"Firefox", "Safari"}),
              "Opened in Firefox instead of Safari");
    EXPECT_EQ(Localization("zh_CN").format("%@: Web", {"网页"}), "网页: Web");
    EXPECT_EQ(fillPlaceholders("%@ and %@", {"one"}), "one and %@");
    EXPECT_EQ(fillPlaceholders("%@", {"a", "b"}), "a");
    EXPECT_EQ(fillPlaceholders("%@ then %@", {"%@", "x"}), "%@ then x");
    EXPECT_EQ(fillPlaceholders("100% %@%", {"sure"}), "100% sure%");
    EXPECT_EQ(fillPlaceholders("", {"a"}), "");
}

}  // namespace
}  // namespace ferrywise
