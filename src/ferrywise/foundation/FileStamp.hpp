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
#include <utility>

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

// A read-only handle held open on a file. While it is held the file's inode cannot be freed, so no other
// file can be given its number: a file put in its place always shows a different stamp, however quickly
// it came and whatever its date and size.
class HeldFile {
  public:
    // Opens the file at `path`; none when it is missing or cannot be opened. Never throws.
    [[nodiscard]] static std::optional<HeldFile> open(const std::filesystem::path& path) noexcept;

    HeldFile(HeldFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    // The stamp of the file as held (even after it was replaced or removed); none if that cannot be read.
    [[nodiscard]] std::optional<FileStamp> stamp() const noexcept;

  private:
    explicit HeldFile(int fd) noexcept : fd_(fd) {}

    int fd_ = -1;
};

}  // namespace ferrywise
