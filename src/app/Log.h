#pragma once

#include <fstream>
#include <string>

namespace BV {

// Lower is more severe; only CRITICAL passes the fixed threshold.
enum LogLevel : int {
    CRITICAL = 1,
    INFO = 2,
    TRACE = 3,
};

// The process-wide log: "BVLog.log" in the working directory, truncated when
// the first user asks for it, with every written line also on stdout.
class Log {
public:
    static Log& getInstance();

    // Writes "prefix + message" as one line when level <= 1, and flushes so
    // the line survives a crash right after it.
    void write(const std::string& message, int level);

private:
    Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    std::ofstream file;
};

} // namespace BV
