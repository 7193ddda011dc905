#pragma once

// Reading and writing the library's small JSON files. Writing is pretty-printed with sorted keys and
// atomic: the bytes go to a temporary file in the same folder, are flushed to disk, and the file is renamed
// over the old one, so a reader sees the old content or the new, never a torn file. Missing folders are
// created first. Reading never throws: a missing or unreadable file reads as empty and is left in place.
// Text that nests arrays and objects deeper than maximumNestingDepth is refused as unreadable, so that no
// hostile file can exhaust the stack of the code that copies, compares or writes what was read. A file that
// is a symbolic link (users keep settings in a dotfiles folder linked into place) stays a link: writing
// replaces the file it points to, atomically, beside it.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/FileStamp.hpp"

namespace ferrywise {

class JsonFile {
  public:
    enum class Status { ok, missing, unreadable };

    struct ReadResult {
        Status status = Status::missing;
        nlohmann::json value;  // null unless status is ok
        std::string problem;   // why the file is unreadable (for a log line); empty otherwise
    };

    // How deep arrays and objects may nest in a file that is read; the library's files need a handful.
    static constexpr std::size_t maximumNestingDepth = 100;

    // What becomes of strings that are not valid UTF-8: replaced by U+FFFD, or a thrown nlohmann exception.
    enum class InvalidText { replace, fail };

    // The text written for `value`: indented by two blanks, object keys sorted, UTF-8, ending in a newline.
    [[nodiscard]] static std::string serialize(const nlohmann::json& value,
                                               InvalidText invalidText = InvalidText::replace);

    // Writes `value` to `path` atomically. Throws std::system_error naming the path on failure; the old file,
    // if any, is then untouched.
    static void write(const std::filesystem::path& path, const nlohmann::json& value);

    // Writes raw bytes to `path` atomically, as write() does.
    static void writeData(const std::filesystem::path& path, std::string_view data);

    // Writes raw bytes atomically, as writeData() does, and returns the new file held open: its stamp is
    // that of the bytes just written even if another writer replaces the file at once.
    [[nodiscard]] static HeldFile writeDataHolding(const std::filesystem::path& path, std::string_view data);

    // The file that writing `path` replaces: the target of a symbolic link at `path` (followed to the end,
    // even when it does not exist yet), else `path` itself. Never throws.
    [[nodiscard]] static std::filesystem::path writtenPath(const std::filesystem::path& path) noexcept;

    // Moves an unreadable file out of the way before it is overwritten, so the user's data is never lost:
    // the file at writtenPath(path) is renamed within its folder to its name followed by `suffix`, or by
    // `suffix` and "-2", "-3"... (up to 1000) when that name is taken. Returns its new path; none when there
    // was no file. Throws std::system_error when it cannot be moved or every name is taken; it then stays
    // where it was.
    static std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path,
                                                          std::string_view suffix);

    // keepAside() for a store's own file before a save replaces it: the file is moved aside unless it is
    // missing, or it can be read and `decode` accepts it (returns without throwing DecodingError). Returns
    // the new path; none when the file stays. Throws as keepAside() does.
    static std::optional<std::filesystem::path> keepAsideUnlessDecodable(
        const std::filesystem::path& path, std::string_view suffix,
        const std::function<void(std::string_view)>& decode);

    // Reads and parses `path`. Never throws.
    [[nodiscard]] static ReadResult read(const std::filesystem::path& path) noexcept;

    // Parses JSON text, refusing nesting beyond maximumNestingDepth: status ok or unreadable, never
    // missing. The problem names the kind of fault and its byte position, never the text itself, so that
    // it may be logged. Never throws.
    [[nodiscard]] static ReadResult parse(std::string_view data) noexcept;

    // Reads the whole file; none when it is missing or cannot be read. Never throws.
    [[nodiscard]] static std::optional<std::string> readData(const std::filesystem::path& path) noexcept;
};

}  // namespace ferrywise
