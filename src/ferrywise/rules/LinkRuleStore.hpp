#pragma once

// LinkRuleStore keeps the user's rules in one JSON file, "LinkRules.json" in the host's Application Support
// folder: an object whose "rules" array holds the rules in the user's order. Loading never fails; saving is
// atomic, also through a symbolic link (the link stays and its target is replaced). The rule engine and the
// sync manager each hold a store for the same file; changes take the store's lock.
//
//   LinkRuleStore store(LinkRuleStore::defaultFileUrl(Paths::fromEnvironment()));
//   auto rules = store.load();

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/foundation/FileLock.hpp"
#include "ferrywise/foundation/FileStamp.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/rules/LinkRule.hpp"

namespace ferrywise {

class LinkRuleStore {
  public:
    static constexpr std::string_view fileName = "LinkRules.json";
    // The host's bundle identifier when the running host reports none.
    static constexpr std::string_view fallbackBundleIdentifier = Paths::defaultBundleIdentifier;
    // Where an unreadable rule file is kept when a save would replace it: beside it, under this suffix
    // (then "-2", "-3"... so an older copy is never overwritten).
    static constexpr std::string_view unreadableSuffix = ".unreadable";

    // A store for the file at a "file" URL; throws std::invalid_argument for any other URL.
    explicit LinkRuleStore(const Url& fileUrl);
    explicit LinkRuleStore(std::filesystem::path filePath);

    // <Application Support>/<bundle identifier>/LinkRules.json; an empty bundle identifier uses
    // fallbackBundleIdentifier.
    [[nodiscard]] static Url defaultFileUrl(std::string_view bundleIdentifier);
    [[nodiscard]] static Url defaultFileUrl(const Paths& paths);

    [[nodiscard]] Url fileUrl() const { return Url::fromFilePath(filePath_); }
    [[nodiscard]] const std::filesystem::path& filePath() const noexcept { return filePath_; }

    // The rules in the file. A missing or unreadable file gives no rules (an undecodable one with one
    // error line in the rules log); the file is never changed. Never throws.
    [[nodiscard]] std::vector<LinkRule> load() const;

    // Writes the rules atomically, creating missing folders. A file there that does not read as rules is
    // first moved aside (see unreadableSuffix), so the user's data is never lost silently. Throws
    // std::system_error when the file system fails (the file is then as it was, or moved aside and nothing
    // written) and std::invalid_argument when a rule's text is not valid UTF-8 (nothing is written).
    void save(const std::vector<LinkRule>& rules) const { (void)saveHolding(rules); }

    // Saves as save() does and returns the written file held open (see HeldFile), so that the caller knows
    // the stamp of its own write even when another writer replaces the file right after it.
    [[nodiscard]] HeldFile saveHolding(const std::vector<LinkRule>& rules) const;

    // Waits for and returns the lock that writers of this file hold for a whole read-change-write (a lock
    // file beside it), so that two processes changing the rules never lose each other's change.
    [[nodiscard]] FileLock lock() const;

    // The file's modification date; none when it is missing or its attributes cannot be read.
    [[nodiscard]] std::optional<Date> modificationDate() const;

    // The file's modification date with its identity and size: what the engine compares to notice writes.
    [[nodiscard]] std::optional<FileStamp> stamp() const { return FileStamp::of(filePath_); }

    // The rule file's content: decoding is strict and throws DecodingError naming the rule and the problem;
    // encoding gives the pretty-printed, key-sorted text save() writes.
    [[nodiscard]] static std::vector<LinkRule> decode(std::string_view data);
    [[nodiscard]] static std::string encode(const std::vector<LinkRule>& rules);

    bool operator==(const LinkRuleStore&) const = default;

  private:
    // Moves the current file aside when it exists but does not read as rules.
    void keepUnreadableFile() const;

    std::filesystem::path filePath_;
};

}  // namespace ferrywise
