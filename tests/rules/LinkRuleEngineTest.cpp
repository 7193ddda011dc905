#include "ferrywise/rules/LinkRuleEngine.hpp"

#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

#include "support/FakeWorkspace.hpp"
#include "support/ReadOnlyFolder.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using Rules = std::vector<LinkRule>;

LinkRule rule(LinkRuleMatcher matcher, std::string target, std::optional<std::string> source = std::nullopt,
              std::optional<std::vector<LinkRuleTimeWindow>> windows = std::nullopt) {
    return LinkRule(Uuid::generate(), std::move(matcher), std::move(target), std::move(source),
                    std::move(windows));
}

LinkRule domainRule(std::string target) {
    return rule(LinkRuleMatcher::domain("example.com", false), std::move(target));
}

class LinkRuleEngineTest : public ::testing::Test {
  protected:
    void SetUp() override { previousSink_ = Log::setSink(sink); }
    void TearDown() override { Log::setSink(previousSink_); }

    LinkRuleEngine makeEngine() const { return LinkRuleEngine(LinkRuleStore(file), workspace, ownBundle); }

    std::optional<ApplicationTarget> match(LinkRuleEngine& engine, std::string_view link,
                                           std::optional<std::string_view> source = std::nullopt) const {
        return engine.match(*InterceptedLink::make(*Url::parse(link), LinkSource::make(source, {}, {})), now,
                            calendar);
    }

    std::optional<ApplicationTarget> normal(const Url& bundle) const {
        return ApplicationTarget(bundle, ApplicationVariant::normal());
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    testing::TemporaryFolder folder;
    fs::path file = folder.path() / "support" / "Velmora" / "LinkRules.json";
    LinkRuleStore writer{file};  // another writer of the same file, as the sync manager is
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    Url ownBundle = Url::fromFilePath(folder.write("applications/velmora.desktop", "[Desktop Entry]\n"));
    Url web = workspace->install("com.example.web", "Web");
    Url docs = workspace->install("com.example.docs", "Docs");
    Calendar calendar = Calendar::gregorian("UTC");
    Date now = calendar.date(2024, 6, 3, 10, 0);  // a Monday

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(LinkRuleEngineTest, WithoutAFileHasNoRulesUntilAddRuleCreatesIt) {
    auto engine = makeEngine();
    EXPECT_TRUE(engine.listRules().empty());
    EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
    EXPECT_FALSE(fs::exists(file.parent_path()));

    auto added = domainRule("com.example.web");
    engine.addRule(added);
    EXPECT_EQ(writer.load(), Rules{added});
    EXPECT_EQ(engine.listRules(), Rules{added});
    EXPECT_EQ(match(engine, "https://example.com"), normal(web));
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleEngineTest, MoreSpecificRuleWinsThenARuleForTheLinksSource) {
    writer.save(
        {domainRule("com.example.web"),
         rule(LinkRuleMatcher::pathPrefix("example.com", "/docs"), "com.example.docs"),
         rule(LinkRuleMatcher::domain("example.com", false), "com.example.mail", "com.example.chat")});
    auto mail = workspace->install("com.example.mail", "Mail");
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com/docs/x"), normal(docs));
    EXPECT_EQ(match(engine, "https://example.com/docs/x", "com.example.chat"), normal(docs));
    EXPECT_EQ(match(engine, "https://example.com/blog"), normal(web));
    EXPECT_EQ(match(engine, "https://example.com/blog", "com.example.chat"), normal(mail));
    EXPECT_EQ(match(engine, "https://example.com/blog", "com.example.chatter"), normal(web));
    EXPECT_EQ(match(engine, "https://example.org/docs/x"), std::nullopt);
}

TEST_F(LinkRuleEngineTest, EarlierOfEqualRulesWinsAndItsReplacementKeepsItsPlace) {
    auto later = domainRule("com.example.docs");
    writer.save({domainRule("com.example.web"), later});
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com"), normal(web));

    auto mail = workspace->install("com.example.mail", "Mail");
    auto replacement = rule(LinkRuleMatcher::domain("Example.com", true), "com.example.mail");
    engine.addRule(replacement);
    EXPECT_EQ(engine.listRules(), (Rules{replacement, later}));
    EXPECT_EQ(writer.load(), (Rules{replacement, later}));
    EXPECT_EQ(match(engine, "https://example.com"), normal(mail));
}

TEST_F(LinkRuleEngineTest, AddRuleReplacesOnlyARuleWithTheSameSourceAndTimeWindows) {
    auto engine = makeEngine();
    const auto example = LinkRuleMatcher::domain("example.com", false);
    const auto mornings = std::vector{LinkRuleTimeWindow({1, 2}, "8:00", "12:00")};
    auto always = rule(example, "com.example.web");
    auto noWindows = rule(example, "com.example.web", std::nullopt, std::vector<LinkRuleTimeWindow>{});
    auto morning = rule(example, "com.example.web", std::nullopt, mornings);
    auto otherMorning = rule(example, "com.example.docs", std::nullopt, mornings);
    auto longerMorning = rule(example, "com.example.web", std::nullopt,
                              std::vector{LinkRuleTimeWindow({1, 2}, "8:00", "12:30")});
    auto fromChat = rule(example, "com.example.web", "com.example.chat");
    for (const auto& added : {always, noWindows, morning, otherMorning, longerMorning, fromChat}) {
        engine.addRule(added);
    }
    const Rules expected{always, noWindows, otherMorning, longerMorning, fromChat};
    EXPECT_EQ(engine.listRules(), expected);
    EXPECT_EQ(writer.load(), expected);
}

TEST_F(LinkRuleEngineTest, RemoveRuleRemovesEveryRuleWithTheIdAndWritesNothingWithoutOne) {
    auto first = domainRule("com.example.web");
    auto sameId = LinkRule(first.id(), LinkRuleMatcher::anyWebLink(), "com.example.docs");
    auto kept = rule(LinkRuleMatcher::mailDefault(), "com.example.mail");
    writer.save({first, kept, sameId});
    auto engine = makeEngine();
    auto bytes = JsonFile::readData(file);
    auto stamp = writer.stamp();

    EXPECT_NO_THROW(engine.removeRule(Uuid::generate()));
    EXPECT_EQ(writer.stamp(), stamp);
    EXPECT_EQ(JsonFile::readData(file), bytes);

    engine.removeRule(first.id());
    EXPECT_EQ(engine.listRules(), Rules{kept});
    EXPECT_EQ(writer.load(), Rules{kept});
}

TEST_F(LinkRuleEngineTest, PassesOverMissingTargetsAndTheRouterItself) {
    auto alias = folder.path() / "applications" / "alias.desktop";
    fs::create_symlink("velmora.desktop", alias);
    workspace->install("app.velmora.Velmora", "Velmora", {}, ownBundle);
    workspace->install("com.example.alias", "Alias", {}, Url::fromFilePath(alias));
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox");
    writer.save({
        domainRule("org.mozilla.firefox#private"),
        rule(LinkRuleMatcher::exactURL("https://example.com/docs/a"), "app.velmora.Velmora"),
        rule(LinkRuleMatcher::pathPrefix("example.com", "/docs/a"), "com.example.alias"),
        rule(LinkRuleMatcher::pathPrefix("example.com", "/docs"), "com.example.gone#private"),
    });
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com/docs/a"),
              ApplicationTarget(firefox, ApplicationVariant::private_()));
    const auto subsystem = Log::subsystem();
    const LogRecord itself{subsystem, "rules", LogLevel::error, "Ignoring rule that targets Velmora itself"};
    EXPECT_EQ(sink->records(),
              (std::vector<LogRecord>{
                  itself,
                  itself,
                  {subsystem, "rules", LogLevel::standard,
                   "Rule target com.example.gone#private is not installed; ignoring the rule"}}));
    EXPECT_EQ(engine.listRules().size(), 4u);

    writer.save({rule(LinkRuleMatcher::anyWebLink(), "com.example.gone")});
    EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
}

TEST_F(LinkRuleEngineTest, TimeWindowRuleDecidesOnlyInsideItsWindowAndSaysSo) {
    writer.save({domainRule("com.example.web"),
                 rule(LinkRuleMatcher::domain("example.com", false), "com.example.docs", std::nullopt,
                      std::vector{LinkRuleTimeWindow({1}, "9:00", "17:00")})});
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com"), normal(docs));
    EXPECT_EQ(sink->messages("rules"),
              std::vector<std::string>{"Time-window rule matched, opening in com.example.docs"});

    sink->clear();
    for (auto outside : {calendar.date(2024, 6, 3, 17, 1), calendar.date(2024, 6, 4, 10, 0)}) {
        auto link = InterceptedLink::make(*Url::parse("https://example.com"));
        EXPECT_EQ(engine.match(*link, outside, calendar), normal(web));
    }
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleEngineTest, SeesAnotherWritersFileAtTheNextCall) {
    auto engine = makeEngine();
    auto first = domainRule("com.example.web");
    writer.save({first});
    EXPECT_EQ(engine.listRules(), Rules{first});

    JsonFile::writeData(file, LinkRuleStore::encode({domainRule("com.example.docs")}));
    EXPECT_EQ(match(engine, "https://example.com"), normal(docs));

    auto synced = domainRule("com.example.web");
    auto added = rule(LinkRuleMatcher::mailDefault(), "com.example.mail");
    writer.save({synced});
    engine.addRule(added);
    EXPECT_EQ(writer.load(), (Rules{synced, added}));

    auto kept = domainRule("com.example.docs");
    writer.save({synced, kept});
    engine.removeRule(synced.id());
    EXPECT_EQ(writer.load(), Rules{kept});
    EXPECT_EQ(engine.listRules(), Rules{kept});

    fs::remove(file);
    EXPECT_TRUE(engine.listRules().empty());
}

TEST_F(LinkRuleEngineTest, SeesQuickReplacementsOfTheSameSizeAndDate) {
    // Every file below has the same length. The file clock ticks only every few milliseconds, so quick
    // replacements can carry the very date the engine saw last; here they are given it.
    auto engine = makeEngine();
    for (int round = 10; round < 20; ++round) {
        SCOPED_TRACE(round);
        engine.addRule(domainRule("com.example.own" + std::to_string(round)));
        const auto seen = fs::last_write_time(file);
        auto second = domainRule("com.example.two" + std::to_string(round));
        writer.save({second});
        fs::last_write_time(file, seen);
        EXPECT_EQ(engine.listRules(), Rules{second});

        auto last = workspace->install("com.example.web" + std::to_string(round), "Web");
        auto fourth = domainRule("com.example.web" + std::to_string(round));
        writer.save({domainRule("com.example.thr" + std::to_string(round))});
        writer.save({fourth});
        fs::last_write_time(file, seen);
        EXPECT_EQ(match(engine, "https://example.com"), normal(last));
        EXPECT_EQ(engine.listRules(), Rules{fourth});
    }
}

TEST_F(LinkRuleEngineTest, UnreadableFileMeansNoRulesAndIsLeftAloneUntilTheEngineSaves) {
    // Broken JSON, wrong types, a bad id, an unknown matcher kind, and files that are no rule list.
    const std::string rule = R"({"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "bundleIdentifier": "a", )";
    const std::vector<std::string> files{
        R"({"rules": [)",
        "",
        R"({"rules": [{"id": 7, "matcher": {"kind": "anyWeb"}, "bundleIdentifier": "a"}]})",
        R"({"rules": [{"id": "E621E1F8", "matcher": {"kind": "anyWeb"}, "bundleIdentifier": "a"}]})",
        R"({"rules": [)" + rule + R"("matcher": {"kind": "anyWeb"}, "source": 3}]})",
        R"({"rules": [)" + rule +
            R"("matcher": {"kind": "domain", "domain": "a.com", "includingSubdomains": 1}}]})",
        R"({"rules": [)" + rule + R"("matcher": {"kind": "anyWeb"}}, )" + rule +
            R"("matcher": {"kind": "site"}}]})",
        R"({"rules": {}})",
        R"({"rules": null})",
        R"({"rules": [5]})",
        R"({"rules": []} [])",
        "[]",
        "{}",
        R"({"Rules": []})",
        // A key given twice: which one counts would be a guess.
        R"({"rules": [], "rules": []})",
    };
    for (const auto& data : files) {
        SCOPED_TRACE(data);
        JsonFile::writeData(file, data);
        sink->clear();
        auto engine = makeEngine();
        EXPECT_TRUE(engine.listRules().empty());
        EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
        engine.removeRule(Uuid::generate());
        EXPECT_TRUE(engine.listRules().empty());
        auto records = sink->records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].category, "rules");
        EXPECT_EQ(records[0].level, LogLevel::error);
        EXPECT_TRUE(records[0].message.starts_with("Ignoring unreadable rules: ")) << records[0].message;
        EXPECT_EQ(JsonFile::readData(file), data);
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);

        // The next save keeps the unreadable file beside the new one, never over an older copy.
        auto older = file.parent_path() / "LinkRules.json.unreadable";
        JsonFile::writeData(older, "older");
        auto aside = file.parent_path() / "LinkRules.json.unreadable-2";
        auto added = domainRule("com.example.web");
        engine.addRule(added);
        EXPECT_EQ(writer.load(), Rules{added});
        EXPECT_EQ(JsonFile::readData(older), "older");
        EXPECT_EQ(JsonFile::readData(aside), data);
        EXPECT_EQ(sink->messages("rules").back(), "Kept the unreadable rules file as " + aside.string());
        fs::remove(older);
        fs::remove(aside);
    }
}

TEST_F(LinkRuleEngineTest, FailedSaveLeavesRulesAndFileAsTheyWere) {
    auto first = domainRule("com.example.web");
    writer.save({first});
    auto engine = makeEngine();
    auto unreadable = folder.write("other/LinkRules.json", "{\"rules\": [");
    auto unreadableEngine = LinkRuleEngine(LinkRuleStore(unreadable), workspace, ownBundle);
    auto bytes = JsonFile::readData(file);
    {
        testing::ReadOnlyFolder readOnly(file.parent_path());
        testing::ReadOnlyFolder otherReadOnly(unreadable.parent_path());
        if (!readOnly.active() || !otherReadOnly.active()) {
            GTEST_SKIP() << readOnly.problem() << otherReadOnly.problem();
        }
        EXPECT_THROW(engine.addRule(domainRule("com.example.docs")), std::system_error);
        EXPECT_THROW(engine.removeRule(first.id()), std::system_error);
        EXPECT_EQ(engine.listRules(), Rules{first});
        EXPECT_EQ(match(engine, "https://example.com"), normal(web));

        EXPECT_THROW(unreadableEngine.addRule(first), std::system_error);
        EXPECT_TRUE(unreadableEngine.listRules().empty());
    }
    EXPECT_EQ(JsonFile::readData(file), bytes);
    EXPECT_EQ(JsonFile::readData(unreadable), "{\"rules\": [");
    EXPECT_EQ(std::distance(fs::directory_iterator(unreadable.parent_path()), {}), 1);
    engine.removeRule(first.id());
    EXPECT_TRUE(writer.load().empty());
}

}  // namespace
}  // namespace ferrywise
