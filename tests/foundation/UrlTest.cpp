#include "ferrywise/foundation/Url.hpp"

#include <utility>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using In = std::pair<const char*, std::optional<std::string>>;

Url parsed(std::string_view text) {
    auto url = Url::parse(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : Url::fromFilePath("/");
}

TEST(Url, ReadsRelativeReferencesRefusesMalformedTextAndDecodesPartsWithoutTurningPlusIntoSpace) {
    EXPECT_EQ(parsed("//example.com/x").scheme(), std::nullopt);
    EXPECT_TRUE(parsed("FILE:///tmp").isFileUrl());
    for (const char* text : {"https://a.com/a b", "https://a.com/%zz", "http://[::1", "http://a.com:80x/",
                             "https://1.2.3.4:80x/", "https://1.2.3.4.5:80x/", "https://1.2.3.4.%zz/"}) {
        EXPECT_FALSE(Url::parse(text)) << text;
    }
    // The host keeps its case and loses the brackets of an IP address.
    for (const auto& [url, host] :
         {In{"https://Ex%41mple.COM/", "ExAmple.COM"}, In{"http://[2001:DB8::1]:8080/a", "2001:DB8::1"},
          In{"mailto:someone@example.com", std::nullopt}, In{"file:///x", ""},
          // Hosts that start like an IPv4 address but go on are names.
          In{"https://1.2.3.4.5/", "1.2.3.4.5"}, In{"https://1.2.3.4./", "1.2.3.4."},
          In{"https://1.2.3.4.nip.io/", "1.2.3.4.nip.io"}}) {
        EXPECT_EQ(parsed(url).host(), host) << url;
    }
    auto named = parsed("https://u:p@10.0.0.1.example:8443/login?x#y");
    EXPECT_EQ(named.host(), "10.0.0.1.example");
    EXPECT_EQ(named.port(), "8443");
    EXPECT_EQ(named.path(), "/login");
    auto url = parsed("https://a.com/a%20b/c%2Fd/%E4%B8%AD+e?x=%41+b#top%20part");
    EXPECT_EQ(url.path(), "/a b/c/d/\u4E2D+e");
    EXPECT_EQ(url.query(), "x=A+b");
    EXPECT_EQ(url.fragment(), "top part");
    EXPECT_EQ(parsed("https://a.com").query(), std::nullopt);
    EXPECT_EQ(parsed("https://a.com/?#").query(), "");
}

TEST(Url, PathWithoutTrailingSlashesKeepsALoneSlashAndTheExtensionComesFromTheLastComponent) {
    EXPECT_EQ(parsed("https://a.example/Docs///?q=1").pathWithoutTrailingSlashes(), "/Docs");
    EXPECT_EQ(parsed("https://a.example//").pathWithoutTrailingSlashes(), "/");
    for (const auto& [url, extension] :
         {In{"https://a.com/a.tar.GZ", "GZ"}, In{"https://a.com/.html", ""}, In{"https://a.com/file.", ""},
          In{"https://a.com/doc.pdf/", "pdf"}, In{"https://a.com/dir.d/file", ""},
          In{"https://a.com/a.pdf?v=1.2#p.3", "pdf"}, In{"file:///tmp/%C3%A9t%C3%A9.d%C3%A9", "d\u00E9"}}) {
        EXPECT_EQ(parsed(url).pathExtension(), extension) << url;
    }
}

TEST(Url, QueryItemsKeepPlusLiteralAndReplacingTheQueryKeepsEveryOtherPartAsWritten) {
    using Items = std::vector<QueryItem>;
    EXPECT_EQ(parsed("https://a.com/?q=a+b&s=%20x%26y").queryItems(), (Items{{"q", "a+b"}, {"s", " x&y"}}));
    EXPECT_EQ(parsed("https://a.com/?x=&y&&k=a=b").queryItems(),
              (Items{{"x", ""}, {"y", std::nullopt}, {"", std::nullopt}, {"k", "a=b"}}));
    EXPECT_TRUE(parsed("https://a.com/?").queryItems().empty());

    auto url = parsed("HTTPS://u@A.example:81/%20?old#%20");
    EXPECT_EQ(url.replacingEncodedQuery("n=%41&m")->absoluteString(),
              "HTTPS://u@A.example:81/%20?n=%41&m#%20");
    EXPECT_EQ(url.replacingEncodedQuery(std::nullopt)->absoluteString(), "HTTPS://u@A.example:81/%20#%20");
    EXPECT_EQ(url.replacingEncodedQuery("")->absoluteString(), "HTTPS://u@A.example:81/%20?#%20");
    EXPECT_FALSE(url.replacingEncodedQuery("a#b"));
}

TEST(Url, FilePathsRoundTripAwkwardNamesAreNoneForOtherSchemesAndForNulAndStandardizingDropsDotSegments) {
    for (const char* path : {"/tmp/a b/100%/a#b/what?now", "/tmp/\u4E2D\u6587/a+b;c=d.txt", "/"}) {
        auto url = Url::fromFilePath(path);
        EXPECT_EQ(url.filePath(), fs::path(path)) << path;
        EXPECT_EQ(parsed(url.absoluteString()).filePath(), fs::path(path));
    }
    EXPECT_EQ(Url::fromFilePath("/tmp/a b/100%").absoluteString(), "file:///tmp/a%20b/100%25");
    EXPECT_EQ(Url::fromFilePath("relative/x.txt").filePath(), fs::current_path() / "relative/x.txt");
    EXPECT_EQ(parsed("https://a.com/x").filePath(), std::nullopt);
    EXPECT_EQ(parsed("file:///a%00b").filePath(), std::nullopt);
    for (const auto& [url, path] : {In{"file:///a/./b/../c", "/a/c"}, In{"file:///a/b/c/../../d/.", "/a/d/"},
                                    In{"file:///../a", "/a"}, In{"file:///a/%2E%2E/b", "/b"}}) {
        EXPECT_EQ(parsed(url).standardizedFileUrl().path(), path) << url;
    }
    EXPECT_EQ(parsed("https://a.com/a/../b").standardizedFileUrl().absoluteString(), "https://a.com/a/../b");
}

TEST(Url, ResolvingSymlinksFollowsLinksNormalisesTheMissingTailAndNeverMixesUpTwoFiles) {
    testing::TemporaryFolder folder;
    auto real = fs::canonical(folder.path()) / "real folder";
    auto file = folder.write("real folder/App.app/info", "1");
    folder.write("real folder/Other.app/info", "2");
    fs::create_directory_symlink(real, folder.path() / "link");
    auto resolved = [&](const char* path) {
        return Url::fromFilePath(folder.path() / path).resolvingSymlinksInPath();
    };
    EXPECT_EQ(resolved("link/App.app/info").filePath(), real / "App.app/info");
    EXPECT_EQ(resolved("link/missing/./gone/../x y/").filePath(), real / "missing/x y");
    EXPECT_EQ(parsed("https://a.com/x/../y/").resolvingSymlinksInPath().absoluteString(),
              "https://a.com/x/../y/");

    auto viaLink = Url::fromFilePath(folder.path() / "link/App.app");
    auto direct = Url::fromFilePath(folder.path() / "real folder/./App.app/");
    EXPECT_TRUE(Url::sameResolvedPath(viaLink, direct));
    EXPECT_FALSE(Url::sameResolvedPath(viaLink, Url::fromFilePath(folder.path() / "real folder/Other.app")));
    EXPECT_FALSE(Url::sameResolvedPath(Url::fromFilePath(file), Url::fromFilePath(file.string() + "x")));
}

}  // namespace
}  // namespace ferrywise
