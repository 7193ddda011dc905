#include "ferrywise/foundation/FileStamp.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrywise {

namespace {

FileStamp stampOf(const struct stat& status) {
    auto sinceEpoch =
        std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return FileStamp{Date(std::chrono::duration_cast<Date::duration>(sinceEpoch)),
                     static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                     static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace

std::optional<FileStamp> FileStamp::of(const std::filesystem::path& path) noexcept {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return stampOf(status);
}

std::optional<HeldFile> HeldFile::open(const std::filesystem::path& path) noexcept {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);  // never waits on a FIFO
    if (fd < 0) {
        return std::nullopt;
    }
    return HeldFile(fd);
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

HeldFile::~HeldFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<FileStamp> HeldFile::stamp() const noexcept {
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        return std::nullopt;
    }
    return stampOf(status);
}

}  // namespace ferrywise
