#pragma once

// FileStamp tells whether a file changed since it was last read: its modification date at the file
// system's full (nanosecond) resolution, together with its identity (device and inode) and size. The
// kernel's file clock only ticks every few milliseconds, so two quick replacements can carry the same
// date; an atomic replacement also brings a new inode, and a different content usually a new size.
//
//   auto before = FileStamp::of(path);
//   ...
//   if (FileStamp::of(path) != before) { reload(); }

#include <cstdint>
#include <filesystem>
#include <optional>

#include "ferrywise/foundation/Date.hpp"

namespace ferrywise {

struct FileStamp {
    Date modified;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;

    // The stamp of the file at `path` (symbolic links followed); none when it is missing or its
    // attributes cannot be read. Never throws.
    [[nodiscard]] static std::optional<FileStamp> of(const std::filesystem::path& path) noexcept;

    bool operator==(const FileStamp&) const = default;
};

}  // namespace ferrywise
