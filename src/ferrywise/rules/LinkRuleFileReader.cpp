#include "ferrywise/rules/LinkRuleFileReader.hpp"

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/rules/LinkRuleDecoding.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;

// The containers being read, outermost first: the file object, its "rules" array, one rule, its matcher or
// its "timeWindows" array, one window, its "days" array.
enum class Frame { file, rules, rule, matcher, windows, window, days };

// What the next value is for.
enum class Target { file, skip, member, rules, matcher, timeWindows, days };

class RuleFileReader final : public nlohmann::json_sax<json> {
  public:
    std::vector<LinkRule> rules;
    std::string error;

    bool null() override { return scalar(json(nullptr)); }
    bool boolean(bool value) override { return scalar(json(value)); }
    bool number_integer(number_integer_t value) override { return scalar(json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return scalar(json(value)); }
    bool string(string_t& value) override { return scalar(json(std::move(value))); }
    bool binary(binary_t&) override { return fail("binary values are not JSON"); }

    bool start_object(std::size_t) override { return startContainer(json::value_t::object); }
    bool start_array(std::size_t) override { return startContainer(json::value_t::array); }
    bool key(string_t& key) override;
    bool end_object() override;
    bool end_array() override;

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
        // Only the position: the parser's own message quotes the text it read, which may be a whole link.
        error = "the file is not valid JSON (at byte " + std::to_string(position) + ")";
        return false;
    }

  private:
    struct MatcherMembers {
        json kind, url, domain, includingSubdomains, path;
    };
    struct WindowMembers {
        std::optional<std::set<std::int64_t>> days;
        json start, end;
    };
    struct RuleMembers {
        json id, bundleIdentifier, source;
        std::optional<LinkRuleMatcher> matcher;
        std::optional<std::vector<LinkRuleTimeWindow>> timeWindows;
    };

    bool scalar(json value);
    bool startContainer(json::value_t type);
    bool element(json::value_t type, json* value);
    bool fail(const std::string& message);
    // Marks a known key as seen in the current object; false (and the error) when it was seen before.
    bool firstTime(unsigned bit, std::string_view key);
    template <typename Decode>
    bool decode(Decode&& decode);

    std::vector<Frame> frames_;
    std::vector<unsigned> seen_;  // per open object: which known keys it had
    Target target_ = Target::file;
    json* member_ = nullptr;
    std::size_t skipDepth_ = 0;

    MatcherMembers matcher_;
    WindowMembers window_;
    std::vector<LinkRuleTimeWindow> windows_;
    RuleMembers rule_;
    bool sawRules_ = false;
};

bool RuleFileReader::fail(const std::string& message) {
    if (std::find(frames_.begin(), frames_.end(), Frame::rule) != frames_.end()) {
        error = "rule " + std::to_string(rules.size() + 1) + ": " + message;
    } else {
        error = message;
    }
    return false;
}

template <typename Decode>
bool RuleFileReader::decode(Decode&& decode) {
    try {
        decode();
        return true;
    } catch (const DecodingError& decodingError) {
        return fail(decodingError.what());
    }
}

bool RuleFileReader::firstTime(unsigned bit, std::string_view key) {
    if ((seen_.back() & bit) != 0) {
        return fail("the key \"" + std::string(key) + "\" appears twice");
    }
    seen_.back() |= bit;
    return true;
}

bool RuleFileReader::scalar(json value) {
    if (skipDepth_ > 0) {
        return true;
    }
    return element(value.type(), &value);
}

bool RuleFileReader::startContainer(json::value_t type) {
    if (skipDepth_ > 0) {
        ++skipDepth_;
        return true;
    }
    return element(type, nullptr);
}

// One value begins: a scalar (`value` set) or a container of `type`.
bool RuleFileReader::element(json::value_t type, json* value) {
    bool isObject = type == json::value_t::object;
    bool isArray = type == json::value_t::array;
    auto typeName = [type] { return json(type).type_name(); };
    auto wrongType = [&](std::string_view key, std::string_view expected) {
        return fail("\"" + std::string(key) + "\" should be " + std::string(expected) + " but is " +
                    typeName());
    };
    auto enter = [this](Frame frame, bool object) {
        frames_.push_back(frame);
        if (object) {
            seen_.push_back(0);
        }
        target_ = Target::skip;
        return true;
    };

    if (!frames_.empty() && target_ == Target::skip) {
        // An array element (object members always come with a key, which sets the target).
        switch (frames_.back()) {
            case Frame::rules:
                if (!isObject) {
                    frames_.push_back(Frame::rule);  // so that the error names the rule
                    return wrongType("rule", "an object");
                }
                rule_ = {};
                return enter(Frame::rule, true);
            case Frame::windows:
                if (!isObject) {
                    return wrongType("time window", "an object");
                }
                window_ = {};
                return enter(Frame::window, true);
            case Frame::days:
                if (value == nullptr) {
                    return wrongType("days", "an integer");
                }
                return decode([&] { window_.days->insert(coding::integer(*value, "days")); });
            default:
                break;
        }
    }

    switch (target_) {
        case Target::file:
            if (!isObject) {
                return wrongType("the rule file", "an object");
            }
            return enter(Frame::file, true);
        case Target::skip:
            if (value == nullptr) {
                skipDepth_ = 1;
            }
            return true;
        case Target::member:
            // Kept for the decoder, which reports a wrong type only where the member matters.
            *member_ = value != nullptr ? std::move(*value) : json(type);
            target_ = Target::skip;
            if (value == nullptr) {
                skipDepth_ = 1;
            }
            return true;
        case Target::rules:
            if (!isArray) {
                return type == json::value_t::null ? fail("the key \"rules\" is missing")
                                                   : wrongType("rules", "an array");
            }
            sawRules_ = true;
            return enter(Frame::rules, false);
        case Target::matcher:
            if (type == json::value_t::null) {
                target_ = Target::skip;
                return true;  // absent: the rule reports it missing
            }
            if (!isObject) {
                return wrongType("matcher", "an object");
            }
            matcher_ = {};
            return enter(Frame::matcher, true);
        case Target::timeWindows:
            if (type == json::value_t::null) {
                target_ = Target::skip;
                return true;
            }
            if (!isArray) {
                return wrongType("timeWindows", "an array");
            }
            windows_.clear();
            return enter(Frame::windows, false);
        case Target::days:
            if (type == json::value_t::null) {
                target_ = Target::skip;
                return true;
            }
            if (!isArray) {
                return wrongType("days", "an array");
            }
            window_.days.emplace();
            return enter(Frame::days, false);
    }
    return true;
}

bool RuleFileReader::key(string_t& key) {
    if (skipDepth_ > 0) {
        return true;
    }
    target_ = Target::skip;
    auto member = [&](unsigned bit, json& slot) {
        target_ = Target::member;
        member_ = &slot;
        return firstTime(bit, key);
    };
    auto container = [&](unsigned bit, Target target) {
        target_ = target;
        return firstTime(bit, key);
    };
    switch (frames_.back()) {
        case Frame::file:
            return key == "rules" ? container(1, Target::rules) : true;
        case Frame::rule:
            if (key == "id") {
                return member(1, rule_.id);
            }
            if (key == "bundleIdentifier") {
                return member(2, rule_.bundleIdentifier);
            }
            if (key == "source") {
                return member(4, rule_.source);
            }
            if (key == "matcher") {
                return container(8, Target::matcher);
            }
            return key == "timeWindows" ? container(16, Target::timeWindows) : true;
        case Frame::matcher:
            if (key == "kind") {
                return member(1, matcher_.kind);
            }
            if (key == "url") {
                return member(2, matcher_.url);
            }
            if (key == "domain") {
                return member(4, matcher_.domain);
            }
            if (key == "includingSubdomains") {
                return member(8, matcher_.includingSubdomains);
            }
            return key == "path" ? member(16, matcher_.path) : true;
        case Frame::window:
            if (key == "start") {
                return member(1, window_.start);
            }
            if (key == "end") {
                return member(2, window_.end);
            }
            return key == "days" ? container(4, Target::days) : true;
        default:
            return true;
    }
}

bool RuleFileReader::end_object() {
    if (skipDepth_ > 0) {
        --skipDepth_;
        return true;
    }
    auto frame = frames_.back();
    bool decoded = true;
    switch (frame) {
        case Frame::file:
            if (!sawRules_) {
                return fail("the key \"rules\" is missing");
            }
            break;
        case Frame::rule:
            decoded = decode([&] {
                rules.push_back(decoding::rule({&rule_.id, std::move(rule_.matcher), &rule_.bundleIdentifier,
                                                &rule_.source, std::move(rule_.timeWindows)}));
            });
            break;
        case Frame::matcher:
            decoded = decode([&] {
                rule_.matcher = decoding::matcher({&matcher_.kind, &matcher_.url, &matcher_.domain,
                                                   &matcher_.includingSubdomains, &matcher_.path});
            });
            break;
        case Frame::window:
            decoded = decode([&] {
                windows_.push_back(
                    decoding::timeWindow(std::move(window_.days), &window_.start, &window_.end));
            });
            break;
        default:
            break;
    }
    frames_.pop_back();
    seen_.pop_back();
    target_ = Target::skip;
    return decoded;
}

bool RuleFileReader::end_array() {
    if (skipDepth_ > 0) {
        --skipDepth_;
        return true;
    }
    if (frames_.back() == Frame::windows) {
        rule_.timeWindows = std::move(windows_);
        windows_.clear();
    }
    frames_.pop_back();
    target_ = Target::skip;
    return true;
}

}  // namespace

std::vector<LinkRule> readRuleFile(std::string_view text) {
    RuleFileReader reader;
    if (!json::sax_parse(text.begin(), text.end(), &reader)) {
        throw DecodingError(reader.error.empty() ? "the file is not valid JSON" : reader.error);
    }
    return std::move(reader.rules);
}

}  // namespace ferrywise
