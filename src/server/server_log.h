// kokurin-server's log: one line an event on stderr, what an operator needs to follow the
// server (connections, rooms, matches and their verdicts, refusals, errors), filtered by level.
// The lobby and the network code write through a ServerLog they are given, so tests can read
// what was logged, or silence it.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace kokurin {

enum class LogLevel { Error = 0, Warning = 1, Info = 2, Debug = 3 };

// "error", "warning", "info" or "debug"; false for anything else.
bool parseLogLevel(const std::string& text, LogLevel& level);

class ServerLog {
  public:
    explicit ServerLog(LogLevel level = LogLevel::Info, std::FILE* out = stderr)
        : level_(level), out_(out) {}
    virtual ~ServerLog() = default;

    bool enabled(LogLevel level) const { return level <= level_; }
    void setLevel(LogLevel level) { level_ = level; }
    // One line, "kokurin-server: " then the formatted text; nothing when the level is off.
    void say(LogLevel level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;

  protected:
    // Where a line goes once formatted (a test's log keeps it).
    virtual void write(LogLevel level, const char* line);

  private:
    LogLevel level_;
    std::FILE* out_;
};

// A log that writes nothing (tests, tools).
ServerLog& quietServerLog();

} // namespace kokurin
