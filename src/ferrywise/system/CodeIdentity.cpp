#include "ferrywise/system/CodeIdentity.hpp"

#include <array>
#include <cerrno>
#include <exception>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "ferrywise/foundation/Sha256.hpp"

namespace ferrywise {
namespace {

// Closes the descriptor it owns.
class Descriptor {
  public:
    explicit Descriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }

    [[nodiscard]] int get() const noexcept { return descriptor_; }

  private:
    int descriptor_;
};

}  // namespace

std::optional<std::string> CodeIdentity::current() noexcept {
    return of("/proc/self/exe");
}

std::optional<std::string> CodeIdentity::of(const std::filesystem::path& path) noexcept {
    try {
        Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0) {
            return std::nullopt;
        }
        // Executables run to tens of megabytes: read in pieces rather than whole.
        std::array<char, 64 * 1024> buffer{};
        Sha256 sha;
        for (;;) {
            auto count = ::read(file.get(), buffer.data(), buffer.size());
            if (count == 0) {
                break;
            }
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            sha.update(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        }
        return Sha256::hexadecimal(sha.finish());
    } catch (const std::exception&) {  // no digest available, or memory ran out
        return std::nullopt;
    }
}

}  // namespace ferrywise
