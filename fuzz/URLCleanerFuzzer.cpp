// Cleaning any link, with any exceptions, gives a valid link that differs from the input only in its query,
// removes exactly the items it reports, keeps the rest in order, and finds nothing more to remove after.
// The text before the first line break lists exceptions separated by ","; the rest is the link.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ferrywise/processing/LinkRewriter.hpp"
#include "ferrywise/processing/URLCleaner.hpp"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    while (true) {
        auto at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(at + 1);
    }
}

std::vector<ferrywise::QueryItem> withoutEmptyItems(std::vector<ferrywise::QueryItem> items) {
    std::erase(items, ferrywise::QueryItem{});
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto newline = input.find('\n');
    auto exceptionText = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    auto text = newline == std::string_view::npos ? input : input.substr(newline + 1);
    auto url = Url::parse(text);
    if (!url) {
        return 0;
    }
    (void)LinkRewriter::expand(*url);

    URLCleaner cleaner(split(exceptionText, ','));
    auto cleaned = cleaner.clean(*url);
    auto removed = cleaner.removedParameterNames(*url);
    require(Url::parse(cleaned.absoluteString()).has_value());
    if (removed.empty()) {
        require(cleaned.absoluteString() == url->absoluteString());
        return 0;
    }
    require(url->scheme() == cleaned.scheme() &&
            url->view().encoded_authority() == cleaned.view().encoded_authority());
    require(url->encodedPath() == cleaned.encodedPath() &&
            url->encodedFragment() == cleaned.encodedFragment());
    require(cleaner.removedParameterNames(cleaned).empty());
    require(cleaner.clean(cleaned) == cleaned);

    // The kept items are the original ones, in order, minus exactly the removed ones. Empty items ("&&")
    // are left out of the comparison: a query of one empty item reads as no items at all.
    auto before = withoutEmptyItems(url->queryItems());
    auto after = withoutEmptyItems(cleaned.queryItems());
    require(before.size() == after.size() + removed.size());
    std::size_t next = 0;
    std::size_t removedSeen = 0;
    for (const auto& item : before) {
        if (next < after.size() && item == after[next] && !cleaner.removes(item.name)) {
            ++next;
        } else {
            require(cleaner.removes(item.name) && removed[removedSeen++] == item.name);
        }
    }
    require(next == after.size() && removedSeen == removed.size());
    return 0;
}
