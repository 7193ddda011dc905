#include "ferrywise/processing/LinkSafety.hpp"

#include <thread>
#include <tuple>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using S = LinkSuspicion;
using Finding = std::optional<LinkSuspicion>;
using Hosts = std::vector<std::string>;

const Finding none;
const auto userInfo = &S::userInfoImpersonation;
const auto subdomain = &S::impersonatesInSubdomain;
const auto looksLike = &S::looksLike;

// Expects the same finding for each link (https unless it names another scheme), checked against the same
// rule hosts and dismissed hosts.
void expectFinding(std::initializer_list<std::string> links, const Finding& expected,
                   const Hosts& knownHosts = {}, const std::unordered_set<std::string>& dismissed = {}) {
    for (const auto& text : links) {
        const auto url = text.starts_with("mailto:") || text.starts_with("https:") ? text : "https://" + text;
        auto finding =
            LinkSafety::check(InterceptedLink::make(Url::parse(url).value()).value(), knownHosts, dismissed);
        EXPECT_TRUE(finding == expected)
            << text << ": " << (finding ? finding->message(Localization::english()) : "none");
    }
}

TEST(LinkSuspicion, MessagesInEnglishAndChinese) {
    auto english = Localization::english();
    EXPECT_EQ(userInfo("paypal.com", "evil.example:8080").message(english),
              "This link reads as paypal.com but opens evil.example:8080.");
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
    // limit + 1; "e" with a combining mark is one character.
    const std::vector<std::tuple<std::string, std::string, std::size_t, std::size_t>> cases = {
        {"kitten", "sitting", 3, 3}, {"", "abc", 0, 3}, {"abcdef", "uvwxyz", 1, 2}, {"e\u0301", "x", 1, 1}};
    for (const auto& [a, b, limit, expected] : cases) {
        EXPECT_EQ(LinkSafety::editDistance(a, b, limit), expected) << a << " / " << b << " limit " << limit;
    }
}

TEST(LinkSafety, NearMissIsOneEditOrTwoInALongFirstLabelWithTheSameRest) {
    // Near: one edit in 5 characters; two in 10; "ä" with a combining mark is one character. Not near: equal;
    // another ending; lengths two apart; two edits in 9 characters, three in 10; a known label of 4
    // characters; the rest differs once ".paypall" loses 7 characters.
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"gmai1.com", "gmail.com", true},          {"welsfaro.com", "wellsfargo.com", true},
        {"paypa\u0308l.com", "paypal.com", true},  {"paypal.com", "paypal.com", false},
        {"paypal.net", "paypal.com", false},       {"paypal11.com", "paypal.com", false},
        {"instegrem.com", "instagram.com", false}, {"wellsfxxxo.com", "wellsfargo.com", false},
        {"ebey.com", "ebay.com", false},           {".paypall.com", "paypal.com", false}};
    for (const auto& [candidate, known, near] : cases) {
        EXPECT_EQ(LinkSafety::isNearMiss(candidate, known), near) << candidate << " / " << known;
    }
}

TEST(LinkSafety, MailLinksLinksWithoutHostAndDismissedHostsGetNoWarning) {
    expectFinding({"mailto:paypal.com@evil.example", "https:///paypal.com@1.2.3.4/"}, none);
    // Dismissed hosts are compared whole and lower-cased, in the form the host travels in (not decoded).
    expectFinding({"WWW.Paypa1.com/"}, none, {}, {"www.paypa1.com"});
    expectFinding({"www.paypa1.com/"}, looksLike("paypal.com"), {}, {"paypa1.com"});
    expectFinding({"xn--pypal-4ve.com/"}, looksLike("paypal.com"), {}, {"p\u0430ypal.com"});
}

TEST(LinkSafety, UserInformationThatReadsAsAnotherSiteComesBeforeNumericAddresses) {
    expectFinding({"www.paypal.com:secret@evil.example:8443/"},
                  userInfo("www.paypal.com:secret", "evil.example:8443"));
    expectFinding({"paypal.com@1.2.3.4/"}, userInfo("paypal.com", "1.2.3.4"));
    // A user name without a dot; "@" in the path, the query or the fragment.
    expectFinding({"user@evil.example/", "evil.example/go@paypal.com", "evil.example?next=paypal.com@x",
                   "evil.example#paypal.com@x"},
                  none);
    // No range check; a trailing dot; IPv6; Arabic-Indic digits; anything in brackets.
    expectFinding({"999.999.999.999/", "1.2.3.4./", "[2001:db8::1]:8080/x", "%D9%A1.%D9%A2.3.4/",
                   "%5Bnot-an-address%5D/"},
                  S::bareAddress());
    // Even a site the user has a rule for: the address test comes first.
    expectFinding({"10.0.0.1/"}, S::bareAddress(), {"10.0.0.1"});
    expectFinding({"1.2.3.4.5/", "1.2.3.4.nip.io/"}, none);
}

TEST(LinkSafety, TrustedSitesAndTheirSubdomainsAreQuietButTheirNamesAsSubdomainsOfOthersAreNot) {
    // A trusted site in any case, and its subdomains even with a label that mixes alphabets; a name followed
    // by "-" is no subdomain.
    expectFinding({"PAYPAL.COM/signin", "xn--pple-43d.paypal.com/", "paypal.com-secure.example/"}, none);
    expectFinding({"mail.acme.example/"}, none, {"intranet.acme.example"});
    // Before the near-miss test: the second link's site is also one letter from paypal.com.
    expectFinding({"paypal.com.evil.example/", "paypal.com.paypa1.com/"}, subdomain("paypal.com"));
    expectFinding({"acme.example.evil.example/"}, subdomain("acme.example"), {"www.acme.example"});
}

TEST(LinkSafety, LookAlikesOfTrustedSitesUserSitesFirstThenMixedAlphabets) {
    // Cyrillic а (its skeleton is the site); a letter replaced.
    expectFinding({"xn--pypal-4ve.com/", "paypa1.com/"}, looksLike("paypal.com"));
    // Where both sites are one letter away, the user's is named; a rule host that reduces to nothing names
    // no site.
    expectFinding({"paypal1.com/"}, looksLike("paypal2.com"), {"paypal2.com"});
    expectFinding({".evil.example/"}, none, {"", "..."});
    // The skeleton of "xn--pypal-4ve.com" is paypal.com itself, which beats the near miss "pаypa.com" listed
    // first; where the skeleton names no trusted site, the near miss is reported.
    expectFinding({"xn--pypal-4ve.com/"}, looksLike("paypal.com"), {"p\u0430ypa.com"});
    expectFinding({"xn--pypal-4ve.net/"}, looksLike("p\u0430ypai.net"), {"p\u0430ypai.net"});
    // Latin with Cyrillic х, plain and percent-encoded.
    expectFinding({"xn--mied-66d.example/", "mi%D1%85ed.example/"}, S::mixedAlphabets());
    // All Cyrillic with Latin in another label; accented Latin is no Latin letter; digits count as neither;
    // cut short it stays ASCII.
    expectFinding(
        {"xn--e1afmkfd.example/", "%C3%A9%D0%B4.example/", "123%D0%B4.example/", "xn--mied-66.example/"},
        none);
}

TEST(LinkSafety, EachCallSeesTheRuleHostsItIsGivenAlsoOnSeveralThreads) {
    // The same link against changing lists, including lists of the same length, on one thread...
    const Finding two = looksLike("paypa2.com");
    expectFinding({"paypa1.com/"}, none, {"www.paypa1.com"});
    expectFinding({"paypa1.com/"}, two, {"www.paypa2.com"});
    expectFinding({"paypa1.com/"}, looksLike("paypal.com"), {});
    // ...and on several threads at once, each with its own list.
    auto link = InterceptedLink::make(Url::parse("https://paypa1.com/").value()).value();
    std::vector<char> correct(4, true);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < correct.size(); ++t) {
        threads.emplace_back([&, t] {
            const Hosts knownHosts = {t % 2 == 0 ? "paypa1.com" : "paypa2.com"};
            for (int round = 0; round < 200; ++round) {
                correct[t] =
                    correct[t] && LinkSafety::check(link, knownHosts, {}) == (t % 2 == 0 ? none : two);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(correct, std::vector<char>(4, true));
}

}  // namespace
}  // namespace ferrywise
