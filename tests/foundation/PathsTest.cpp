#include "ferrywise/foundation/Paths.hpp"

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

// Sets (or, with none, removes) an environment variable for the life of the object.
struct ScopedVariable {
    ScopedVariable(const char* name, std::optional<std::string> value) : name(name) {
        if (const char* old = std::getenv(name)) {
            previous = old;
        }
        apply(value);
    }
    ~ScopedVariable() { apply(previous); }
    void apply(const std::optional<std::string>& value) const {
        (void)(value ? setenv(name, value->c_str(), 1) : unsetenv(name));
    }
    const char* name;
    std::optional<std::string> previous;
};

TEST(Paths, AbsoluteXdgVariablesWinAndOthersFallBackToHomeOrTheAccountsHomeFolder) {
    ScopedVariable home("HOME", "/home/ana");
    {
        ScopedVariable data("XDG_DATA_HOME", "/x/data");
        ScopedVariable cache("XDG_CACHE_HOME", "/x/cache");
        ScopedVariable config("XDG_CONFIG_HOME", "/x/config");
        EXPECT_EQ(Paths::fromEnvironment("b.id"),
                  Paths("/home/ana", "/x/data", "/x/cache", "/x/config", "b.id"));
    }
    ScopedVariable data("XDG_DATA_HOME", std::nullopt);
    ScopedVariable cache("XDG_CACHE_HOME", "");
    ScopedVariable config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Paths::fromEnvironment(), Paths("/home/ana", "/home/ana/.local/share", "/home/ana/.cache",
                                              "/home/ana/.config", "app.velmora.Velmora"));
    ScopedVariable emptyHome("HOME", "");
    auto paths = Paths::fromEnvironment();
    EXPECT_TRUE(paths.home().is_absolute()) << paths.home();
    EXPECT_EQ(paths.applicationSupport(), paths.home() / ".local/share");
}

}  // namespace
}  // namespace ferrywise
