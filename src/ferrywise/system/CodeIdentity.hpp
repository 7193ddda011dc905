#pragma once

// CodeIdentity tells builds of the host apart: the SHA-256 of the running executable. A permission
// recorded against one identity and seen missing under another was granted to a different build.
//
//   if (auto identity = CodeIdentity::current()) { defaults.set("accessibilityGrantedToBuild", *identity); }

#include <filesystem>
#include <optional>
#include <string>

namespace ferrywise {

class CodeIdentity {
  public:
    CodeIdentity() = delete;

    // The identity of the running executable (read through /proc/self/exe, so a copy replaced on disk
    // since start still counts as the one running): 64 lower-case hexadecimal digits; none when it
    // cannot be read. Any thread; reads the whole file each time.
    [[nodiscard]] static std::optional<std::string> current() noexcept;

    // The identity of the executable at `path`; none when it cannot be read. Any thread.
    [[nodiscard]] static std::optional<std::string> of(const std::filesystem::path& path) noexcept;
};

}  // namespace ferrywise
