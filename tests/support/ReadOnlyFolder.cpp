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
    int flags = 0;
    bool done = descriptor >= 0 && ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    std::string problem = done ? "" : std::strerror(errno);
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return problem;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    if (::geteuid() == 0) {
        auto problem = setImmutable(folder_, true);
        mode_ = problem.empty() ? Mode::immutable : Mode::none;
        if (!problem.empty()) {
            problem_ = "Running as root, and the immutable attribute cannot be set on " + folder_.string() +
                       " (" + problem + "), so nothing keeps root from writing there";
        }
        return;
    }
    std::error_code error;
    oldPermissions_ = std::filesystem::status(folder_, error).permissions();
    if (!error) {
        std::filesystem::permissions(folder_, std::filesystem::perms{0555}, error);  // r-xr-xr-x
    }
    mode_ = error ? Mode::none : Mode::permissions;
    if (error) {
        problem_ = "Cannot make " + folder_.string() + " read-only: " + error.message();
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    std::error_code error;
    if (mode_ == Mode::immutable) {
        (void)setImmutable(folder_, false);
    } else if (mode_ == Mode::permissions) {
        std::filesystem::permissions(folder_, oldPermissions_, error);
    }
}

}  // namespace ferrywise::testing
