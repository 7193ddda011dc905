#include "ferrywise/foundation/Url.hpp"

#include <filesystem>
#include <unordered_set>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;

Url parsed(std::string_view text) {
    auto url = Url::parse(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : Url::fromFilePath("/");
}

TEST(Url, RelativeReferencesParseWithoutScheme) {
    for (const char* text : {"/a/b?x=1", "a/b", "//example.com/x", "?q", "#top", ""}) {
        auto url = Url::parse(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(url->scheme(), std::nullopt) << text;
        EXPECT_EQ(url->absoluteString(), text);
    }
    EXPECT_EQ(parsed("HTTPS://a.com").scheme(), "HTTPS");
    EXPECT_TRUE(parsed("FILE:///tmp").isFileUrl());
}

TEST(Url, MalformedTextDoesNotParse) {
    for (const char* text :
         {"https://a.com/a b", "https://a.com/100%", "https://a.com/%zz", "http://[::1", "http://[::1]x/",
          "http://a.com:80x/", "http://a@b@c/", "https://a.com/\xC3\xA4", "https://a.com/a\tb"}) {
        EXPECT_FALSE(Url::parse(text)) << text;
    }
}

TEST(Url, HostIsDecodedKeepsCaseAndLosesIpBrackets) {
    EXPECT_EQ(parsed("https://Ex%41mple.COM/").host(), "ExAmple.COM");
    EXPECT_EQ(parsed("https://m%C3%BCnchen.de/").host(), "m\u00FCnchen.de");
    EXPECT_EQ(parsed("http://[2001:DB8::1]:8080/a").host(), "2001:DB8::1");
    EXPECT_EQ(parsed("http://[::1]:8080/a").port(), "8080");
    EXPECT_EQ(parsed("mailto:someone@example.com").host(), std::nullopt);
    EXPECT_EQ(parsed("/only/a/path").host(), std::nullopt);
    EXPECT_EQ(parsed("file:///x").host(), "");
}

TEST(Url, PartsAreDecodedButEncodedFormsAreAsWritten) {
    auto url = parsed("https://a.com/a%20b/c%2Fd/%E4%B8%AD+e?x=%41+b#top%20part");
    EXPECT_EQ(url.path(), "/a b/c/d/\u4E2D+e");
    EXPECT_EQ(url.encodedPath(), "/a%20b/c%2Fd/%E4%B8%AD+e");
    EXPECT_EQ(url.query(), "x=A+b");
    EXPECT_EQ(url.encodedQuery(), "x=%41+b");
    EXPECT_EQ(url.fragment(), "top part");
    EXPECT_EQ(parsed("https://a.com").path(), "");
    EXPECT_EQ(parsed("https://a.com").query(), std::nullopt);
    EXPECT_EQ(parsed("https://a.com/?#").query(), "");
    EXPECT_EQ(parsed("https://a.com/?#").fragment(), "");
}

TEST(Url, PathWithoutTrailingSlashesKeepsALoneSlash) {
    EXPECT_EQ(parsed("https://a.example/docs/").pathWithoutTrailingSlashes(), "/docs");
    EXPECT_EQ(parsed("https://a.example/Docs///?q=1").pathWithoutTrailingSlashes(), "/Docs");
    EXPECT_EQ(parsed("https://a.example/a%20b/").pathWithoutTrailingSlashes(), "/a b");
    EXPECT_EQ(parsed("https://a.example/").pathWithoutTrailingSlashes(), "/");
    EXPECT_EQ(parsed("https://a.example//").pathWithoutTrailingSlashes(), "/");
    EXPECT_EQ(parsed("https://a.example").pathWithoutTrailingSlashes(), "");
    EXPECT_EQ(parsed("mailto:a@b.example").pathWithoutTrailingSlashes(), "a@b.example");
}

TEST(Url, PathExtensionComesFromTheLastComponentOnly) {
    struct Case {
        const char* url;
        const char* extension;
    };
    for (auto [url, extension] : {
             Case{"https://a.com/a.HTML", "HTML"},
             Case{"https://a.com/.html", ""},
             Case{"https://a.com/file.", ""},
             Case{"https://a.com/a.tar.gz", "gz"},
             Case{"https://a.com/doc.pdf/", "pdf"},
             Case{"https://a.com/dir.d/file", ""},
             Case{"https://a.com", ""},
             Case{"https://a.com/a.pdf?v=1.2#p.3", "pdf"},
             Case{"file:///tmp/%C3%A9t%C3%A9.d%C3%A9", "d\u00E9"},
         }) {
        EXPECT_EQ(parsed(url).pathExtension(), extension) << url;
    }
}

TEST(Url, QueryItemsSplitAtAmpersandsAndKeepPlusLiteral) {
    using Items = std::vector<QueryItem>;
    EXPECT_EQ(parsed("https://a.com/?q=a+b&s=%20x%26y").queryItems(), (Items{{"q", "a+b"}, {"s", " x&y"}}));
    EXPECT_EQ(parsed("https://a.com/?a&&b").queryItems(),
              (Items{{"a", std::nullopt}, {"", std::nullopt}, {"b", std::nullopt}}));
    EXPECT_EQ(parsed("https://a.com/?x=&y").queryItems(), (Items{{"x", ""}, {"y", std::nullopt}}));
    EXPECT_EQ(parsed("https://a.com/?k=a=b").queryItems(), (Items{{"k", "a=b"}}));
    EXPECT_TRUE(parsed("https://a.com/?").queryItems().empty());
    EXPECT_TRUE(parsed("https://a.com/").queryItems().empty());
}

TEST(Url, FromFilePathRoundTripsAwkwardNames) {
    for (const char* path : {"/tmp/a b/c.txt", "/tmp/100%/x", "/tmp/a#b", "/tmp/what?now",
                             "/tmp/\u4E2D\u6587/\u00E9.txt", "/tmp/a+b;c=d", "/"}) {
        auto url = Url::fromFilePath(path);
        EXPECT_EQ(url.host(), "") << path;
        EXPECT_EQ(url.query(), std::nullopt) << path;
        EXPECT_EQ(url.filePath(), fs::path(path)) << path;
        EXPECT_EQ(parsed(url.absoluteString()).filePath(), fs::path(path));
    }
    EXPECT_EQ(Url::fromFilePath("/tmp/a b/100%").absoluteString(), "file:///tmp/a%20b/100%25");
    EXPECT_EQ(Url::fromFilePath("/").absoluteString(), "file:///");
    EXPECT_EQ(Url::fromFilePath("relative/x.txt").filePath(), fs::current_path() / "relative/x.txt");
}

TEST(Url, FilePathIsNoneForOtherSchemesAndForNul) {
    EXPECT_EQ(parsed("https://a.com/x").filePath(), std::nullopt);
    EXPECT_EQ(parsed("/x").filePath(), std::nullopt);
    EXPECT_EQ(parsed("file:///a%00b").filePath(), std::nullopt);
}

TEST(Url, StandardizedFileUrlRemovesDotSegments) {
    EXPECT_EQ(parsed("file:///a/./b/../c").standardizedFileUrl().path(), "/a/c");
    EXPECT_EQ(parsed("file:///a/b/c/../../d/.").standardizedFileUrl().path(), "/a/d/");
    EXPECT_EQ(parsed("file:///../a").standardizedFileUrl().path(), "/a");
    EXPECT_EQ(parsed("file:///a/%2E%2E/b").standardizedFileUrl().path(), "/b");
    EXPECT_EQ(parsed("https://a.com/a/../b").standardizedFileUrl().absoluteString(), "https://a.com/a/../b");
}

TEST(Url, ResolvingSymlinksFollowsLinksAndNormalisesTheMissingTail) {
    testing::TemporaryFolder folder;
    auto real = fs::canonical(folder.path()) / "real folder";
    folder.write("real folder/file.txt", "x");
    fs::create_directory_symlink(real, folder.path() / "link");

    auto resolved = [](const fs::path& path) { return Url::fromFilePath(path).resolvingSymlinksInPath(); };
    EXPECT_EQ(resolved(folder.path() / "link/file.txt").filePath(), real / "file.txt");
    EXPECT_EQ(resolved(folder.path() / "link/").filePath(), real);
    EXPECT_EQ(resolved(folder.path() / "link/missing/./gone/../x y/").filePath(), real / "missing/x y");
    EXPECT_EQ(parsed("https://a.com/x/../y/").resolvingSymlinksInPath().absoluteString(),
              "https://a.com/x/../y/");
}

TEST(Url, SameResolvedPathSeesThroughSymlinksButNotAcrossFiles) {
    testing::TemporaryFolder folder;
    auto file = folder.write("real/App.app/info", "1");
    folder.write("real/Other.app/info", "2");
    fs::create_directory_symlink(folder.path() / "real", folder.path() / "link");

    auto viaLink = Url::fromFilePath(folder.path() / "link/App.app");
    auto direct = Url::fromFilePath(folder.path() / "real/./App.app/");
    EXPECT_TRUE(Url::sameResolvedPath(viaLink, direct));
    EXPECT_TRUE(Url::sameResolvedPath(direct, viaLink));
    EXPECT_FALSE(Url::sameResolvedPath(viaLink, Url::fromFilePath(folder.path() / "real/Other.app")));
    EXPECT_FALSE(Url::sameResolvedPath(Url::fromFilePath(file), Url::fromFilePath(file.string() + "x")));
}

TEST(Url, ReplacingTheQueryKeepsEveryOtherPartAsWritten) {
    auto url = parsed("HTTPS://u:p@A.example:81/p%20q?old=1#f%20g");
    EXPECT_EQ(url.replacingEncodedQuery("n=%41&m")->absoluteString(),
              "HTTPS://u:p@A.example:81/p%20q?n=%41&m#f%20g");
    EXPECT_EQ(url.replacingEncodedQuery(std::nullopt)->absoluteString(),
              "HTTPS://u:p@A.example:81/p%20q#f%20g");
    EXPECT_EQ(url.replacingEncodedQuery("")->absoluteString(), "HTTPS://u:p@A.example:81/p%20q?#f%20g");
    EXPECT_EQ(parsed("https://a.example").replacingEncodedQuery("x")->absoluteString(),
              "https://a.example?x");
    for (const char* bad : {"a#b", "a b", "100%"}) {
        EXPECT_FALSE(url.replacingEncodedQuery(bad)) << bad;
    }
}

TEST(Url, EqualityAndHashFollowTheText) {
    EXPECT_NE(parsed("https://a.com/x"), parsed("https://A.com/x"));
    EXPECT_NE(parsed("https://a.com/%41"), parsed("https://a.com/A"));
    std::unordered_set<Url> set{parsed("https://a.com/x"), parsed("https://a.com/x"),
                                parsed("https://a.com/y")};
    EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace ferrywise
