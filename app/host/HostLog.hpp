#pragma once

// The host's log sink: every record goes to the system logger, and error records are also told on
// standard error, so that a damaged rule or settings file is not only in the journal.

#include <memory>
#include <mutex>
#include <ostream>

#include "ferrywise/foundation/Log.hpp"

namespace ferrywise::host {

class HostLogSink final : public LogSink {
  public:
    HostLogSink(std::shared_ptr<LogSink> system, std::ostream& errors)
        : system_(std::move(system)), errors_(errors) {}

    void write(const LogRecord& record) override {
        if (system_) {
            system_->write(record);
        }
        if (record.level == LogLevel::error) {
            std::lock_guard lock(mutex_);
            errors_ << "ferrywise: " << record.message << '\n' << std::flush;
        }
    }

  private:
    std::shared_ptr<LogSink> system_;
    std::ostream& errors_;
    std::mutex mutex_;
};

}  // namespace ferrywise::host
