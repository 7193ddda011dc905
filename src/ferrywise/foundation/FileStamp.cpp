#include "ferrywise/foundation/FileStamp.hpp"

#include <sys/stat.h>

namespace ferrywise {

std::optional<FileStamp> FileStamp::of(const std::filesystem::path& path) noexcept {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    auto sinceEpoch =
        std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return FileStamp{Date(std::chrono::duration_cast<Date::duration>(sinceEpoch)),
                     static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                     static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace ferrywise
