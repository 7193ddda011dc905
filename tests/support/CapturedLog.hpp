#pragma once

// Records everything logged while it lives, then gives the log back to the sink it had before. Declared as a
// fixture member, it reads like the sink itself:
//
//   testing::CapturedLog sink;
//   EXPECT_EQ(sink->messages("rules"), ...);

#include <memory>

#include "ferrywise/foundation/Log.hpp"

namespace ferrywise::testing {

class CapturedLog {
  public:
    CapturedLog() = default;
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;
    ~CapturedLog() { Log::setSink(previous_); }

    RecordingLogSink* operator->() const noexcept { return sink_.get(); }

  private:
    std::shared_ptr<RecordingLogSink> sink_ = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previous_ = Log::setSink(sink_);
};

}  // namespace ferrywise::testing
