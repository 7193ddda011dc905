#include "ferrywise/foundation/Localization.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(Localization, LocaleNamesChooseTheSimplifiedChineseCatalogue) {
    for (const char* name : {"zh_CN", "zh_CN.UTF-8", "zh_CN@euro", "zh-Hans", "zh-Hans-HK", "zh_SG", "zh",
                             "ZH-hans", "zh_Hans_TW"}) {
        Localization localization(name);
        EXPECT_EQ(localization.catalogueName(), "zh_CN") << name;
        EXPECT_EQ(localization.localeName(), name);
        EXPECT_EQ(localization.text("Web links"), "网页链接") << name;
    }
}

TEST(Localization, TraditionalChineseAndOtherLanguagesReadEnglish) {
    for (const char* name :
         {"zh_TW", "zh-Hant", "zh_HK.UTF-8", "zh-Hant-CN", "fr_FR.UTF-8", "en_GB", "C", "", "-CN", "_"}) {
        Localization localization(name);
        EXPECT_EQ(localization.catalogueName(), "en") << name;
        EXPECT_EQ(localization.text("Web links"), "Web links") << name;
        EXPECT_EQ(localization.text("Private (short)"), "Private") << name;
    }
}

TEST(Localization, EnglishCatalogueShortensThePrivateMode) {
    EXPECT_EQ(Localization::english().text("Private (short)"), "Private");
    EXPECT_EQ(Localization::english().text("Private"), "Private");
    EXPECT_EQ(Localization("zh_CN").text("Private (short)"), "隐私");
    EXPECT_EQ(Localization("zh_CN").text("Private"), "隐私模式");
}

TEST(Localization, MissingTranslationGivesTheKey) {
    Localization chinese("zh_CN");
    EXPECT_EQ(chinese.text("No such text"), "No such text");
    EXPECT_EQ(chinese.text(""), "");
    EXPECT_EQ(chinese.text("web links"), "web links");
}

TEST(Localization, FormatFillsPlaceholdersInOrder) {
    EXPECT_EQ(Localization::english().format("Opened in %@ instead of %@", {"Firefox", "Safari"}),
              "Opened in Firefox instead of Safari");
    EXPECT_EQ(Localization("zh_CN").format("%@: Web", {"网页"}), "网页: Web");
}

TEST(Localization, FillPlaceholdersLeavesExtrasAndNeverRefillsValues) {
    EXPECT_EQ(fillPlaceholders("%@ and %@", {"one"}), "one and %@");
    EXPECT_EQ(fillPlaceholders("%@", {"a", "b"}), "a");
    EXPECT_EQ(fillPlaceholders("%@ then %@", {"%@", "x"}), "%@ then x");
    EXPECT_EQ(fillPlaceholders("100% %@%", {"sure"}), "100% sure%");
    EXPECT_EQ(fillPlaceholders("", {"a"}), "");
}

TEST(Localization, CurrentIsTheOneSetLast) {
    auto previous = Localization::current();
    Localization::setCurrent(Localization("zh-Hans"));
    EXPECT_EQ(Localization::current().catalogueName(), "zh_CN");
    EXPECT_EQ(Localization::current().text("Email"), "邮件");
    Localization::setCurrent(Localization::english());
    EXPECT_EQ(Localization::current().text("Email"), "Email");
    Localization::setCurrent(previous);
}

TEST(Localization, CopiesKeepTheirCatalogue) {
    std::vector<Localization> copies;
    {
        Localization chinese("zh_CN");
        copies.assign(3, chinese);
    }
    EXPECT_EQ(copies.back().text("Incognito"), "无痕模式");
}

TEST(Localization, CatalogueNamesListTheTranslationsBesidesEnglish) {
    EXPECT_EQ(Localization::catalogueNames(), std::vector<std::string>{"zh_CN"});
}

}  // namespace
}  // namespace ferrywise
