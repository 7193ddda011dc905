#pragma once

// Reading and writing the library's small JSON files. Writing is pretty-printed with sorted keys and
// atomic: the bytes go to a temporary file in the same folder, are flushed to disk, and the file is renamed
// over the old one, so a reader sees the old content or the new, never a torn file. Missing folders are
// created first. Reading never throws: a missing or unreadable file reads as empty and is left in place.

#include <filesystem>
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

    // Reads and parses `path`. Never throws.
    [[nodiscard]] static ReadResult read(const std::filesystem::path& path) noexcept;

    // Reads the whole file; none when it is missing or cannot be read. Never throws.
    [[nodiscard]] static std::optional<std::string> readData(const std::filesystem::path& path) noexcept;
};

}  // namespace ferrywise
