#pragma once

// LinkPickerModel is the view-model behind both picker presentations (the classic list and the ring): it
// holds the link no rule decided, the candidate applications in display order, the safety finding, the
// keyboard highlight, the number shortcuts and the "remember" option, and turns a pick into a
// LinkPickerChoice — the application plus, when asked, the matcher of a rule that sends the same kind of
// link there next time.
//
//   LinkPickerModel model(link, candidates, suspicion, removedCount, didResolve, fallbackId);
//   model.moveHighlight(1);                                  // observers of highlightedIndex() hear it
//   auto choice = model.choice(*model.indexForShortcut("2"), model.isRemembering());
//
// The family here: LinkPickerChoice (the result), LinkPickerStatus (the line above the list),
// RingPickerCandidateSet (what fits on the ring) and the model itself.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Observable.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/processing/LinkSuspicion.hpp"
#include "ferrywise/rules/LinkRuleMatcher.hpp"

namespace ferrywise {

// What the user picked: the candidate, and the matcher of the rule to create when they asked to remember.
struct LinkPickerChoice {
    DiscoveredApplication application;
    std::optional<LinkRuleMatcher> rememberedMatcher;

    bool operator==(const LinkPickerChoice&) const = default;
};

// What the picker says about the link before the user picks: a safety warning, what processing changed,
// or that it is safe.
class LinkPickerStatus {
  public:
    struct RemovedTrackingParameters {
        int count = 0;
        bool operator==(const RemovedTrackingParameters&) const = default;
    };
    struct Warning {
        LinkSuspicion suspicion;
        bool operator==(const Warning&) const = default;
    };
    struct Safe {
        bool operator==(const Safe&) const = default;
    };
    struct ResolvedShortLink {
        bool operator==(const ResolvedShortLink&) const = default;
    };
    struct RemovedTrackingParametersAndResolvedShortLink {
        bool operator==(const RemovedTrackingParametersAndResolvedShortLink&) const = default;
    };
    using Value = std::variant<RemovedTrackingParameters, Warning, Safe, ResolvedShortLink,
                               RemovedTrackingParametersAndResolvedShortLink>;

    enum class Case {
        removedTrackingParameters,
        warning,
        safe,
        resolvedShortLink,
        removedTrackingParametersAndResolvedShortLink
    };

    // `count` tracking parameters were removed from the link.
    [[nodiscard]] static LinkPickerStatus removedTrackingParameters(int count) {
        return LinkPickerStatus(RemovedTrackingParameters{count});
    }
    // The safety check found `suspicion`.
    [[nodiscard]] static LinkPickerStatus warning(LinkSuspicion suspicion) {
        return LinkPickerStatus(Warning{std::move(suspicion)});
    }
    // Nothing to report.
    [[nodiscard]] static LinkPickerStatus safe() { return LinkPickerStatus(Safe{}); }
    // The link came from resolving a short link.
    [[nodiscard]] static LinkPickerStatus resolvedShortLink() {
        return LinkPickerStatus(ResolvedShortLink{});
    }
    // Tracking parameters were removed and a short link was resolved.
    [[nodiscard]] static LinkPickerStatus removedTrackingParametersAndResolvedShortLink() {
        return LinkPickerStatus(RemovedTrackingParametersAndResolvedShortLink{});
    }

    [[nodiscard]] const Value& value() const noexcept { return value_; }
    [[nodiscard]] Case which() const noexcept { return static_cast<Case>(value_.index()); }

    // The number of removed parameters; none for every other case.
    [[nodiscard]] std::optional<int> count() const noexcept;
    // The safety finding of a warning; none for every other case.
    [[nodiscard]] std::optional<LinkSuspicion> suspicion() const;

    bool operator==(const LinkPickerStatus&) const = default;

  private:
    explicit LinkPickerStatus(Value value) : value_(std::move(value)) {}

    Value value_;
};

// The candidates placed on the ring, in picker order, and whether more exist than fit.
struct RingPickerCandidateSet {
    std::vector<DiscoveredApplication> candidates;
    bool hasOverflow = false;

    bool operator==(const RingPickerCandidateSet&) const = default;
};

// One model per opened picker, discarded when it closes. A reference type: views hold it and observe its
// three changing properties. Main thread only: it is created, read and changed there, and observers run on
// the thread that changes a property.
class LinkPickerModel {
  public:
    // The number of candidates that get a number shortcut ("1" to "9").
    static constexpr int shortcutLimit = 9;

    // The picker for `link` over `candidates` (display order). The highlight starts on the first candidate
    // whose id equals `fallback` exactly, else on the first candidate.
    LinkPickerModel(InterceptedLink link, std::vector<DiscoveredApplication> candidates,
                    std::optional<LinkSuspicion> suspicion, int removedTrackingParameterCount,
                    bool didResolveShortLink, std::optional<std::string> fallback);
    LinkPickerModel(const LinkPickerModel&) = delete;
    LinkPickerModel& operator=(const LinkPickerModel&) = delete;
    LinkPickerModel(LinkPickerModel&&) = delete;
    LinkPickerModel& operator=(LinkPickerModel&&) = delete;

    [[nodiscard]] const InterceptedLink& link() const noexcept { return link_; }
    [[nodiscard]] const std::vector<DiscoveredApplication>& candidates() const noexcept {
        return candidates_;
    }
    [[nodiscard]] const std::optional<LinkSuspicion>& suspicion() const noexcept { return suspicion_; }
    [[nodiscard]] int removedTrackingParameterCount() const noexcept {
        return removedTrackingParameterCount_;
    }
    [[nodiscard]] bool didResolveShortLink() const noexcept { return didResolveShortLink_; }

    // The keyboard-highlighted candidate's index; only the moveHighlight functions change it.
    [[nodiscard]] const Observable<int>& highlightedIndex() const noexcept { return highlightedIndex_; }
    // Whether the Command key is held; the view sets it.
    [[nodiscard]] Observable<bool>& isHoldingCommand() noexcept { return isHoldingCommand_; }
    [[nodiscard]] const Observable<bool>& isHoldingCommand() const noexcept { return isHoldingCommand_; }
    // The state of the "remember" toggle; the view sets it.
    [[nodiscard]] Observable<bool>& remembersChoice() noexcept { return remembersChoice_; }
    [[nodiscard]] const Observable<bool>& remembersChoice() const noexcept { return remembersChoice_; }

    // The warning if there is one, else what processing did to the link, else safe. A negative count of
    // removed parameters counts as none removed.
    [[nodiscard]] LinkPickerStatus status() const;

    // Returns whether there are no candidates.
    [[nodiscard]] bool isEmpty() const noexcept { return candidates_.empty(); }

    // The link's absolute URL as received; the view lives as long as the model.
    [[nodiscard]] std::string_view linkDisplayText() const noexcept { return link_.url().absoluteString(); }

    // The readable and encoded forms of an internationalised host; none for other hosts and without one.
    [[nodiscard]] std::optional<InterceptedLink::HostForms> hostForms() const { return link_.hostForms(); }

    // The candidate at `index`; none outside the candidates.
    [[nodiscard]] std::optional<DiscoveredApplication> application(int index) const;

    // "1" to "9" for the indexes 0 to 8; none for every other index.
    [[nodiscard]] static std::optional<std::string> shortcutLabel(int index);

    // The index a typed digit selects: n - 1 for a character whose whole-number value n (in any script's
    // digits) is 1 to 9 and at most the number of candidates; otherwise none. The text form takes exactly
    // one code point of UTF-8; anything else gives none.
    [[nodiscard]] std::optional<int> indexForShortcut(std::string_view character) const;
    [[nodiscard]] std::optional<int> indexForShortcut(char32_t character) const;

    // Moves the highlight by `delta` within the list, stopping at the first and last candidate. Does nothing
    // without candidates.
    void moveHighlight(int delta);
    // Moves the highlight by `delta` around the ring, wrapping in both directions. Does nothing without
    // candidates.
    void moveHighlightWrapping(int delta);

    // Returns whether a pick now would be remembered: the toggle is on or Command is held.
    [[nodiscard]] bool isRemembering() const noexcept {
        return remembersChoice_.value() || isHoldingCommand_.value();
    }

    // The matcher a remembered pick creates: every mail link for mailto, the registrable domain of the host
    // with its subdomains for a web link; none for a web link without a host.
    [[nodiscard]] std::optional<LinkRuleMatcher> rememberedMatcher() const;

    // Returns whether a pick can be remembered (rememberedMatcher() is present).
    [[nodiscard]] bool canRemember() const { return rememberedMatcher().has_value(); }

    // What a remembered pick covers, for the toggle's label: "all email links" (localised) for mailto, the
    // registrable domain for a web link with a host; otherwise none.
    [[nodiscard]] std::optional<std::string> rememberSummary(
        const Localization& localization = Localization::current()) const;

    // The choice of the candidate at `index`, with rememberedMatcher() when `remembering`; none outside the
    // candidates.
    [[nodiscard]] std::optional<LinkPickerChoice> choice(int index, bool remembering) const;

    // The first `maximum` candidates (clamped to 4 ... 10) for the ring, and whether some were left out.
    [[nodiscard]] static RingPickerCandidateSet ringCandidates(
        const std::vector<DiscoveredApplication>& candidates, int maximum);

  private:
    [[nodiscard]] int count() const noexcept { return static_cast<int>(candidates_.size()); }

    InterceptedLink link_;
    std::vector<DiscoveredApplication> candidates_;
    std::optional<LinkSuspicion> suspicion_;
    int removedTrackingParameterCount_;
    bool didResolveShortLink_;
    Observable<int> highlightedIndex_;
    Observable<bool> isHoldingCommand_{false};
    Observable<bool> remembersChoice_{false};
};

}  // namespace ferrywise
