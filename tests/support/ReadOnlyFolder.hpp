#pragma once

// Makes a folder refuse new entries, renames and removals for as long as the value lives, also for root:
// as root the folder gets the file system's immutable attribute (root ignores permissions), otherwise its
// permissions become r-xr-xr-x. Both are undone on destruction. Where neither is possible (a file system
// without the attribute, or no permission to set it) `active()` is false and the test should skip.
//
//   ReadOnlyFolder readOnly(folder.path());
//   if (!readOnly.active()) { GTEST_SKIP() << readOnly.problem(); }

#include <filesystem>
#include <string>

namespace ferrywise::testing {

class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::filesystem::path folder);
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    ~ReadOnlyFolder();

    // Returns whether the folder is read-only now.
    [[nodiscard]] bool active() const noexcept { return mode_ != Mode::none; }
    // Why the folder could not be made read-only; empty when it is.
    [[nodiscard]] const std::string& problem() const noexcept { return problem_; }

  private:
    enum class Mode { none, immutable, permissions };

    std::filesystem::path folder_;
    Mode mode_ = Mode::none;
    std::filesystem::perms oldPermissions_ = std::filesystem::perms::none;
    std::string problem_;
};

}  // namespace ferrywise::testing
