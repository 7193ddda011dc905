#include "ferrywise/foundation/JsonFile.hpp"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {
namespace {

[[noreturn]] void fail(int error, const std::string& what, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(), what + " " + path.string());
}

// Closes the descriptor and removes the temporary file unless the write was committed.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        auto pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
        fd_ = mkstemp(pattern.data());
        if (fd_ < 0) {
            fail(errno, "Could not create a temporary file for", target);
        }
        path_ = pattern;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }

    [[nodiscard]] int fd() const noexcept { return fd_; }
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

    void close() {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            fail(errno, "Could not close", path_);
        }
    }

    void commit() noexcept { committed_ = true; }

  private:
    int fd_ = -1;
    std::string path_;
    bool committed_ = false;
};

void writeAll(int fd, std::string_view data, const std::filesystem::path& path) {
    while (!data.empty()) {
        auto written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno, "Could not write", path);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename itself already happened
        ::close(fd);
    }
}

// The byte offset at which arrays and objects first nest deeper than `limit`; none when they never do.
// Brackets inside strings do not count.
std::optional<std::size_t> tooDeepAt(std::string_view text, std::size_t limit) noexcept {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return i;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string JsonFile::serialize(const nlohmann::json& value, InvalidText invalidText) {
    // nlohmann's objects are ordered maps, so the keys come out sorted.
    auto handler = invalidText == InvalidText::replace ? nlohmann::json::error_handler_t::replace
                                                       : nlohmann::json::error_handler_t::strict;
    return value.dump(2, ' ', false, handler) + "\n";
}

void JsonFile::write(const std::filesystem::path& path, const nlohmann::json& value) {
    writeData(path, serialize(value));
}

void JsonFile::writeData(const std::filesystem::path& path, std::string_view data) {
    (void)writeDataHolding(path, data);
}

std::filesystem::path JsonFile::writtenPath(const std::filesystem::path& path) noexcept {
    try {
        // Followed by hand: a link whose target was moved aside must still lead to where it points.
        auto current = path;
        for (int hop = 0; hop < 40; ++hop) {  // the kernel's own limit on links in a row
            std::error_code error;
            if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) {
                return current;
            }
            auto target = std::filesystem::read_symlink(current, error);
            if (error) {
                return path;
            }
            // The folder part resolved as the kernel would; the name may be a link again.
            auto folder =
                target.is_absolute() ? target.parent_path() : current.parent_path() / target.parent_path();
            current = std::filesystem::weakly_canonical(folder) / target.filename();
        }
        return path;
    } catch (...) {
        return path;
    }
}

std::optional<std::filesystem::path> JsonFile::keepAsideUnlessDecodable(
    const std::filesystem::path& path, std::string_view suffix,
    const std::function<void(std::string_view)>& decode) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        return std::nullopt;
    }
    if (auto data = readData(path)) {
        try {
            decode(*data);
            return std::nullopt;
        } catch (const DecodingError&) {
            // moved aside below
        }
    }
    return keepAside(path, suffix);
}

std::optional<std::filesystem::path> JsonFile::keepAside(const std::filesystem::path& path,
                                                         std::string_view suffix) {
    auto file = writtenPath(path);
    auto base = file.string().append(suffix);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        std::filesystem::path aside = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // RENAME_NOREPLACE: no earlier copy is ever replaced, even by a copy another process makes now.
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            return aside;
        }
        if (errno == ENOENT) {
            return std::nullopt;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            fail(errno, "Could not move aside", file);
        }
        // The file system cannot refuse to replace; look first instead.
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(aside, error))) {
            continue;
        }
        if (::rename(file.c_str(), aside.c_str()) == 0) {
            return aside;
        }
        if (errno == ENOENT) {
            return std::nullopt;
        }
        fail(errno, "Could not move aside", file);
    }
    fail(EEXIST, "Too many copies kept beside", file);
}

HeldFile JsonFile::writeDataHolding(const std::filesystem::path& link, std::string_view data) {
    const auto path = writtenPath(link);
    auto folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        fail(error.value(), "Could not create the folder for", path);
    }
    TemporaryFile temporary(folder / path.filename());
    // Keep the permissions of the file being replaced; new files are private to the user.
    struct stat existing {};
    mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
    if (::fchmod(temporary.fd(), mode) != 0) {
        fail(errno, "Could not set the permissions of", path);  // the new file must not be more open
    }
    writeAll(temporary.fd(), data, path);
    if (::fsync(temporary.fd()) != 0) {
        fail(errno, "Could not flush", path);
    }
    temporary.close();
    auto held = HeldFile::open(temporary.path());
    if (!held) {
        fail(errno, "Could not reopen the temporary file for", path);
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
        fail(errno, "Could not replace", path);
    }
    temporary.commit();
    syncFolder(folder);
    return std::move(*held);
}

JsonFile::ReadResult JsonFile::read(const std::filesystem::path& path) noexcept {
    ReadResult result;
    try {
        std::error_code error;
        if (!std::filesystem::exists(path, error) && !error) {
            return result;
        }
        auto data = readData(path);
        if (!data) {
            result.status = Status::unreadable;
            result.problem = "the file cannot be read";
            return result;
        }
        return parse(*data);
    } catch (...) {
        result.status = Status::unreadable;
        result.problem = "the file cannot be read";
    }
    return result;
}

JsonFile::ReadResult JsonFile::parse(std::string_view data) noexcept {
    ReadResult result;
    result.status = Status::unreadable;
    try {
        if (auto at = tooDeepAt(data, maximumNestingDepth)) {
            result.problem = "nested deeper than " + std::to_string(maximumNestingDepth) +
                             " levels at byte " + std::to_string(*at);
            return result;
        }
        result.value = nlohmann::json::parse(data);
        result.status = Status::ok;
    } catch (const nlohmann::json::parse_error& error) {
        // Not error.what(): nlohmann quotes the text it read last.
        result.value = nullptr;
        result.problem = "not valid JSON at byte " + std::to_string(error.byte);
    } catch (...) {
        result.value = nullptr;
        result.problem = "the text cannot be read";
    }
    return result;
}

std::optional<std::string> JsonFile::readData(const std::filesystem::path& path) noexcept {
    try {
        // Read straight into a string of the file's size: stored files can be megabytes.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            return std::nullopt;
        }
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            return std::nullopt;
        }
        std::string data(static_cast<std::size_t>(status.st_size), '\0');
        std::size_t filled = 0;
        while (true) {
            if (filled == data.size()) {
                data.resize(data.size() + 4096);  // the file grew, or reports no size
            }
            auto count = ::read(fd, data.data() + filled, data.size() - filled);
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            if (count == 0) {
                break;
            }
            filled += static_cast<std::size_t>(count);
        }
        data.resize(filled);
        return data;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ferrywise
