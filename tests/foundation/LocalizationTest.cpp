#include "ferrywise/foundation/Localization.hpp"

#include <memory>
#include <tuple>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(Localization, SimplifiedChineseLocalesReadChineseAndEveryOtherLocaleEnglishOrTheKey) {
    for (const char* name : {"zh_CN.UTF-8", "zh-Hans-HK", "zh_SG@euro", "zh", "ZH-hans"}) {
        EXPECT_EQ(Localization(name).catalogueName(), "zh_CN") << name;
    }
    for (const char* name : {"zh_HK.UTF-8", "zh-Hant-CN", "fr_FR.UTF-8", "", "-CN"}) {
        EXPECT_EQ(Localization(name).catalogueName(), "en") << name;
    }
    Localization chinese("zh-Hans");
    Localization english("fr_FR.UTF-8");
    using Text = std::tuple<const char*, const char*, const char*>;
    // A missing translation gives the key.
    for (const auto& [key, inChinese, inEnglish] :
         {Text{"Private (short)", "隐私", "Private"}, Text{"No such text", "No such text", "No such text"},
          Text{"", "", ""}}) {
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
    EXPECT_EQ(Localization("zh_CN").format("%@: Web", {"网页"}), "网页: Web");
    EXPECT_EQ(fillPlaceholders("%@ and %@", {"one"}), "one and %@");
    EXPECT_EQ(fillPlaceholders("%@ then %@", {"%@", "x"}), "%@ then x");
    EXPECT_EQ(fillPlaceholders("100% %@%", {"sure"}), "100% sure%");
}

}  // namespace
}  // namespace ferrywise
