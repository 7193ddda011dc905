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
         {Format{"%{public}ld items in %{public}@", {"5", "rules.json"}, "5 items in rules.json"},
          Format{"plain %s and %lu", {"a", "2"}, "plain a and 2"},
          Format{"%{public}s and %{public}s", {"%{public}s %%", "b"}, "%{public}s %% and b"},
          Format{"100%% done, 50% off", {"x"}, "100% done, 50% off"}, Format{"ends in %", {"x"}, "ends in %"},
          Format{"unclosed %{public", {"x"}, "unclosed %{public"},
          Format{"missing %{public}s", {}, "missing %{public}s"}}) {
        EXPECT_EQ(detail::formatLogMessage(format, arguments), expected) << format;
    }
}

TEST(Log, RecordsCarrySubsystemCategoryLevelAndEscapedValuesAndAFailingSinkNeverThrows) {
    struct FailingSink final : LogSink {
        void write(const LogRecord&) override { throw std::runtime_error("the log is full"); }
    };
    auto sink = std::make_shared<RecordingLogSink>();
    auto previous = Log::setSink(sink);
    Log::routing().error("%{public}s %{bool,public}d %{bool,public}d %{public}ld %{public}lu %{public}f",
                         std::string_view("rules.json"), true, false, -42,
                         std::numeric_limits<std::uint64_t>::max(), 1.5);
    // A value read from a file or a link cannot break a line, clear a terminal or cut the message short.
    Log::rules().log("Rule target %{public}s is not installed",
                     std::string("a\nforged\x1B[2J\0z\xC2\x9B\xC3\xA4", 18));
    EXPECT_EQ(sink->records(),
              (std::vector<LogRecord>{{"app.velmora.Velmora", "routing", LogLevel::error,
                                       "rules.json true false -42 18446744073709551615 1.5"},
                                      {"app.velmora.Velmora", "rules", LogLevel::standard,
                                       "Rule target a%0Aforged%1B[2J%00z%C2%9B\xC3\xA4 is not installed"}}));

    Log::setSink(std::make_shared<FailingSink>());
    EXPECT_NO_THROW(Log::rules().error("Could not save: %{public}s", "disk full"));
    Log::setSink(previous);
}

}  // namespace
}  // namespace ferrywise
