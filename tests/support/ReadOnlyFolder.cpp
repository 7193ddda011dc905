#include "support/ReadOnlyFolder.hpp"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ferrywise::testing {
namespace {

// Sets or clears the immutable attribute of a folder; the errno text on failure, empty on success.
std::string setImmutable(const std::filesystem::path& folder, bool immutable) {
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return std::strerror(errno);
    }
    std::string problem;
    int flags = 0;
    if (::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) != 0) {
        problem = std::strerror(errno);
    } else {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) != 0) {
            problem = std::strerror(errno);
        }
    }
    ::close(descriptor);
    return problem;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    if (::geteuid() == 0) {
        auto problem = setImmutable(folder_, true);
        if (problem.empty()) {
            mode_ = Mode::immutable;
        } else {
            problem_ = "Running as root, and the immutable attribute cannot be set on " + folder_.string() +
                       " (" + problem + "), so nothing keeps root from writing there";
        }
        return;
    }
    std::error_code error;
    oldPermissions_ = std::filesystem::status(folder_, error).permissions();
    if (!error) {
        using std::filesystem::perms;
        std::filesystem::permissions(folder_,
                                     perms::owner_read | perms::owner_exec | perms::group_read |
                                         perms::group_exec | perms::others_read | perms::others_exec,
                                     error);
    }
    if (error) {
        problem_ = "Cannot make " + folder_.string() + " read-only: " + error.message();
    } else {
        mode_ = Mode::permissions;
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    std::error_code error;
    switch (mode_) {
        case Mode::immutable:
            (void)setImmutable(folder_, false);
            break;
        case Mode::permissions:
            std::filesystem::permissions(folder_, oldPermissions_, error);
            break;
        case Mode::none:
            break;
    }
}

}  // namespace ferrywise::testing
