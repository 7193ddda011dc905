#pragma once

// Observable is one observable property of a view-model: a value and a signal that tells observers each
// time the value changes. Views connect to it and redraw; view-models expose it read-only (a const
// reference) where only they may change it.
//
//   Observable<int> highlighted{0};
//   auto connection = highlighted.observe([](const int& index) { redraw(index); });
//   highlighted.set(2);   // observers hear 2
//   highlighted.set(2);   // nothing changed: observers hear nothing
//
// Observers run synchronously on the thread that changed the value, after the new value is stored, and
// are handed the stored value itself: when an observer changes the value again, the observers after it
// hear the current value, so the last value each observer hears is always the one that holds. Setting an
// equal value is not a change (a two-way binding that writes back what it heard ends there). An observer may
// disconnect itself or others while it runs.

#include <functional>
#include <utility>

#include <boost/signals2/connection.hpp>
#include <boost/signals2/signal.hpp>

namespace ferrywise {

template <typename T>
class Observable {
  public:
    explicit Observable(T initial = T{}) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    // The current value.
    [[nodiscard]] const T& value() const noexcept { return value_; }

    // Stores `value`; when it differs from the current one, every observer then hears it.
    void set(T value) {
        if (value_ == value) {
            return;
        }
        value_ = std::move(value);
        changed_(value_);
    }

    // Changes the value in place through `change` (given a copy), then stores it as set() does.
    template <typename Change>
    void modify(Change&& change) {
        T copy = value_;
        std::forward<Change>(change)(copy);
        set(std::move(copy));
    }

    // Calls `observer` with each new value until the returned connection is disconnected. Hold a
    // boost::signals2::scoped_connection to disconnect when the observer goes away.
    [[nodiscard]] boost::signals2::connection observe(std::function<void(const T&)> observer) const {
        return changed_.connect(std::move(observer));
    }

  private:
    T value_;
    mutable boost::signals2::signal<void(const T&)> changed_;
};

}  // namespace ferrywise
