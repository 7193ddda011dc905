#pragma once

// Dates, the source of "now", and calendars. A Date is a point on the system clock; a Calendar is a
// Gregorian calendar in an explicit time zone, so nothing depends on the process's TZ.
//
//   auto calendar = ferrywise::Calendar::gregorian("Europe/Berlin");
//   auto parts = calendar.components(clock.now());  // parts.weekday: 1 Sunday ... 7 Saturday

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <unicode/calendar.h>

namespace ferrywise {

using Date = std::chrono::system_clock::time_point;

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC, the reference date of stored sync dates.
inline constexpr std::int64_t kReferenceDateUnixSeconds = 978307200;

// Converts between a Date and seconds since 2001-01-01 00:00:00 UTC. Seconds beyond the dates a Date can
// hold (about 292 years around 1970) give the earliest or latest Date; NaN gives 1970-01-01.
[[nodiscard]] double secondsSinceReferenceDate(Date date);
[[nodiscard]] Date dateFromSecondsSinceReferenceDate(double seconds);

// The source of the current date. Thread-safe.
class Clock {
  public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    // Returns the current date.
    [[nodiscard]] virtual Date now() const = 0;
};

// The system's real-time clock.
[[nodiscard]] std::shared_ptr<Clock> makeSystemClock();

// The parts of a date in one calendar.
struct DateComponents {
    int year = 0;
    int month = 0;    // 1...12
    int day = 0;      // 1...31
    int hour = 0;     // 0...23
    int minute = 0;   // 0...59
    int second = 0;   // 0...59
    int weekday = 0;  // 1 Sunday ... 7 Saturday

    bool operator==(const DateComponents&) const = default;
};

// A Gregorian calendar in an explicit time zone. Immutable; copies are cheap and thread-safe to use.
class Calendar {
  public:
    // A Gregorian calendar in the named IANA time zone ("UTC", "Asia/Shanghai"). An unknown name gives
    // UTC, as ICU does.
    [[nodiscard]] static Calendar gregorian(std::string_view timeZoneId);

    // A Gregorian calendar in the host's current time zone.
    [[nodiscard]] static Calendar current();

    // A calendar over an ICU calendar of the caller's (its own time zone and rules), named `timeZoneId`.
    [[nodiscard]] static Calendar fromIcu(std::string timeZoneId, std::unique_ptr<icu::Calendar> calendar);

    // The IANA identifier of the calendar's time zone.
    [[nodiscard]] const std::string& timeZoneId() const noexcept { return timeZoneId_; }

    // Returns the date's components in this calendar. Throws std::runtime_error when ICU cannot compute
    // them, rather than answering with made-up components.
    [[nodiscard]] DateComponents components(Date date) const;

    // Returns the date at the given local components (missing hour/minute/second are 0). Out-of-range
    // fields roll over as in ICU's lenient mode.
    [[nodiscard]] Date date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const;

  private:
    Calendar(std::string timeZoneId, std::shared_ptr<const icu::Calendar> prototype)
        : timeZoneId_(std::move(timeZoneId)), prototype_(std::move(prototype)) {}

    // A working copy of the prototype; ICU calendars are mutable, so each use gets its own clone.
    [[nodiscard]] std::unique_ptr<icu::Calendar> working() const;

    std::string timeZoneId_;
    std::shared_ptr<const icu::Calendar> prototype_;
};

}  // namespace ferrywise
