#include "ferrywise/rules/LinkRuleEngine.hpp"

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

#include "support/CapturedLog.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/ReadOnlyFolder.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using M = LinkRuleMatcher;
using Rules = std::vector<LinkRule>;

LinkRule rule(LinkRuleMatcher matcher, std::string target, std::optional<std::string> source = std::nullopt,
              std::optional<std::vector<LinkRuleTimeWindow>> windows = std::nullopt) {
    return LinkRule(Uuid::generate(), std::move(matcher), std::move(target), std::move(source),
                    std::move(windows));
}

LinkRule domainRule(std::string target) {
    return rule(M::domain("example.com", false), std::move(target));
}

std::ptrdiff_t entries(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), {});
}

// The rule file in a temporary folder: engines and stores read it, `writer` writes it as another process
// (the sync manager) does.
class LinkRuleFileTest : public ::testing::Test {
  protected:
    LinkRuleEngine makeEngine() const { return LinkRuleEngine(LinkRuleStore(file), workspace, ownBundle); }

    std::optional<ApplicationTarget> match(LinkRuleEngine& engine, std::string_view link,
                                           std::optional<std::string_view> source = std::nullopt) const {
        return engine.match(*InterceptedLink::make(*Url::parse(link), LinkSource::make(source, {}, {})), now,
                            calendar);
    }

    static std::optional<ApplicationTarget> normal(const Url& bundle) {
        return ApplicationTarget(bundle, ApplicationVariant::normal());
    }

    testing::CapturedLog sink;
    testing::TemporaryFolder folder;
    fs::path file = folder.path() / "data" / "app.velmora.Velmora" / "LinkRules.json";
    LinkRuleStore writer{file};
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    Url ownBundle = Url::fromFilePath(folder.write("applications/velmora.desktop", "[Desktop Entry]\n"));
    Url web = workspace->install("com.example.web", "Web");
    Url docs = workspace->install("com.example.docs", "Docs");
    Url mail = workspace->install("com.example.mail", "Mail");
    Calendar calendar = Calendar::gregorian("UTC");
    Date now = calendar.date(2024, 6, 3, 10, 0);  // a Monday
};

TEST_F(LinkRuleFileTest, SaveWritesSortedIndentedJsonAndRefusesTextItCannotKeep) {
    // The default file is in the host's folder; only a file URL can name one.
    EXPECT_EQ(LinkRuleStore::defaultFileUrl(Paths::underRoot(folder.path())), writer.fileUrl());
    EXPECT_THROW(LinkRuleStore(*Url::parse("https://example.com/LinkRules.json")), std::invalid_argument);
    const Rules rules{LinkRule(*Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"),
                               M::pathPrefix("a.com", "/文档"), "org.mozilla.firefox#private",
                               "com.example.mail", std::vector{LinkRuleTimeWindow({5, 1}, "9:00", "17:00")})};
    writer.save(rules);
    // Two spaces of indentation, keys in order, text unescaped, a final line break.
    EXPECT_EQ(JsonFile::readData(file),
              nlohmann::json::parse(R"({"rules": [{"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
        "bundleIdentifier": "org.mozilla.firefox#private", "source": "com.example.mail",
        "matcher": {"kind": "pathPrefix", "domain": "a.com", "path": "/文档"},
        "timeWindows": [{"days": [1, 5], "start": "9:00", "end": "17:00"}]}]})")
                      .dump(2) +
                  "\n");
    EXPECT_EQ(entries(file.parent_path()), 1);

    // Text that is not UTF-8 would be written as replacement characters: refused, the file untouched.
    EXPECT_THROW(writer.save({rule(M::domain("caf\xE9.example", false), "b")}), std::invalid_argument);
    EXPECT_EQ(writer.load(), rules);
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleFileTest, UnreadableFileMeansNoRulesIsLeftAloneAndIsKeptAsideByTheNextSave) {
    const std::vector<std::string> files{
        R"({"rules": [)", R"({"rules": [{"id": 7, "matcher": {"kind": "anyWeb"}, "bundleIdentifier": "a"}]})",
        R"({"rules": [{"id": "https://private.example/id", "matcher": {"kind": "anyWeb"}, "bundleIdentifier": "a"}]})",
        R"({"rules": [{"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "matcher": {"kind": "https://private.example/kind"}, "bundleIdentifier": "a"}]})",
        R"({"rules": {}})", R"({"rules": [5]})", R"({"rules": []} [])", "[]", "{}",
        // A key given twice: which one counts would be a guess.
        R"({"rules": [], "rules": []})",
        // Where the file breaks is logged, never the links it holds (above, too, in an id and a kind).
        R"({"rules": [{"matcher": {"kind": "url", "url": "https://private.example/a?t=1)"
        "\n\"}}]}"};
    for (int n = 1; n <= int(files.size()); ++n) {
        const auto& data = files[n - 1];
        SCOPED_TRACE(data);
        // Where the n-th unreadable file is kept: "LinkRules.json.unreadable", then "-2", "-3"...
        const fs::path aside = file.string() + ".unreadable" + (n == 1 ? "" : "-" + std::to_string(n));
        JsonFile::writeData(file, data);
        sink->clear();
        auto engine = makeEngine();
        EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
        engine.removeRule(Uuid::generate());
        auto records = sink->records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].level, LogLevel::error);
        EXPECT_TRUE(records[0].message.starts_with("Ignoring unreadable rules: ")) << records[0].message;
        EXPECT_EQ(records[0].message.find("private.example"), std::string::npos) << records[0].message;
        EXPECT_EQ(JsonFile::readData(file), data);
        EXPECT_EQ(entries(file.parent_path()), n + 1);  // and the lock file

        // Saving keeps it beside the new file, never over an older copy.
        engine.addRule(domainRule("com.example.web"));
        EXPECT_EQ(writer.load().size(), 1u);
        EXPECT_EQ(JsonFile::readData(aside), data);
        EXPECT_EQ(sink->messages("rules").back(), "Kept the unreadable rules file as " + aside.string());
    }
    EXPECT_EQ(JsonFile::readData(file.string() + ".unreadable"), files[0]);
    // A readable file is simply replaced.
    writer.save({});
    EXPECT_EQ(entries(file.parent_path()), std::ptrdiff_t(files.size()) + 2);
}

TEST_F(LinkRuleFileTest, FailedSaveLeavesRulesAndFileAsTheyWere) {
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
        EXPECT_EQ(engine.listRules(), Rules{first});
        EXPECT_THROW(unreadableEngine.addRule(first), std::system_error);
        EXPECT_TRUE(unreadableEngine.listRules().empty());
    }
    EXPECT_EQ(JsonFile::readData(file), bytes);
    EXPECT_EQ(JsonFile::readData(unreadable), "{\"rules\": [");
    EXPECT_EQ(entries(unreadable.parent_path()), 1);
}

TEST_F(LinkRuleFileTest, EngineFollowsTheFileThroughOtherWritersAndReplacesInPlaceOnlyARuleForTheSameLinks) {
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
    EXPECT_FALSE(fs::exists(file.parent_path()));
    auto added = domainRule("com.example.web");
    engine.addRule(added);
    EXPECT_EQ(writer.load(), Rules{added});
    // Another writer's rules replace the engine's; removing an id removes every rule with it.
    auto synced = domainRule("com.example.docs");
    auto kept = rule(M::mailDefault(), "com.example.mail");
    writer.save({synced, kept, LinkRule(synced.id(), M::anyWebLink(), "com.example.web")});
    EXPECT_EQ(match(engine, "https://example.com"), normal(docs));
    engine.removeRule(synced.id());
    EXPECT_EQ(writer.load(), Rules{kept});
    EXPECT_EQ(engine.listRules(), Rules{kept});

    fs::remove(file);
    EXPECT_TRUE(engine.listRules().empty());

    // A rule added for the same links, source and time windows replaces the earlier one in its place.
    const auto example = M::domain("example.com", false);
    const auto mornings = std::vector{LinkRuleTimeWindow({1, 2}, "8:00", "12:00")};
    auto always = rule(example, "com.example.web");
    auto noWindows = rule(example, "com.example.web", std::nullopt, std::vector<LinkRuleTimeWindow>{});
    auto morning = rule(example, "com.example.web", std::nullopt, mornings);
    auto otherMorning = rule(example, "com.example.docs", std::nullopt, mornings);
    auto longerMorning = rule(example, "com.example.web", std::nullopt,
                              std::vector{LinkRuleTimeWindow({1, 2}, "8:00", "12:30")});
    auto fromChat = rule(example, "com.example.web", "com.example.chat");
    // The same links however the domain is written, with or without subdomains.
    auto replacement = rule(M::domain("Example.com", true), "com.example.mail");
    for (const auto& added :
         {always, noWindows, morning, otherMorning, longerMorning, fromChat, replacement}) {
        engine.addRule(added);
    }
    const Rules expected{replacement, noWindows, otherMorning, longerMorning, fromChat};
    EXPECT_EQ(engine.listRules(), expected);
    EXPECT_EQ(writer.load(), expected);
    writer.save({synced});
    EXPECT_EQ(engine.listRules(), Rules{synced});
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(LinkRuleFileTest, ChangesWaitForAWriterHoldingTheLockAndKeepItsRule) {
    auto engine = makeEngine();
    auto theirs = domainRule("com.example.docs");
    auto ours = rule(M::mailDefault(), "com.example.mail");
    std::thread adding;
    {
        auto lock = writer.lock();  // another process in the middle of its own change
        adding = std::thread([&] { engine.addRule(ours); });
        // The engine's request shows in /proc/locks as one blocked ("->") on the lock file.
        auto inode =
            ":" + std::to_string(FileStamp::of(file.parent_path() / ".LinkRules.json.lock")->inode) + " ";
        bool blocked = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (; !blocked && std::chrono::steady_clock::now() < deadline; std::this_thread::yield()) {
            std::ifstream locks("/proc/locks");
            for (std::string line; !blocked && std::getline(locks, line);) {
                blocked = line.find("->") != std::string::npos && line.find(inode) != std::string::npos;
            }
        }
        EXPECT_TRUE(blocked) << "the engine did not wait for the lock";
        writer.save({theirs});
    }
    adding.join();
    EXPECT_EQ(writer.load(), (Rules{theirs, ours}));
}

TEST_F(LinkRuleFileTest, EngineSeesQuickReplacementsOfTheSameSizeAndDate) {
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

        auto fourth = domainRule("com.example.fou" + std::to_string(round));
        writer.save({domainRule("com.example.thr" + std::to_string(round))});
        writer.save({fourth});
        fs::last_write_time(file, seen);
        EXPECT_EQ(engine.listRules(), Rules{fourth});
    }
}

TEST_F(LinkRuleFileTest, EngineTakesTheMostSpecificActiveRuleForTheSourceWithAUsableTargetThenTheEarlierOne) {
    auto alias = folder.path() / "applications" / "alias.desktop";
    fs::create_symlink("velmora.desktop", alias);
    workspace->install("app.velmora.Velmora", "Velmora", {}, ownBundle);
    workspace->install("com.example.alias", "Alias", {}, Url::fromFilePath(alias));
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox");
    const auto monday = std::vector{LinkRuleTimeWindow({1}, "9:00", "17:00")};
    writer.save(
        {domainRule("com.example.web"), rule(M::pathPrefix("example.com", "/docs"), "com.example.docs"),
         rule(M::domain("example.com", false), "com.example.mail", "com.example.chat"),
         domainRule("com.example.docs"), rule(M::domain("example.net", false), "com.example.web"),
         rule(M::domain("example.net", false), "com.example.docs", std::nullopt, monday),
         // Targets that are not installed or are the router itself, also through a link, are passed over.
         rule(M::domain("example.org", false), "org.mozilla.firefox#private"),
         rule(M::exactURL("https://example.org/a"), "app.velmora.Velmora"),
         rule(M::pathPrefix("example.org", "/a"), "com.example.alias"),
         rule(M::pathPrefix("example.org", "/"), "com.example.gone#private")});
    auto engine = makeEngine();
    EXPECT_EQ(match(engine, "https://example.com/docs/x", "com.example.chat"), normal(docs));
    EXPECT_EQ(match(engine, "https://example.com/blog"), normal(web));
    EXPECT_EQ(match(engine, "https://example.com/blog", "com.example.chat"), normal(mail));
    EXPECT_EQ(match(engine, "https://example.com/blog", "com.example.chatter"), normal(web));
    EXPECT_EQ(match(engine, "https://example.net"), normal(docs));
    EXPECT_EQ(match(engine, "https://example.org/a"),
              ApplicationTarget(firefox, ApplicationVariant::private_()));
    // A time-window rule decides only inside its window, and says so (once, for Monday, below).
    now = calendar.date(2024, 6, 4, 10, 0);
    EXPECT_EQ(match(engine, "https://example.net"), normal(web));
    const std::string itself = "Ignoring rule that targets Velmora itself";
    EXPECT_EQ(sink->messages("rules"),
              (std::vector<std::string>{
                  "Time-window rule matched, opening in com.example.docs", itself, itself,
                  "Rule target com.example.gone#private is not installed; ignoring the rule"}));
    EXPECT_EQ(engine.listRules().size(), 10u);
    writer.save({rule(M::anyWebLink(), "com.example.gone")});
    EXPECT_EQ(match(engine, "https://example.com"), std::nullopt);
}

}  // namespace
}  // namespace ferrywise
