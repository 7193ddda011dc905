#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/FakeWorkspace.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using testing::FakeWorkspace;

InterceptedLink link(std::string_view text) {
    return *InterceptedLink::make(*Url::parse(text));
}

class PassthroughTargetResolverTest : public ::testing::Test {
  protected:
    std::optional<Url> targetFor(std::string_view text) const {
        return PassthroughTargetResolver(workspace, ownBundle).target(link(text));
    }

    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    Url ownBundle = FakeWorkspace::defaultBundleUrl("org.ferrywise.Ferrywise");
};

TEST_F(PassthroughTargetResolverTest, PrefersTheSystemBrowserAndMailClient) {
    workspace->install("org.ferrywise.Ferrywise", "Ferrywise", {"http", "https", "mailto"});
    auto chrome = workspace->install("com.google.Chrome", "Chrome", {"http", "https"});
    auto thunderbird = workspace->install("org.mozilla.thunderbird", "Thunderbird", {"mailto"});
    EXPECT_EQ(targetFor("https://example.com"), chrome);
    EXPECT_EQ(targetFor("mailto:a@example.com"), thunderbird);

    // Installed, even without handling the scheme, the preferred application wins.
    auto safari = workspace->install("com.apple.Safari", "Safari");
    auto mail = workspace->install("com.apple.mail", "Mail", {"mailto"});
    EXPECT_EQ(targetFor("http://example.com"), safari);
    EXPECT_EQ(targetFor("https://example.com"), safari);
    EXPECT_EQ(targetFor("mailto:a@example.com"), mail);
}

TEST_F(PassthroughTargetResolverTest, AsksForHandlersOfTheLinksOwnScheme) {
    auto chrome = workspace->install("com.google.Chrome", "Chrome", {"http"});
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox", {"https"});
    EXPECT_EQ(targetFor("http://example.com"), chrome);
    EXPECT_EQ(targetFor("https://example.com"), firefox);
    EXPECT_EQ(targetFor("mailto:a@example.com"), std::nullopt);
}

TEST_F(PassthroughTargetResolverTest, NeverNamesTheRouter) {
    // The catalogue answers the router's own bundle for the preferred identifier.
    workspace->install("com.apple.Safari", "Safari", {"https"}, ownBundle);
    EXPECT_EQ(targetFor("https://example.com"), std::nullopt);

    auto firefox = workspace->install("org.mozilla.firefox", "Firefox", {"https"});
    EXPECT_EQ(targetFor("https://example.com"), firefox);
}

TEST_F(PassthroughTargetResolverTest, RecognisesTheRouterThroughSymbolicLinksAndDotSegments) {
    testing::TemporaryFolder folder;
    auto bundle = folder.write("apps/ferrywise.desktop", "[Desktop Entry]\n");
    std::filesystem::create_symlink(bundle, folder.path() / "alias.desktop");
    ownBundle = Url::fromFilePath(folder.path() / "apps" / ".." / "apps" / "ferrywise.desktop");

    workspace->install("com.apple.Safari", "Safari", {"https"},
                       Url::fromFilePath(folder.path() / "alias.desktop"));
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox");
    workspace->setHandlers("https", {Url::fromFilePath(folder.path() / "alias.desktop"), ownBundle, firefox});
    EXPECT_EQ(targetFor("https://example.com"), firefox);
}

}  // namespace
}  // namespace ferrywise
