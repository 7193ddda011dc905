#pragma once

// FileLock holds an exclusive advisory lock (flock) on a lock file, so that the processes changing one of
// the library's files take turns: each holds the lock for a whole read-change-write, and so starts from
// the file as the previous writer left it.
//
//   FileLock lock(folder / ".LinkRules.json.lock");  // waits while another process holds it
//   auto rules = store.load(); ... store.save(rules);

#include <filesystem>

namespace ferrywise {

class FileLock {
  public:
    // Creates the lock file (and its folder) if needed and waits until the lock is this one's. Best
    // effort: when the lock file cannot be made (a read-only folder), nothing is locked and the write
    // that follows fails there anyway. Never throws.
    explicit FileLock(const std::filesystem::path& path) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Releases the lock.
    ~FileLock();

    // Returns whether the lock is held (false when the lock file could not be made).
    [[nodiscard]] bool isHeld() const noexcept { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace ferrywise
