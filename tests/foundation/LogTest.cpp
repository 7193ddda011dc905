#include "ferrywise/foundation/Log.hpp"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/foundation/Paths.hpp"

namespace ferrywise {
namespace {

TEST(LogFormat, ReplacesPlaceholdersInOrder) {
    struct Case {
        const char* format;
        std::vector<std::string> arguments;
        const char* expected;
    };
    for (const auto& [format, arguments, expected] : {
             Case{"Saved %{public}s rules", {"3"}, "Saved 3 rules"},
             Case{"%{public}ld items in %{public}s", {"5", "rules.json"}, "5 items in rules.json"},
             Case{"Enabled: %{bool,public}d", {"true"}, "Enabled: true"},
             Case{"%{public}@ opened", {"Firefox"}, "Firefox opened"},
             Case{"plain %s and %d and %lu", {"a", "1", "2"}, "plain a and 1 and 2"},
             Case{"%{public}s%{public}s", {"a", "b"}, "ab"},
             Case{"100%% done", {}, "100% done"},
             Case{"50% off", {"x"}, "50% off"},
             Case{"ends in %", {"x"}, "ends in %"},
             Case{"unclosed %{public", {"x"}, "unclosed %{public"},
             Case{"missing %{public}s", {}, "missing %{public}s"},
             Case{"one %{public}s", {"a", "b"}, "one a"},
             Case{"", {"a"}, ""},
         }) {
        EXPECT_EQ(detail::formatLogMessage(format, arguments), expected) << format;
    }
}

TEST(LogFormat, ArgumentsAreNeverFormattedAgain) {
    EXPECT_EQ(detail::formatLogMessage("%{public}s and %{public}s", {"%{public}s %%", "b"}),
              "%{public}s %% and b");
}

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousSink_ = Log::setSink(sink_);
        previousSubsystem_ = Log::subsystem();
    }
    void TearDown() override {
        Log::setSink(previousSink_);
        Log::setSubsystem(previousSubsystem_);
    }

    std::shared_ptr<RecordingLogSink> sink_ = std::make_shared<RecordingLogSink>();

  private:
    std::shared_ptr<LogSink> previousSink_;
    std::string previousSubsystem_;
};

TEST_F(LogTest, ValuesAreWrittenAsText) {
    Log::rules().log("%{public}s %{bool,public}d %{bool,public}d %{public}ld %{public}lu %{public}f",
                     std::string("rules.json"), true, false, -42, std::numeric_limits<std::uint64_t>::max(),
                     1.5);
    Log::rules().log("%{public}s", std::string_view("view"));
    EXPECT_EQ(sink_->messages(), (std::vector<std::string>{
                                     "rules.json true false -42 18446744073709551615 1.5",
                                     "view",
                                 }));
}

TEST_F(LogTest, RecordsCarryCategoryLevelAndSubsystem) {
    EXPECT_EQ(Log::subsystem(), Paths::defaultBundleIdentifier);
    Log::routing().log("Opened %{public}s", "a link");
    Log::setSubsystem("org.example.Host");
    Log::sync().error("Failed: %{public}s", "timeout");

    auto records = sink_->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (LogRecord{"app.velmora.Velmora", "routing", LogLevel::standard, "Opened a link"}));
    EXPECT_EQ(records[1], (LogRecord{"org.example.Host", "sync", LogLevel::error, "Failed: timeout"}));
}

TEST_F(LogTest, SetSinkReturnsThePreviousSinkAndClearForgetsRecords) {
    auto other = std::make_shared<RecordingLogSink>();
    EXPECT_EQ(Log::setSink(other), sink_);
    Log::picker().log("to the other sink");
    EXPECT_EQ(Log::setSink(sink_), other);
    EXPECT_TRUE(sink_->records().empty());
    EXPECT_EQ(other->messages("picker"), std::vector<std::string>{"to the other sink"});
    other->clear();
    EXPECT_TRUE(other->records().empty());
}

}  // namespace
}  // namespace ferrywise
