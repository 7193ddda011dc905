#include "ferrywise/link/InterceptedLink.hpp"

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

std::optional<InterceptedLink> linkFor(std::string_view text,
                                       std::optional<LinkSource> source = std::nullopt) {
    auto url = Url::parse(text);
    if (!url) {
        ADD_FAILURE() << "does not parse: " << text;
        return std::nullopt;
    }
    return InterceptedLink::make(*url, std::move(source));
}

TEST(InterceptedLink, AcceptsWebAndMailSchemesInAnyCase) {
    auto link = linkFor("HTTP://Example.com/Path?q=1");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->scheme(), LinkScheme::http);
    // The URL is kept exactly as received.
    EXPECT_EQ(link->url().absoluteString(), "HTTP://Example.com/Path?q=1");
    EXPECT_EQ(linkFor("mailto:a@example.com")->scheme(), LinkScheme::mailto);
    for (auto text :
         {"ftp://example.com/", "example.com", "/just/a/path", "javascript:alert(1)", "file:///etc/passwd"}) {
        EXPECT_EQ(linkFor(text), std::nullopt) << text;
    }
}

TEST(InterceptedLink, KeepsTheSourceAndComparesIt) {
    auto source = LinkSource::make("org.gnome.Evolution", "Evolution", std::nullopt);
    auto withSource = linkFor("https://example.com", source);
    ASSERT_TRUE(withSource);
    EXPECT_EQ(withSource->source(), source);
    EXPECT_NE(withSource, linkFor("https://example.com"));
    EXPECT_EQ(linkFor("https://example.com"), linkFor("https://example.com"));
    EXPECT_NE(linkFor("https://example.com"), linkFor("https://example.com/"));
}

class LocalHtml : public ::testing::Test {
  protected:
    std::optional<InterceptedLink> fileLink(const std::filesystem::path& path, std::string_view host = "") {
        auto url = Url::fromFilePath(path);
        if (!host.empty()) {
            url = *Url::parse("file://" + std::string(host) + std::string(url.encodedPath()));
        }
        return InterceptedLink::make(url);
    }

    testing::TemporaryFolder folder;
};

TEST_F(LocalHtml, ExistingHtmlFilesBecomeHttpsLinks) {
    auto page = folder.write("page.html", "<html></html>");
    auto link = fileLink(page);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->scheme(), LinkScheme::https);
    EXPECT_EQ(link->url(), Url::fromFilePath(page));
    EXPECT_EQ(link->host(), std::nullopt);
    EXPECT_EQ(link->logSummary(), "(no host)");
    EXPECT_EQ(link->displaySummary(), Url::fromFilePath(page).absoluteString());

    EXPECT_TRUE(fileLink(folder.write("UPPER.HTML", "")));
    EXPECT_TRUE(fileLink(folder.write("with space ü.html", "")));
    EXPECT_TRUE(fileLink(page, "localhost"));
    EXPECT_TRUE(fileLink(page, "LOCALHOST"));
}

TEST_F(LocalHtml, OtherFilesAndPlacesAreRefused) {
    auto page = folder.write("page.html", "");
    EXPECT_FALSE(fileLink(folder.write("page.htm", "")));
    EXPECT_FALSE(fileLink(folder.write("page.html.txt", "")));
    EXPECT_FALSE(fileLink(folder.write("notes.txt", "")));
    EXPECT_FALSE(fileLink(folder.path() / "missing.html"));
    std::filesystem::create_directory(folder.path() / "folder.html");
    EXPECT_FALSE(fileLink(folder.path() / "folder.html"));
    EXPECT_FALSE(fileLink(page, "otherhost"));
    // A query or fragment does not hide the extension from the check.
    EXPECT_TRUE(
        InterceptedLink::make(*Url::parse(std::string(Url::fromFilePath(page).absoluteString()) + "#top")));
}

TEST_F(LocalHtml, SymbolicLinksAreNotRegularFiles) {
    auto page = folder.write("real.html", "");
    std::filesystem::create_symlink(page, folder.path() / "alias.html");
    EXPECT_TRUE(fileLink(page));
    EXPECT_FALSE(fileLink(folder.path() / "alias.html"));
    std::filesystem::create_symlink(folder.path() / "gone.html", folder.path() / "dangling.html");
    EXPECT_FALSE(fileLink(folder.path() / "dangling.html"));
}

TEST(InterceptedLink, HostIsLowerCasedAndEmptyHostIsNone) {
    EXPECT_EQ(linkFor("https://MiXeD.Example.COM/x")->host(), "mixed.example.com");
    EXPECT_EQ(linkFor("https:///path")->host(), std::nullopt);
    EXPECT_EQ(linkFor("https:path")->host(), std::nullopt);
    EXPECT_EQ(linkFor("mailto:someone@example.com")->host(), std::nullopt);
    EXPECT_EQ(linkFor("http://[::1]:8080/")->host(), "::1");
    EXPECT_EQ(linkFor("https://B%C3%BCcher.example/")->host(), "bücher.example");
}

TEST(InterceptedLink, DisplaySummary) {
    EXPECT_EQ(linkFor("https://WWW.Example.com/a/b?c=d")->displaySummary(), "www.example.com");
    EXPECT_EQ(linkFor("https:///nohost")->displaySummary(), "https:///nohost");
    EXPECT_EQ(linkFor("mailto:someone@example.com?subject=Hello")->displaySummary(),
              "someone@example.com?subject=Hello");
    // Only the exact lower-case prefix text is removed, wherever it occurs.
    EXPECT_EQ(linkFor("mailto:a@example.com?body=mailto:b")->displaySummary(), "a@example.com?body=b");
    EXPECT_EQ(linkFor("MAILTO:a@example.com")->displaySummary(), "MAILTO:a@example.com");
}

TEST(InterceptedLink, LogSummaryNeverCarriesAMailbox) {
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"mailto:someone@example.com?subject=Hi", "mailto:\u2026@example.com"},
        {"mailto:a@one.example,b@two.example", "mailto:\u2026@two.example"},
        {"mailto:a@one.example,", "mailto:\u2026@one.example"},
        {"mailto:@example.com", "mailto:\u2026@example.com"},
        {"mailto:a@b@c.example", "mailto:\u2026@c.example"},
        {"mailto:", "mailto:(no recipient)"},
        {"mailto:?subject=x@example.com", "mailto:(no recipient)"},
        {"mailto:someone", "mailto:(no recipient)"},
        {"mailto:@", "mailto:(no recipient)"},
        // Nothing after the last "@": the only text is the mailbox, which must stay out of the log.
        {"mailto:user@", "mailto:(no recipient)"},
        {"mailto:first,second@", "mailto:(no recipient)"},
        {"mailto:user@@", "mailto:(no recipient)"},
        {"mailto:a@user@", "mailto:(no recipient)"},
        {"mailto:@user@", "mailto:(no recipient)"},
        {"mailto:a@example.com,other@", "mailto:(no recipient)"},
        // After the last "@" comes only a bare mailbox: the recipient there has no domain.
        {"mailto:a@,bob", "mailto:(no recipient)"},
        {"mailto:a@,,,", "mailto:(no recipient)"},
        // Control characters would break or forge log lines, so they stay encoded.
        {"mailto:a@evil%0Aforged.example", "mailto:\u2026@evil%0Aforged.example"},
        {"https://a%0Ab.example/", "a%0Ab.example"},
        {"https://a%00b.example/", "a%00b.example"},
        {"https://example.com/a", "example.com"},
        {"https:///a", "(no host)"},
    };
    for (const auto& test : cases) {
        auto link = linkFor(test.url);
        ASSERT_TRUE(link) << test.url;
        EXPECT_EQ(link->logSummary(), test.expected) << test.url;
    }
}

}  // namespace
}  // namespace ferrywise
