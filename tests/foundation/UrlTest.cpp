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

TEST(Url, ParsesRelativeReferencesWithoutSchemeAndRefusesMalformedText) {
    for (const char* text : {"/a/b?x=1", "a/b", "//example.com/x", "?q", "#top", ""}) {
        EXPECT_EQ(parsed(text).scheme(), std::nullopt) << text;
        EXPECT_EQ(parsed(text).absoluteString(), text);
    }
    EXPECT_EQ(parsed("HTTPS://a.com").scheme(), "HTTPS");
    EXPECT_TRUE(parsed("FILE:///tmp").isFileUrl());
    for (const char* text :
         {"https://a.com/a b", "https://a.com/100%", "https://a.com/%zz", "http://[::1", "http://[::1]x/",
          "http://a.com:80x/", "http://a@b@c/", "https://a.com/\xC3\xA4", "https://a.com/a\tb",
          "https://1.2.3.4:80x/", "https://1.2.3.4.5:80x/", "https://1.2.3.4.%zz/", "https://1.2.3.4.[/"}) {
        EXPECT_FALSE(Url::parse(text)) << text;
    }
}

TEST(Url, PartsAreDecodedWithoutTurningPlusIntoSpace) {
    // The host keeps its case and loses the brackets of an IP address.
    for (const auto& [url, host] :
         {In{"https://Ex%41mple.COM/", "ExAmple.COM"}, In{"https://m%C3%BCnchen.de/", "m\u00FCnchen.de"},
          In{"http://[2001:DB8::1]:8080/a", "2001:DB8::1"}, In{"mailto:someone@example.com", std::nullopt},
          In{"/only/a/path", std::nullopt}, In{"file:///x", ""},
          // Hosts that start like an IPv4 address but go on are names.
          In{"https://1.2.3.4.5/", "1.2.3.4.5"}, In{"https://1.2.3.4./", "1.2.3.4."},
          In{"https://1.2.3.4.nip.io/", "1.2.3.4.nip.io"},
          In{"http://127.0.0.1.sslip.io", "127.0.0.1.sslip.io"},
          In{"https://u:p@10.0.0.1.example:8443/login?x#y", "10.0.0.1.example"}}) {
        EXPECT_EQ(parsed(url).host(), host) << url;
    }
    EXPECT_EQ(parsed("https://u:p@10.0.0.1.example:8443/login?x#y").path(), "/login");
    EXPECT_EQ(parsed("https://u:p@10.0.0.1.example:8443/login?x#y").port(), "8443");
    auto url = parsed("https://a.com/a%20b/c%2Fd/%E4%B8%AD+e?x=%41+b#top%20part");
    EXPECT_EQ(url.path(), "/a b/c/d/\u4E2D+e");
    EXPECT_EQ(url.query(), "x=A+b");
    EXPECT_EQ(url.fragment(), "top part");
    EXPECT_EQ(parsed("https://a.com").path(), "");
    EXPECT_EQ(parsed("https://a.com").query(), std::nullopt);
    EXPECT_EQ(parsed("https://a.com/?#").query(), "");
    EXPECT_EQ(parsed("https://a.com/?#").fragment(), "");
}

TEST(Url, PathWithoutTrailingSlashesKeepsALoneSlashAndTheExtensionComesFromTheLastComponent) {
    for (const auto& [url, path] :
         {In{"https://a.example/docs/", "/docs"}, In{"https://a.example/Docs///?q=1", "/Docs"},
          In{"https://a.example/a%20b/", "/a b"}, In{"https://a.example/", "/"},
          In{"https://a.example//", "/"}, In{"https://a.example", ""},
          In{"mailto:a@b.example", "a@b.example"}}) {
        EXPECT_EQ(parsed(url).pathWithoutTrailingSlashes(), path) << url;
    }
    for (const auto& [url, extension] :
         {In{"https://a.com/a.HTML", "HTML"}, In{"https://a.com/.html", ""}, In{"https://a.com/file.", ""},
          In{"https://a.com/a.tar.gz", "gz"}, In{"https://a.com/doc.pdf/", "pdf"},
          In{"https://a.com/dir.d/file", ""}, In{"https://a.com", ""},
          In{"https://a.com/a.pdf?v=1.2#p.3", "pdf"}, In{"file:///tmp/%C3%A9t%C3%A9.d%C3%A9", "d\u00E9"}}) {
        EXPECT_EQ(parsed(url).pathExtension(), extension) << url;
    }
}

TEST(Url, QueryItemsKeepPlusLiteralAndReplacingTheQueryKeepsEveryOtherPartAsWritten) {
    using Items = std::vector<QueryItem>;
    EXPECT_EQ(parsed("https://a.com/?q=a+b&s=%20x%26y").queryItems(), (Items{{"q", "a+b"}, {"s", " x&y"}}));
    EXPECT_EQ(parsed("https://a.com/?a&&b").queryItems(),
              (Items{{"a", std::nullopt}, {"", std::nullopt}, {"b", std::nullopt}}));
    EXPECT_EQ(parsed("https://a.com/?x=&y").queryItems(), (Items{{"x", ""}, {"y", std::nullopt}}));
    EXPECT_EQ(parsed("https://a.com/?k=a=b").queryItems(), (Items{{"k", "a=b"}}));
    EXPECT_TRUE(parsed("https://a.com/?").queryItems().empty());
    EXPECT_TRUE(parsed("https://a.com/").queryItems().empty());

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

TEST(Url, FilePathsRoundTripAwkwardNamesAndAreNoneForOtherSchemesAndForNul) {
    for (const char* path : {"/tmp/a b/c.txt", "/tmp/100%/x", "/tmp/a#b", "/tmp/what?now",
                             "/tmp/\u4E2D\u6587/\u00E9.txt", "/tmp/a+b;c=d", "/"}) {
        auto url = Url::fromFilePath(path);
        EXPECT_EQ(url.query(), std::nullopt) << path;
        EXPECT_EQ(url.filePath(), fs::path(path)) << path;
        EXPECT_EQ(parsed(url.absoluteString()).filePath(), fs::path(path));
    }
    EXPECT_EQ(Url::fromFilePath("/tmp/a b/100%").absoluteString(), "file:///tmp/a%20b/100%25");
    EXPECT_EQ(Url::fromFilePath("/").absoluteString(), "file:///");
    EXPECT_EQ(Url::fromFilePath("relative/x.txt").filePath(), fs::current_path() / "relative/x.txt");
    EXPECT_EQ(parsed("https://a.com/x").filePath(), std::nullopt);
    EXPECT_EQ(parsed("/x").filePath(), std::nullopt);
    EXPECT_EQ(parsed("file:///a%00b").filePath(), std::nullopt);
}

TEST(Url, StandardizingRemovesDotSegmentsOfFileUrlsOnly) {
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
    EXPECT_EQ(resolved("link/").filePath(), real);
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
