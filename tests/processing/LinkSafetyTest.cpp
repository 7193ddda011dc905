#include "ferrywise/processing/LinkSafety.hpp"

#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using S = LinkSuspicion;
using Finding = std::optional<LinkSuspicion>;
using Hosts = std::vector<std::string>;

const Finding none;
const auto userInfo = &S::userInfoImpersonation;
const auto subdomain = &S::impersonatesInSubdomain;
const auto looksLike = &S::looksLike;

std::string described(const Finding& finding) {
    return finding ? finding->message(Localization::english()) : "none";
}

// Expects the same finding for each link (https unless it names another scheme), checked against the same
// rule hosts and dismissed hosts.
void expectFinding(std::initializer_list<std::string> links, const Finding& expected,
                   const Hosts& knownHosts = {}, const std::unordered_set<std::string>& dismissed = {}) {
    for (const auto& text : links) {
        const auto url = text.starts_with("mailto:") || text.starts_with("https:") ? text : "https://" + text;
        auto finding =
            LinkSafety::check(InterceptedLink::make(Url::parse(url).value()).value(), knownHosts, dismissed);
        EXPECT_TRUE(finding == expected) << text << ": " << described(finding);
    }
}

TEST(LinkSuspicion, MessagesInEnglishAndChinese) {
    auto english = Localization::english();
    for (const auto& [suspicion, shortMessage, message] :
         std::vector<std::tuple<S, std::string, std::string>>{
             {userInfo("paypal.com", "evil.example:8080"), "Text and destination differ",
              "This link reads as paypal.com but opens evil.example:8080."},
             {subdomain("paypal.com"), "Impersonating a known site",
              "This is not paypal.com \u2014 that name is only part of the address."},
             {looksLike("paypal.com"), "Lookalike site",
              "This is one or two characters away from paypal.com, which you have a rule for."},
             {S::bareAddress(), "Numeric address",
              "This link points at a numeric address rather than a site name."},
             {S::mixedAlphabets(), "Mixed alphabets",
              "This address mixes alphabets, which is how one site is made to look like another."}}) {
        EXPECT_EQ(suspicion.shortMessage(english), shortMessage);
        EXPECT_EQ(suspicion.message(english), message);
    }
    Localization chinese("zh_CN");
    EXPECT_EQ(S::bareAddress().shortMessage(chinese), "数字地址");
    EXPECT_EQ(userInfo("paypal.com", "evil.example").message(chinese),
              "此链接看起来是 paypal.com，但实际打开的是 evil.example。");
    // A payload that looks like a placeholder is inserted as text, not filled again.
    EXPECT_EQ(looksLike("%@.example").message(english),
              "This is one or two characters away from %@.example, which you have a rule for.");
}

TEST(LinkSafety, EditDistanceCountsCharactersAndStopsPastTheLimit) {
    // An empty first text costs the other's length whatever the limit; past the limit the count stops at
    // limit + 1; "e" with a combining mark, and a flag, are one character each.
    const std::string de = "\U0001F1E9\U0001F1EA", fr = "\U0001F1EB\U0001F1F7";
    const std::vector<std::tuple<std::string, std::string, std::size_t, std::size_t>> cases = {
        {"kitten", "sitting", 3, 3}, {"paypal", "paypal", 0, 0}, {"", "abc", 0, 3},
        {"abc", "", 5, 3},           {"abc", "", 1, 2},          {"abcdef", "uvwxyz", 1, 2},
        {"abcdef", "uvwxyz", 10, 6}, {"e\u0301", "x", 1, 1},     {de, fr, 1, 1},
        {"caf\u00E9", "cafe", 1, 1}};
    for (const auto& [a, b, limit, expected] : cases) {
        EXPECT_EQ(LinkSafety::editDistance(a, b, limit), expected) << a << " / " << b << " limit " << limit;
    }
}

TEST(LinkSafety, NearMissIsOneEditOrTwoInALongFirstLabelWithTheSameRest) {
    // A letter doubled, dropped or replaced; two edits in 10 characters; "ä" with a combining mark is one.
    const std::vector<std::pair<std::string, std::string>> nearMisses = {
        {"paypall.com", "paypal.com"},      {"paypa.com", "paypal.com"},
        {"paypa1.com", "paypal.com"},       {"instagrm.com", "instagram.com"},
        {"welsfaro.com", "wellsfargo.com"}, {"paypa\u0308l.com", "paypal.com"}};
    // Equal; two letters swapped; another ending; lengths two apart; two edits in 9 characters, three in 10;
    // a known label of 4 characters; first label "www"; the rest differs once ".paypall" loses 7 characters.
    const std::vector<std::pair<std::string, std::string>> others = {
        {"paypal.com", "paypal.com"},      {"pyapal.com", "paypal.com"},   {"paypal.net", "paypal.com"},
        {"paypa1.co.uk", "paypal.com"},    {"paypal11.com", "paypal.com"}, {"instgrm.com", "instagram.com"},
        {"welsfar.com", "wellsfargo.com"}, {"ebey.com", "ebay.com"},       {"hsbcc.com", "hsbc.com"},
        {"www.paypal.com", "paypal.com"},  {".paypall.com", "paypal.com"}};
    for (const auto& [candidate, known] : nearMisses) {
        EXPECT_TRUE(LinkSafety::isNearMiss(candidate, known)) << candidate << " / " << known;
    }
    for (const auto& [candidate, known] : others) {
        EXPECT_FALSE(LinkSafety::isNearMiss(candidate, known)) << candidate << " / " << known;
    }
}

TEST(LinkSafety, MailLinksLinksWithoutHostAndDismissedHostsGetNoWarning) {
    expectFinding(
        {"mailto:paypal.com@evil.example", "mailto:someone@192.168.0.1", "https:///paypal.com@1.2.3.4/"},
        none);
    testing::TemporaryFolder folder;
    auto page = InterceptedLink::make(Url::fromFilePath(folder.write("1.2.3.4.html", "<html></html>")));
    ASSERT_TRUE(page);
    EXPECT_EQ(LinkSafety::check(*page, {}, {}), none);
    // Dismissed hosts are compared whole and lower-cased, in the form the host travels in (not decoded).
    expectFinding({"www.paypal.com@192.168.0.1/"}, none, {}, {"192.168.0.1"});
    expectFinding({"www.paypal.com@192.168.0.1/"}, userInfo("www.paypal.com", "192.168.0.1"), {},
                  {"paypal.com"});
    expectFinding({"WWW.Paypa1.com/"}, none, {}, {"www.paypa1.com"});
    expectFinding({"WWW.Paypa1.com/"}, looksLike("paypal.com"), {}, {"WWW.Paypa1.com"});
    expectFinding({"www.paypa1.com/"}, looksLike("paypal.com"), {}, {"paypa1.com"});
    expectFinding({"xn--pypal-4ve.com/"}, none, {}, {"xn--pypal-4ve.com"});
    expectFinding({"xn--pypal-4ve.com/"}, looksLike("paypal.com"), {}, {"p\u0430ypal.com"});
}

TEST(LinkSafety, UserInformationThatReadsAsAnotherSiteComesBeforeNumericAddresses) {
    expectFinding({"paypal.com@evil.example/login"}, userInfo("paypal.com", "evil.example"));
    expectFinding({"paypal.com@evil.example:8443/"}, userInfo("paypal.com", "evil.example:8443"));
    expectFinding({"me%40paypal.com@evil.example/"}, userInfo("me%40paypal.com", "evil.example"));
    expectFinding({"www.paypal.com:secret@evil.example"}, userInfo("www.paypal.com:secret", "evil.example"));
    expectFinding({"paypal.com@1.2.3.4/"}, userInfo("paypal.com", "1.2.3.4"));
    // A user name without a dot; "@" in the path, the query or the fragment.
    expectFinding({"user@evil.example/", "evil.example/go@paypal.com", "evil.example?next=paypal.com@x",
                   "evil.example#paypal.com@x"},
                  none);
    // No range check; empty pieces left out; IPv6; full-width and Arabic-Indic digits; anything in brackets.
    expectFinding({"192.168.0.1/", "999.999.999.999/", "1.2.3.4./", "1..2.3.4/", "[::1]/",
                   "[2001:db8::1]:8080/x", "%EF%BC%91.2.3.4/", "%D9%A1.%D9%A2.3.4/", "%5Bnot-an-address%5D/"},
                  S::bareAddress());
    // Even a site the user has a rule for: the address test comes first.
    expectFinding({"10.0.0.1/"}, S::bareAddress(), {"10.0.0.1"});
    expectFinding({"1.2.3.4.5/", "1.2.3.4.nip.io/", "1.2.3/", "1.2.3.x/"}, none);
}

TEST(LinkSafety, TrustedSitesAndTheirSubdomainsAreQuietButTheirNamesAsSubdomainsOfOthersAreNot) {
    // A trusted site is trusted even with a label that mixes alphabets; a name followed by "-" is no
    // subdomain.
    expectFinding({"paypal.com/", "www.paypal.com/signin", "a.b.paypal.com/", "PAYPAL.COM/",
                   "xn--pple-43d.paypal.com/", "example.org/", "paypal.com-secure.example/"},
                  none);
    expectFinding({"mail.acme.example/"}, none, {"intranet.acme.example"});
    // Before the near-miss test: the last link's site is also one letter from paypal.com.
    expectFinding(
        {"paypal.com.evil.example/", "paypal.com.account-check.evil.example/", "paypal.com.paypa1.com/"},
        subdomain("paypal.com"));
    expectFinding({"accounts.google.com.evil.example/"}, subdomain("accounts.google.com"));
    expectFinding({"acme.example.evil.example/"}, subdomain("acme.example"), {"www.acme.example"});
}

TEST(LinkSafety, LookAlikesOfTrustedSitesUserSitesFirstThenMixedAlphabets) {
    // Cyrillic а; Cyrillic р and а; a letter replaced or doubled. A look-alike of a trusted site mixes
    // alphabets too; the look-alike is named.
    expectFinding({"xn--pypal-4ve.com/", "www.xn--ypal-43d9g.com/", "paypa1.com/", "www.paypall.com/"},
                  looksLike("paypal.com"));
    expectFinding({"xn--ggle-0nda.com/"}, looksLike("google.com"));  // Greek ο twice
    expectFinding({"gmai1.com/"}, looksLike("gmail.com"));
    expectFinding({"bankofamerca.com/", "bnkofamerca.com/"},
                  looksLike("bankofamerica.com"));  // two edits in 13
    // A rule makes a site trusted, and its look-alikes warned about; where both sites are one letter away,
    // the user's is named; a rule host that reduces to nothing names no site.
    expectFinding({"xn--mbank-eze.example/"}, looksLike("mybank.example"), {"online.mybank.example"});
    expectFinding({"paypa1.com/"}, none, {"www.paypa1.com"});
    expectFinding({"acme-bamk.example/"}, looksLike("acme-bank.example"), {"login.acme-bank.example"});
    expectFinding({"paypal1.com/"}, looksLike("paypal2.com"), {"paypal2.com"});
    expectFinding({"paypal1.com/"}, looksLike("paypal.com"));
    expectFinding({".evil.example/"}, none, {"", "..."});
    // The skeleton of "xn--pypal-4ve.com" is paypal.com itself, which beats the near miss "pаypa.com" listed
    // first; where the skeleton names no trusted site, the near miss is reported.
    expectFinding({"xn--pypal-4ve.com/"}, looksLike("paypal.com"), {"p\u0430ypa.com"});
    expectFinding({"xn--pypal-4ve.net/"}, looksLike("p\u0430ypai.net"), {"p\u0430ypai.net"});
    // Latin with Cyrillic х, plain and percent-encoded; Greek α with Latin.
    expectFinding({"xn--mied-66d.example/", "mi%D1%85ed.example/", "xn--bc-b9b.example/"},
                  S::mixedAlphabets());
    // Two edits in 9 characters; another ending; a known label of 4 characters; all Cyrillic with Latin in
    // another label; accented Latin is no Latin letter; digits count as neither; cut short it stays ASCII.
    expectFinding(
        {"acme-bamk.example/", "instgrm.com/", "paypal.net/", "ebey.com/", "dhl-express.com/", "x.co/",
         "xn--e1afmkfd.example/", "%C3%A9%D0%B4.example/", "123%D0%B4.example/", "xn--mied-66.example/"},
        none);
}

TEST(LinkSafety, EachCallSeesTheRuleHostsItIsGivenAlsoOnSeveralThreads) {
    // The same link against changing lists, including lists of the same length, on one thread...
    const Finding one = looksLike("paypal.com"), two = looksLike("paypa2.com");
    expectFinding({"paypa1.com/"}, none, {"www.paypa1.com"});
    expectFinding({"paypa1.com/"}, two, {"www.paypa2.com"});
    expectFinding({"paypa1.com/"}, one, {});
    expectFinding({"paypa1.com/"}, none, {"www.paypa1.com"});
    expectFinding({"paypa1.com/"}, none, {"www.paypa1.com", "acme.example"});
    expectFinding({"paypa1.com/"}, two, {"acme.example", "www.paypa2.com"});
    // ...and on several threads at once, each with its own list.
    auto link = InterceptedLink::make(Url::parse("https://paypa1.com/").value()).value();
    std::vector<Finding> results(4);
    std::vector<char> stable(4, true);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            const Hosts knownHosts = {t % 2 == 0 ? "paypa1.com" : "paypa2.com"};
            results[t] = LinkSafety::check(link, knownHosts, {});
            for (int round = 1; round < 200; ++round) {
                stable[t] = stable[t] && LinkSafety::check(link, knownHosts, {}) == results[t];
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_TRUE(results == (std::vector<Finding>{none, two, none, two}));
    EXPECT_EQ(stable, std::vector<char>(4, true));
}

TEST(InterceptedLinkHostForms, NoneWhenTheHostHasNoOtherFormOrThereIsNoHost) {
    for (const char* url : {"https://Example.com/", "https://xn--99999999999999.example/",
                            "https://xn--.example/", "mailto:a@xn--mnchen-3ya.de", "https:///path"}) {
        EXPECT_EQ(InterceptedLink::make(Url::parse(url).value())->hostForms(), std::nullopt) << url;
    }
}

}  // namespace
}  // namespace ferrywise
