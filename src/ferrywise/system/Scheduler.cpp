#include "ferrywise/system/Scheduler.hpp"

#include <boost/asio/steady_timer.hpp>

namespace ferrywise {
namespace {

namespace asio = boost::asio;

// One running timer. The pending wait holds it; cancelling marks it stopped, so that a completion already
// queued when it was cancelled runs nothing.
struct Ticker : std::enable_shared_from_this<Ticker> {
    Ticker(asio::any_io_executor executor, std::chrono::milliseconds interval, std::function<void()> action,
           bool repeats)
        : timer(std::move(executor)), interval(interval), action(std::move(action)), repeats(repeats) {}

    void wait() {
        // A tick is due an interval after the last was due; ticks missed while the thread was busy are
        // skipped rather than run back to back.
        const auto now = asio::steady_timer::clock_type::now();
        const auto next = timer.expiry() + interval;
        timer.expires_at(next < now ? now + interval : next);
        timer.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
            if (error || self->stopped) {
                return;
            }
            if (self->repeats) {
                self->wait();
            } else {
                self->stopped = true;
            }
            self->action();
        });
    }

    asio::steady_timer timer;
    std::chrono::milliseconds interval;
    std::function<void()> action;
    bool repeats;
    bool stopped = false;
};

}  // namespace

Scheduler::Timer AsioScheduler::after(std::chrono::milliseconds delay, std::function<void()> action) {
    return start(delay, std::move(action), false);
}

Scheduler::Timer AsioScheduler::repeating(std::chrono::milliseconds interval, std::function<void()> action) {
    return start(interval, std::move(action), true);
}

Scheduler::Timer AsioScheduler::start(std::chrono::milliseconds interval, std::function<void()> action,
                                      bool repeats) {
    auto ticker = std::make_shared<Ticker>(mainThread_, interval, std::move(action), repeats);
    ticker->timer.expires_at(asio::steady_timer::clock_type::now());
    ticker->wait();
    return Timer([weak = std::weak_ptr<Ticker>(ticker)] {
        if (auto ticker = weak.lock()) {
            ticker->stopped = true;
            ticker->timer.cancel();
        }
    });
}

}  // namespace ferrywise
