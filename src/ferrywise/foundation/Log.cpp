#include "ferrywise/foundation/Log.hpp"

#include <cctype>
#include <cstdio>

#include <syslog.h>

#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

struct LogState {
    std::mutex mutex;
    std::string subsystem = Paths::defaultBundleIdentifier;
    std::shared_ptr<LogSink> sink;
};

LogState& state() {
    static LogState instance;
    return instance;
}

// syslog's identifier is process-wide and openlog keeps only a pointer to it, so the text lives as long as
// the process (never freed) and every sink shares it under one lock.
class SyslogSink final : public LogSink {
  public:
    void write(const LogRecord& record) override {
        static std::mutex mutex;
        static auto* identifier = new std::string;
        std::lock_guard lock(mutex);
        if (*identifier != record.subsystem) {
            *identifier = record.subsystem;
            openlog(identifier->c_str(), LOG_PID, LOG_USER);
        }
        syslog(record.level == LogLevel::error ? LOG_ERR : LOG_NOTICE, "[%s] %s", record.category.c_str(),
               record.message.c_str());
    }
};

bool isLengthModifier(char c) {
    return c == 'h' || c == 'l' || c == 'q' || c == 'z' || c == 'j' || c == 't';
}

}  // namespace

std::shared_ptr<LogSink> makeSyslogSink() {
    return std::make_shared<SyslogSink>();
}

void RecordingLogSink::write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

std::vector<LogRecord> RecordingLogSink::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> RecordingLogSink::messages(std::string_view category) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& record : records_) {
        if (category.empty() || record.category == category) {
            result.push_back(record.message);
        }
    }
    return result;
}

void RecordingLogSink::clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

namespace detail {

std::string logArgument(std::string_view value) {
    return text::escapingControlCharacters(value);
}
std::string logArgument(bool value) {
    return value ? "true" : "false";
}
std::string logArgument(std::int64_t value) {
    return std::to_string(value);
}
std::string logArgument(std::uint64_t value) {
    return std::to_string(value);
}
std::string logArgument(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

std::string formatLogMessage(std::string_view format, const std::vector<std::string>& arguments) {
    std::string result;
    result.reserve(format.size() + 16);
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            result += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            result += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == '{') {
            auto close = format.find('}', j);
            if (close == std::string_view::npos) {
                result += format[i];
                continue;
            }
            j = close + 1;
        }
        while (j < format.size() && isLengthModifier(format[j])) {
            ++j;
        }
        bool isConversion = j < format.size() &&
                            (std::isalpha(static_cast<unsigned char>(format[j])) != 0 || format[j] == '@');
        if (!isConversion || next == arguments.size()) {
            result += format[i];
            continue;
        }
        result += arguments[next++];
        i = j;
    }
    return result;
}

}  // namespace detail

void Logger::write(LogLevel level, std::string message) const noexcept {
    try {
        auto& shared = state();
        std::shared_ptr<LogSink> sink;
        LogRecord record{{}, category_, level, std::move(message)};
        {
            std::lock_guard lock(shared.mutex);
            if (!shared.sink) {
                shared.sink = makeSyslogSink();
            }
            sink = shared.sink;
            record.subsystem = shared.subsystem;
        }
        sink->write(record);
    } catch (...) {  // a failing sink loses this line; the operation that logged goes on
    }
}

#define FERRYWISE_LOG_CATEGORY(name)       \
    const Logger& Log::name() {            \
        static const Logger logger(#name); \
        return logger;                     \
    }
FERRYWISE_LOG_CATEGORY(applications)
FERRYWISE_LOG_CATEGORY(routing)
FERRYWISE_LOG_CATEGORY(rules)
FERRYWISE_LOG_CATEGORY(picker)
FERRYWISE_LOG_CATEGORY(onboarding)
FERRYWISE_LOG_CATEGORY(settings)
FERRYWISE_LOG_CATEGORY(lifecycle)
FERRYWISE_LOG_CATEGORY(sync)
#undef FERRYWISE_LOG_CATEGORY

void Log::setSubsystem(std::string subsystem) {
    std::lock_guard lock(state().mutex);
    state().subsystem = std::move(subsystem);
}

std::string Log::subsystem() {
    std::lock_guard lock(state().mutex);
    return state().subsystem;
}

std::shared_ptr<LogSink> Log::setSink(std::shared_ptr<LogSink> sink) {
    std::lock_guard lock(state().mutex);
    auto previous = std::move(state().sink);
    state().sink = std::move(sink);
    return previous;
}

}  // namespace ferrywise
