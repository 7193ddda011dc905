#include "ferrywise/foundation/Paths.hpp"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

namespace fs = std::filesystem;

// Sets (or, with none, removes) an environment variable for the life of the object.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        apply(value);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ~ScopedVariable() { apply(old_); }

  private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

    const char* name_;
    std::optional<std::string> old_;
};

TEST(Paths, UnderRootPutsEveryFolderBelowTheRoot) {
    auto paths = Paths::underRoot("/r");
    EXPECT_EQ(paths, Paths("/r/home", "/r/data", "/r/cache", "/r/config", "app.velmora.Velmora"));
    EXPECT_EQ(paths.applicationSupportFolder(), fs::path("/r/data/app.velmora.Velmora"));
    EXPECT_EQ(paths.cachesFolder(), fs::path("/r/cache/app.velmora.Velmora"));
    EXPECT_EQ(paths.configFolder(), fs::path("/r/config/app.velmora.Velmora"));
    EXPECT_EQ(Paths::underRoot("/r", "org.example.Host").cachesFolder(),
              fs::path("/r/cache/org.example.Host"));
}

TEST(Paths, AbsoluteXdgVariablesWin) {
    ScopedVariable home("HOME", "/home/ana");
    ScopedVariable data("XDG_DATA_HOME", "/x/data");
    ScopedVariable cache("XDG_CACHE_HOME", "/x/cache");
    ScopedVariable config("XDG_CONFIG_HOME", "/x/config");
    EXPECT_EQ(Paths::fromEnvironment("b.id"), Paths("/home/ana", "/x/data", "/x/cache", "/x/config", "b.id"));
}

TEST(Paths, MissingEmptyOrRelativeXdgVariablesFallBackToHome) {
    ScopedVariable home("HOME", "/home/ana");
    ScopedVariable data("XDG_DATA_HOME", std::nullopt);
    ScopedVariable cache("XDG_CACHE_HOME", "");
    ScopedVariable config("XDG_CONFIG_HOME", "relative/config");
    auto paths = Paths::fromEnvironment();
    EXPECT_EQ(paths, Paths("/home/ana", "/home/ana/.local/share", "/home/ana/.cache", "/home/ana/.config",
                           Paths::defaultBundleIdentifier));
    EXPECT_EQ(paths.applicationSupportFolder(), fs::path("/home/ana/.local/share/app.velmora.Velmora"));
}

TEST(Paths, EmptyHomeFallsBackToTheAccountsHomeFolder) {
    ScopedVariable home("HOME", "");
    ScopedVariable data("XDG_DATA_HOME", std::nullopt);
    auto paths = Paths::fromEnvironment();
    EXPECT_TRUE(paths.home().is_absolute()) << paths.home();
    EXPECT_EQ(paths.applicationSupport(), paths.home() / ".local/share");
}

}  // namespace
}  // namespace ferrywise
