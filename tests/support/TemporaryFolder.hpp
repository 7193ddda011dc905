#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it when destroyed.

#include <filesystem>
#include <string_view>

namespace ferrywise::testing {

class TemporaryFolder {
  public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }

    // Writes `content` to `relative` under the folder, creating folders; returns the full path.
    std::filesystem::path write(const std::filesystem::path& relative, std::string_view content) const;

  private:
    std::filesystem::path path_;
};

}  // namespace ferrywise::testing
