#include "ferrywise/foundation/Date.hpp"

#include <cmath>
#include <stdexcept>

#include <unicode/gregocal.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace ferrywise {
namespace {

class SystemClock final : public Clock {
  public:
    Date now() const override { return std::chrono::system_clock::now(); }
};

UDate toUDate(Date date) {
    // Floor, not truncate: an instant just before 1970 belongs to the earlier millisecond.
    return static_cast<UDate>(std::chrono::floor<std::chrono::milliseconds>(date.time_since_epoch()).count());
}

}  // namespace

namespace {

// Converts seconds since the Unix epoch to a Date, clamped to the dates the clock can hold (about 292 years
// around 1970); NaN gives the epoch. A plain duration_cast of an out-of-range double is undefined.
Date dateFromUnixSeconds(double seconds) {
    if (std::isnan(seconds)) {
        return Date{};
    }
    using Seconds = std::chrono::duration<double>;
    const double lowest = std::chrono::duration_cast<Seconds>(Date::duration::min()).count();
    const double highest = std::chrono::duration_cast<Seconds>(Date::duration::max()).count();
    // The limits themselves round up in a double, so stay one second inside them.
    if (seconds <= lowest + 1) {
        return Date(Date::duration::min());
    }
    if (seconds >= highest - 1) {
        return Date(Date::duration::max());
    }
    return Date(std::chrono::duration_cast<Date::duration>(Seconds(seconds)));
}

}  // namespace

double secondsSinceReferenceDate(Date date) {
    auto unix = std::chrono::duration<double>(date.time_since_epoch()).count();
    return unix - static_cast<double>(kReferenceDateUnixSeconds);
}

Date dateFromSecondsSinceReferenceDate(double seconds) {
    return dateFromUnixSeconds(seconds + static_cast<double>(kReferenceDateUnixSeconds));
}

std::shared_ptr<Clock> makeSystemClock() {
    return std::make_shared<SystemClock>();
}

Calendar Calendar::gregorian(std::string_view timeZoneId) {
    std::unique_ptr<icu::TimeZone> zone(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(std::string(timeZoneId))));
    std::string canonical;
    if (*zone == icu::TimeZone::getUnknown()) {
        canonical = "UTC";
        zone.reset(icu::TimeZone::createTimeZone("UTC"));
    } else {
        icu::UnicodeString id;
        zone->getID(id);
        id.toUTF8String(canonical);
    }
    UErrorCode status = U_ZERO_ERROR;
    auto prototype = std::make_shared<icu::GregorianCalendar>(zone.release(), icu::Locale::getRoot(), status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("ICU calendar: ") + u_errorName(status));
    }
    return Calendar(std::move(canonical), std::move(prototype));
}

std::unique_ptr<icu::Calendar> Calendar::working() const {
    return std::unique_ptr<icu::Calendar>(prototype_->clone());
}

Calendar Calendar::fromIcu(std::string timeZoneId, std::unique_ptr<icu::Calendar> calendar) {
    if (!calendar) {
        throw std::invalid_argument("Calendar::fromIcu needs a calendar");
    }
    return Calendar(std::move(timeZoneId), std::shared_ptr<const icu::Calendar>(std::move(calendar)));
}

Calendar Calendar::current() {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    zone->getID(id);
    std::string text;
    id.toUTF8String(text);
    return gregorian(text);
}

DateComponents Calendar::components(Date date) const {
    auto calendar = working();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(date), status);
    DateComponents parts;
    parts.year = calendar->get(UCAL_EXTENDED_YEAR, status);
    parts.month = calendar->get(UCAL_MONTH, status) + 1;
    parts.day = calendar->get(UCAL_DATE, status);
    parts.hour = calendar->get(UCAL_HOUR_OF_DAY, status);
    parts.minute = calendar->get(UCAL_MINUTE, status);
    parts.second = calendar->get(UCAL_SECOND, status);
    parts.weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("ICU calendar: ") + u_errorName(status));
    }
    return parts;
}

Date Calendar::date(int year, int month, int day, int hour, int minute, int second) const {
    auto calendar = working();
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, year);
    calendar->set(UCAL_MONTH, month - 1);
    calendar->set(UCAL_DATE, day);
    calendar->set(UCAL_HOUR_OF_DAY, hour);
    calendar->set(UCAL_MINUTE, minute);
    calendar->set(UCAL_SECOND, second);
    UErrorCode status = U_ZERO_ERROR;
    auto millis = calendar->getTime(status);
    if (U_FAILURE(status)) {
        throw std::invalid_argument("Calendar::date: components out of range");
    }
    return dateFromUnixSeconds(std::floor(millis) / 1000.0);
}

}  // namespace ferrywise
