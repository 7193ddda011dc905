#include "ferrywise/picker/LinkPickerModel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <unicode/uchar.h>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

// The index of the first candidate whose id is `fallback`, else 0.
int initialHighlight(const std::vector<DiscoveredApplication>& candidates,
                     const std::optional<std::string>& fallback) {
    if (!fallback) {
        return 0;
    }
    auto found =
        std::find_if(candidates.begin(), candidates.end(),
                     [&](const DiscoveredApplication& candidate) { return candidate.id() == *fallback; });
    return found == candidates.end() ? 0 : static_cast<int>(found - candidates.begin());
}

}  // namespace

std::optional<int> LinkPickerStatus::count() const noexcept {
    if (const auto* removed = std::get_if<RemovedTrackingParameters>(&value_)) {
        return removed->count;
    }
    return std::nullopt;
}

std::optional<LinkSuspicion> LinkPickerStatus::suspicion() const {
    if (const auto* warning = std::get_if<Warning>(&value_)) {
        return warning->suspicion;
    }
    return std::nullopt;
}

LinkPickerModel::LinkPickerModel(InterceptedLink link, std::vector<DiscoveredApplication> candidates,
                                 std::optional<LinkSuspicion> suspicion, int removedTrackingParameterCount,
                                 bool didResolveShortLink, std::optional<std::string> fallback)
    : link_(std::move(link)),
      candidates_(std::move(candidates)),
      suspicion_(std::move(suspicion)),
      removedTrackingParameterCount_(removedTrackingParameterCount),
      didResolveShortLink_(didResolveShortLink),
      highlightedIndex_(initialHighlight(candidates_, fallback)) {}

LinkPickerStatus LinkPickerModel::status() const {
    if (suspicion_) {
        return LinkPickerStatus::warning(*suspicion_);
    }
    bool removedSome = removedTrackingParameterCount_ >= 1;
    if (removedSome && didResolveShortLink_) {
        return LinkPickerStatus::removedTrackingParametersAndResolvedShortLink();
    }
    if (removedSome) {
        return LinkPickerStatus::removedTrackingParameters(removedTrackingParameterCount_);
    }
    if (didResolveShortLink_) {
        return LinkPickerStatus::resolvedShortLink();
    }
    return LinkPickerStatus::safe();
}

std::optional<DiscoveredApplication> LinkPickerModel::application(int index) const {
    if (index < 0 || index >= count()) {
        return std::nullopt;
    }
    return candidates_[static_cast<std::size_t>(index)];
}

std::optional<std::string> LinkPickerModel::shortcutLabel(int index) {
    // A negative index has no candidate, so it gets no label either.
    if (index < 0 || index >= shortcutLimit) {
        return std::nullopt;
    }
    return std::to_string(index + 1);
}

std::optional<int> LinkPickerModel::indexForShortcut(std::string_view character) const {
    if (character.empty() || !text::isValidUtf8(character)) {
        return std::nullopt;
    }
    std::size_t offset = 0;
    auto codePoint = text::nextCodePoint(character, offset);
    // A keycap or any other sequence of several code points is not one digit.
    if (offset != character.size()) {
        return std::nullopt;
    }
    return indexForShortcut(codePoint);
}

std::optional<int> LinkPickerModel::indexForShortcut(char32_t character) const {
    // The Unicode numeric value covers every script's digits ("٣" is 3) and other whole numbers ("五");
    // fractions such as "½" are not whole and select nothing.
    double value = u_getNumericValue(static_cast<UChar32>(character));
    if (value == U_NO_NUMERIC_VALUE || value != std::floor(value) || value < 1 || value > shortcutLimit) {
        return std::nullopt;
    }
    auto n = static_cast<int>(value);
    if (n > count()) {
        return std::nullopt;
    }
    return n - 1;
}

void LinkPickerModel::moveHighlight(int delta) {
    if (candidates_.empty()) {
        return;
    }
    // In 64 bits, so that a huge delta stops at the end instead of overflowing.
    auto target = std::int64_t{highlightedIndex_.value()} + delta;
    highlightedIndex_.set(static_cast<int>(std::clamp<std::int64_t>(target, 0, count() - 1)));
}

void LinkPickerModel::moveHighlightWrapping(int delta) {
    if (candidates_.empty()) {
        return;
    }
    // In 64 bits, so that a huge delta wraps like a small one instead of overflowing.
    auto size = std::int64_t{count()};
    auto target = ((std::int64_t{highlightedIndex_.value()} + delta) % size + size) % size;
    highlightedIndex_.set(static_cast<int>(target));
}

std::optional<LinkRuleMatcher> LinkPickerModel::rememberedMatcher() const {
    if (link_.scheme() == LinkScheme::mailto) {
        return LinkRuleMatcher::mailDefault();
    }
    // The whole site, so that the rule also covers the sibling subdomains of the one seen now.
    return LinkRuleMatcher::site(link_);
}

std::optional<std::string> LinkPickerModel::rememberSummary(const Localization& localization) const {
    if (link_.scheme() == LinkScheme::mailto) {
        return localization.text("all email links");
    }
    auto host = link_.host();
    if (!host) {
        return std::nullopt;
    }
    return LinkRuleMatcher::registrableDomain(*host);
}

std::optional<LinkPickerChoice> LinkPickerModel::choice(int index, bool remembering) const {
    auto candidate = application(index);
    if (!candidate) {
        return std::nullopt;
    }
    return LinkPickerChoice{std::move(*candidate), remembering ? rememberedMatcher() : std::nullopt};
}

RingPickerCandidateSet LinkPickerModel::ringCandidates(const std::vector<DiscoveredApplication>& candidates,
                                                       int maximum) {
    auto limit = static_cast<std::size_t>(std::clamp(maximum, 4, 10));
    auto kept = std::min(limit, candidates.size());
    return RingPickerCandidateSet{
        std::vector<DiscoveredApplication>(candidates.begin(),
                                           candidates.begin() + static_cast<std::ptrdiff_t>(kept)),
        limit < candidates.size()};
}

}  // namespace ferrywise
