#pragma once

// A Scheduler whose clock moves only when a test says so: advance() runs every action that falls due, in
// the order they fall due, so that polls and back-offs are tested without waiting. Single-threaded.
//
//   ManualScheduler scheduler;
//   auto poll = scheduler.repeating(2s, [&] { ++ticks; });
//   scheduler.advance(5s);  // ticks == 2

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>

#include "ferrywise/system/Scheduler.hpp"

namespace ferrywise::testing {

class ManualScheduler final : public Scheduler {
  public:
    Timer after(std::chrono::milliseconds delay, std::function<void()> action) override {
        return add(delay, std::move(action), false);
    }
    Timer repeating(std::chrono::milliseconds interval, std::function<void()> action) override {
        return add(interval, std::move(action), true);
    }

    // Moves the clock on by `duration`, running each action as often as it falls due meanwhile.
    void advance(std::chrono::milliseconds duration) {
        const auto end = state_->now + duration;
        for (;;) {
            auto next = state_->entries.end();
            for (auto it = state_->entries.begin(); it != state_->entries.end(); ++it) {
                if (it->second.due <= end &&
                    (next == state_->entries.end() || it->second.due < next->second.due)) {
                    next = it;
                }
            }
            if (next == state_->entries.end()) {
                break;
            }
            state_->now = next->second.due;
            auto action = next->second.action;  // a copy: the action may cancel its own timer
            if (next->second.repeats) {
                next->second.due += next->second.interval;
            } else {
                state_->entries.erase(next);
            }
            action();
        }
        state_->now = end;
    }

    // How many actions may still be called.
    [[nodiscard]] std::size_t scheduledCount() const { return state_->entries.size(); }

  private:
    struct Entry {
        std::chrono::milliseconds due;
        std::chrono::milliseconds interval;
        bool repeats;
        std::function<void()> action;
    };
    struct State {
        std::chrono::milliseconds now{0};
        std::map<int, Entry> entries;
        int nextId = 0;
    };

    Timer add(std::chrono::milliseconds interval, std::function<void()> action, bool repeats) {
        const int id = state_->nextId++;
        state_->entries.emplace(id, Entry{state_->now + interval, interval, repeats, std::move(action)});
        return Timer([weak = std::weak_ptr<State>(state_), id] {
            if (auto state = weak.lock()) {
                state->entries.erase(id);
            }
        });
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace ferrywise::testing
