#include "ferrywise/foundation/Paths.hpp"

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

// Sets (or, with none, removes) an environment variable for the life of the object.
struct ScopedVariable {
    ScopedVariable(const char* name, const char* value) : name(name) {
        previous = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
        set(value);
    }
    ~ScopedVariable() { set(previous ? previous->c_str() : nullptr); }
    void set(const char* value) const { (void)(value ? setenv(name, value, 1) : unsetenv(name)); }
    const char* name;
    std::optional<std::string> previous;
};

TEST(Paths, AbsoluteXdgVariablesWinAndOthersFallBackToHomeOrTheAccountsHomeFolder) {
    ScopedVariable home("HOME", "/home/ana");
    ScopedVariable data("XDG_DATA_HOME", "/x/data");
    ScopedVariable cache("XDG_CACHE_HOME", "");
    ScopedVariable config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Paths::fromEnvironment("b.id"),
              Paths("/home/ana", "/x/data", "/home/ana/.cache", "/home/ana/.config", "b.id"));
    ScopedVariable noData("XDG_DATA_HOME", nullptr);
    ScopedVariable emptyHome("HOME", "");
    auto paths = Paths::fromEnvironment();
    EXPECT_TRUE(paths.home().is_absolute()) << paths.home();
    EXPECT_EQ(paths.applicationSupport(), paths.home() / ".local/share");
}

}  // namespace
}  // namespace ferrywise
