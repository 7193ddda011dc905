#pragma once

// A Clock for tests that stands still until told to move.

#include <atomic>

#include "ferrywise/foundation/Date.hpp"

namespace ferrywise::testing {

class ManualClock final : public Clock {
  public:
    explicit ManualClock(Date start = Date{}) : now_(start) {}

    Date now() const override { return now_.load(); }

    void set(Date date) { now_.store(date); }
    void advance(Date::duration by) { now_.store(now_.load() + by); }

  private:
    std::atomic<Date> now_;
};

}  // namespace ferrywise::testing
