#pragma once

// Scheduler is the seam for timers: it calls an action once after a delay or repeatedly at an interval, on
// the main thread, until the returned Timer is cancelled or destroyed. Production code uses AsioScheduler
// on the host's executor; tests use a manual scheduler that fires due actions when told that time passed,
// so polls and back-offs are tested without waiting.
//
//   Scheduler::Timer poll = scheduler->repeating(std::chrono::seconds(2), [this] { refresh(); });
//   poll.cancel();  // or let it go out of scope

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

#include <boost/asio/any_io_executor.hpp>

namespace ferrywise {

class Scheduler {
  public:
    // A scheduled action: cancelled by cancel() or when the handle is destroyed; after either, the action
    // is not called again. Move-only. Main thread.
    class Timer {
      public:
        Timer() = default;
        explicit Timer(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
        Timer(Timer&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
        Timer& operator=(Timer&& other) noexcept {
            if (this != &other) {
                cancel();
                cancel_ = std::exchange(other.cancel_, nullptr);
            }
            return *this;
        }
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;
        ~Timer() { cancel(); }

        // Stops the action; does nothing when it is already stopped.
        void cancel() noexcept {
            if (auto cancel = std::exchange(cancel_, nullptr)) {
                cancel();
            }
        }

      private:
        std::function<void()> cancel_;
    };

    Scheduler() = default;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;
    virtual ~Scheduler() = default;

    // Calls `action` once, `delay` from now. Main thread.
    [[nodiscard]] virtual Timer after(std::chrono::milliseconds delay, std::function<void()> action) = 0;

    // Calls `action` every `interval` from now on. Main thread.
    [[nodiscard]] virtual Timer repeating(std::chrono::milliseconds interval,
                                          std::function<void()> action) = 0;
};

// Timers on an Asio executor (the host's main thread): actions run as handlers of that executor.
class AsioScheduler final : public Scheduler {
  public:
    explicit AsioScheduler(boost::asio::any_io_executor mainThread) : mainThread_(std::move(mainThread)) {}

    Timer after(std::chrono::milliseconds delay, std::function<void()> action) override;
    Timer repeating(std::chrono::milliseconds interval, std::function<void()> action) override;

  private:
    Timer start(std::chrono::milliseconds interval, std::function<void()> action, bool repeats);

    boost::asio::any_io_executor mainThread_;
};

}  // namespace ferrywise
