// One line an event, formatted once and written whole, so that lines never interleave.
#include "server_log.h"

namespace kokurin {

bool parseLogLevel(const std::string& text, LogLevel& level) {
    static const char* const names[] = {"error", "warning", "info", "debug"};
    for (int i = 0; i < 4; ++i) {
        if (text == names[i]) {
            level = static_cast<LogLevel>(i);
            return true;
        }
    }
    return false;
}

void ServerLog::say(LogLevel level, const char* format, ...) {
    if (!enabled(level)) {
        return;
    }
    char line[512];
    const int prefix = std::snprintf(line, sizeof line, "kokurin-server: ");
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + prefix, sizeof line - static_cast<std::size_t>(prefix), format, args);
    va_end(args);
    write(level, line);
}

void ServerLog::write(LogLevel, const char* line) {
    std::fprintf(out_, "%s\n", line);
    std::fflush(out_);
}

namespace {

class QuietLog : public ServerLog {
  public:
    QuietLog() : ServerLog(LogLevel::Error, nullptr) {}

  protected:
    void write(LogLevel, const char*) override {}
};

} // namespace

ServerLog& quietServerLog() {
    static QuietLog quiet;
    return quiet;
}

} // namespace kokurin
