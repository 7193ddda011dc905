#include "ferrywise/foundation/Log.hpp"

#include <limits>
#include <memory>
#include <stdexcept>
#include <tuple>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(LogFormat, ReplacesPlaceholdersInOrderAndNeverFormatsAnArgumentAgain) {
    using Format = std::tuple<const char*, std::vector<std::string>, const char*>;
    for (const auto& [format, arguments, expected] :
         {Format{"Saved %{public}s rules", {"3"}, "Saved 3 rules"},
          Format{"%{public}ld items in %{public}s", {"5", "rules.json"}, "5 items in rules.json"},
          Format{"Enabled: %{bool,public}d", {"true"}, "Enabled: true"},
          Format{"%{public}@ opened", {"Firefox"}, "Firefox opened"},
          Format{"plain %s and %d and %lu", {"a", "1", "2"}, "plain a and 1 and 2"},
          Format{"%{public}s%{public}s", {"a", "b"}, "ab"},
          Format{"%{public}s and %{public}s", {"%{public}s %%", "b"}, "%{public}s %% and b"},
          Format{"100%% done", {}, "100% done"}, Format{"50% off", {"x"}, "50% off"},
          Format{"ends in %", {"x"}, "ends in %"}, Format{"unclosed %{public", {"x"}, "unclosed %{public"},
          Format{"missing %{public}s", {}, "missing %{public}s"},
          Format{"one %{public}s", {"a", "b"}, "one a"}, Format{"", {"a"}, ""}}) {
        EXPECT_EQ(detail::formatLogMessage(format, arguments), expected) << format;
    }
}

TEST(Log, RecordsCarrySubsystemCategoryLevelAndValuesAsText) {
    auto sink = std::make_shared<RecordingLogSink>();
    auto previousSink = Log::setSink(sink);
    auto previousSubsystem = Log::subsystem();
    Log::routing().log("%{public}s %{bool,public}d %{bool,public}d %{public}ld %{public}lu %{public}f",
                       std::string("rules.json"), true, false, -42, std::numeric_limits<std::uint64_t>::max(),
                       1.5);
    Log::setSubsystem("org.example.Host");
    Log::sync().error("Failed: %{public}s", std::string_view("timeout"));
    EXPECT_EQ(Log::setSink(previousSink), sink);
    Log::setSubsystem(previousSubsystem);

    EXPECT_EQ(sink->records(),
              (std::vector<LogRecord>{{"app.velmora.Velmora", "routing", LogLevel::standard,
                                       "rules.json true false -42 18446744073709551615 1.5"},
                                      {"org.example.Host", "sync", LogLevel::error, "Failed: timeout"}}));
}

TEST(Log, EscapesControlCharactersOfEveryValueAndNeverThrows) {
    struct FailingSink final : LogSink {
        void write(const LogRecord&) override { throw std::runtime_error("the log is full"); }
    };
    auto sink = std::make_shared<RecordingLogSink>();
    auto previous = Log::setSink(sink);
    // A value read from a file or a link cannot break a line, clear a terminal or cut the message short.
    Log::rules().log("Rule target %{public}s is not installed",
                     std::string("a\nforged\x1B[2J\0z\xC2\x9B\xC3\xA4", 18));
    EXPECT_EQ(sink->messages(),
              std::vector<std::string>{"Rule target a%0Aforged%1B[2J%00z%C2%9B\xC3\xA4 is not installed"});

    Log::setSink(std::make_shared<FailingSink>());
    EXPECT_NO_THROW(Log::rules().error("Could not save: %{public}s", "disk full"));
    Log::setSink(previous);
}

}  // namespace
}  // namespace ferrywise
