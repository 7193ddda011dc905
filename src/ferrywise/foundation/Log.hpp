#pragma once

// Log is the library's logger: one Logger per category, all under one subsystem identifier (the host's
// bundle identifier), at two levels. Messages are written as the system's own fixed texts with
// printf-like "%{public}s" placeholders, each replaced by the next argument (booleans as true/false):
//
//   Log::rules().error("Could not save rules: %{public}s", reason);
//
// Every text value has its control characters percent-encoded, so that a value read from a file or a link
// cannot break or forge a log line. Logging never throws: a message that cannot be made or written (memory
// running out, a sink that fails) is dropped, so that operations promising not to throw may log freely.
// The default sink is the system logger (syslog); tests install a RecordingLogSink. Full URLs are never
// logged: links appear only through InterceptedLink::logSummary.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ferrywise {

enum class LogLevel { standard, error };

struct LogRecord {
    std::string subsystem;
    std::string category;
    LogLevel level = LogLevel::standard;
    std::string message;

    bool operator==(const LogRecord&) const = default;
};

// Where log records go. write() may be called from any thread at once.
class LogSink {
  public:
    LogSink() = default;
    LogSink(const LogSink&) = delete;
    LogSink& operator=(const LogSink&) = delete;
    virtual ~LogSink() = default;

    virtual void write(const LogRecord& record) = 0;
};

// The system logger: syslog with the subsystem as identifier and "[category] " before each message.
[[nodiscard]] std::shared_ptr<LogSink> makeSyslogSink();

// Keeps every record in memory, for tests and diagnostics. Thread-safe.
class RecordingLogSink final : public LogSink {
  public:
    void write(const LogRecord& record) override;

    // A copy of the records so far, oldest first.
    [[nodiscard]] std::vector<LogRecord> records() const;

    // The messages so far of one category (all categories when empty).
    [[nodiscard]] std::vector<std::string> messages(std::string_view category = {}) const;

    void clear();

  private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

namespace detail {
std::string logArgument(std::string_view value);
std::string logArgument(bool value);
std::string logArgument(std::int64_t value);
std::string logArgument(std::uint64_t value);
std::string logArgument(double value);
template <typename T>
std::string logValue(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return logArgument(value);
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        return logArgument(static_cast<std::int64_t>(value));
    } else if constexpr (std::is_integral_v<T>) {
        return logArgument(static_cast<std::uint64_t>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        return logArgument(static_cast<double>(value));
    } else {
        return logArgument(std::string_view(value));
    }
}
// Replaces each "%{...}" placeholder (and the plain "%s"/"%d" kinds) with the next argument; "%%" is "%".
std::string formatLogMessage(std::string_view format, const std::vector<std::string>& arguments);
}  // namespace detail

// One category of the library's log. Obtain through Log; usable from any thread.
class Logger {
  public:
    explicit Logger(std::string category) : category_(std::move(category)) {}

    [[nodiscard]] const std::string& category() const noexcept { return category_; }

    // Writes a message at the default level.
    template <typename... Args>
    void log(std::string_view format, const Args&... args) const noexcept {
        emit(LogLevel::standard, format, args...);
    }

    // Writes a message at the error level.
    template <typename... Args>
    void error(std::string_view format, const Args&... args) const noexcept {
        emit(LogLevel::error, format, args...);
    }

    // Writes a finished message as it is (nothing escaped); drops it when the sink fails.
    void write(LogLevel level, std::string message) const noexcept;

  private:
    template <typename... Args>
    void emit(LogLevel level, std::string_view format, const Args&... args) const noexcept {
        try {
            write(level, detail::formatLogMessage(format, {detail::logValue(args)...}));
        } catch (...) {  // the message could not be made: dropped, never thrown at the caller
        }
    }

    std::string category_;
};

class Log {
  public:
    // The categories, each created once on first use.
    static const Logger& applications();
    static const Logger& routing();
    static const Logger& rules();
    static const Logger& picker();
    static const Logger& onboarding();
    static const Logger& settings();
    static const Logger& lifecycle();
    static const Logger& sync();

    // The subsystem identifier every record carries; the host's bundle identifier.
    static void setSubsystem(std::string subsystem);
    [[nodiscard]] static std::string subsystem();

    // Replaces the sink (none restores the system logger) and returns the previous one.
    static std::shared_ptr<LogSink> setSink(std::shared_ptr<LogSink> sink);
};

}  // namespace ferrywise
