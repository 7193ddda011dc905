#include "ferrywise/rules/LinkRuleStore.hpp"

#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;

class LinkRuleStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { previousSink_ = Log::setSink(sink); }
    void TearDown() override { Log::setSink(previousSink_); }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    testing::TemporaryFolder folder;
    fs::path file = folder.path() / "data" / "com.example.host" / "LinkRules.json";
    LinkRuleStore store{Url::fromFilePath(file)};

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(LinkRuleStoreTest, DefaultFileIsInTheHostsApplicationSupportFolder) {
    EXPECT_EQ(LinkRuleStore::defaultFileUrl(Paths::underRoot(folder.path(), "com.example.host")),
              store.fileUrl());
    EXPECT_EQ(LinkRuleStore::defaultFileUrl(""),
              LinkRuleStore::defaultFileUrl(std::string(LinkRuleStore::fallbackBundleIdentifier)));
    EXPECT_NE(LinkRuleStore::defaultFileUrl("com.example.host"), LinkRuleStore::defaultFileUrl(""));
    EXPECT_THROW(LinkRuleStore(*Url::parse("https://example.com/LinkRules.json")), std::invalid_argument);
}

TEST_F(LinkRuleStoreTest, SaveWritesSortedIndentedJsonIntoNewFoldersThatLoadsBack) {
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(store.modificationDate(), std::nullopt);

    const std::vector<LinkRule> rules{LinkRule(*Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"),
                                               LinkRuleMatcher::pathPrefix("example.com", "/文档"),
                                               "org.mozilla.firefox#private", "com.example.mail",
                                               std::vector{LinkRuleTimeWindow({5, 1}, "9:00", "17:00")})};
    store.save(rules);
    EXPECT_EQ(JsonFile::readData(file), R"({
  "rules": [
    {
      "bundleIdentifier": "org.mozilla.firefox#private",
      "id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
      "matcher": {
        "domain": "example.com",
        "kind": "pathPrefix",
        "path": "/文档"
      },
      "source": "com.example.mail",
      "timeWindows": [
        {
          "days": [
            1,
            5
          ],
          "end": "17:00",
          "start": "9:00"
        }
      ]
    }
  ]
}
)");
    EXPECT_EQ(store.load(), rules);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);
    ASSERT_TRUE(store.stamp());
    EXPECT_EQ(store.modificationDate(), store.stamp()->modified);

    // Any layout and key order reads; unknown keys are passed over whatever they hold, null means absent.
    JsonFile::writeData(
        file,
        R"({"meta": {"rules": [1, {"id": []}]}, "rules": [{"x": [{"id": 5}],)"
        R"("matcher": {"note": {"kind": 1}, "path": "/a\"b", "kind": "pathPrefix",)"
        R"("domain": "ex\u00e4mple.com"}, "id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f",)"
        R"("bundleIdentifier": "com.example.web", "source": null, "timeWindows": [)"
        R"({"days": [3, 1, 3], "end": "17:00", "tz": {"a": [1]}, "start": "9:00"}]},)"
        R"({"bundleIdentifier": "a", "timeWindows": null, "id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
        R"("matcher": {"kind": "domain", "domain": "a.com", "includingSubdomains": null}}],)"
        R"("after": [[]]})");
    EXPECT_EQ(store.load(),
              (std::vector{LinkRule(rules[0].id(), LinkRuleMatcher::pathPrefix("exämple.com", "/a\"b"),
                                    "com.example.web", std::nullopt,
                                    std::vector{LinkRuleTimeWindow({1, 3}, "9:00", "17:00")}),
                           LinkRule(rules[0].id(), LinkRuleMatcher::domain("a.com", false), "a")}));
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleStoreTest, SaveKeepsAnUnreadableFileAsideWithoutOverwritingOlderCopies) {
    const std::vector<LinkRule> rules{
        LinkRule(Uuid::generate(), LinkRuleMatcher::domain("example.com", false), "com.example.web")};
    const auto aside = [this](const std::string& suffix) {
        return file.parent_path() / ("LinkRules.json.unreadable" + suffix);
    };
    for (const auto& [data, suffix] :
         {std::pair{"{\"rules\": [", ""}, std::pair{"[]", "-2"}, std::pair{"", "-3"}}) {
        SCOPED_TRACE(data);
        JsonFile::writeData(file, data);
        EXPECT_TRUE(store.load().empty());
        sink->clear();
        store.save(rules);
        EXPECT_EQ(store.load(), rules);
        EXPECT_EQ(JsonFile::readData(aside(suffix)), data);
        EXPECT_EQ(sink->messages("rules"),
                  std::vector<std::string>{"Kept the unreadable rules file as " + aside(suffix).string()});
    }
    EXPECT_EQ(JsonFile::readData(aside("")), "{\"rules\": [");
    EXPECT_EQ(JsonFile::readData(aside("-2")), "[]");

    // A readable file is simply replaced.
    sink->clear();
    store.save({});
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 4);
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleStoreTest, NeverWritesOrLogsWhatItCannotKeepFaithfully) {
    // Text that is not UTF-8 would be written as replacement characters: refused, the file untouched.
    const std::vector<LinkRule> kept{
        LinkRule(Uuid::generate(), LinkRuleMatcher::anyWebLink(), "org.mozilla.firefox")};
    store.save(kept);
    EXPECT_THROW(
        store.save({LinkRule(Uuid::generate(), LinkRuleMatcher::domain("caf\xE9.example", false), "b")}),
        std::invalid_argument);
    EXPECT_EQ(store.load(), kept);

    // A broken file's log line says where it broke, never the links it holds.
    JsonFile::writeData(file,
                        R"({"rules": [{"matcher": {"kind": "url", "url": "https://private.example/a?t=1)"
                        "\n\"}}]}");
    EXPECT_TRUE(store.load().empty());
    ASSERT_EQ(sink->messages("rules").size(), 1u);
    EXPECT_EQ(sink->messages("rules")[0].find("private.example"), std::string::npos)
        << sink->messages("rules")[0];
}

}  // namespace
}  // namespace ferrywise
