#include "app/Log.h"

#include <iostream>
#include <sstream>

namespace BV {

namespace {
constexpr int threshold = 1;

const char* prefixOf(int level)
{
    switch (level) {
    case CRITICAL: return "CRITICAL :";
    case INFO: return "INFO :";
    case TRACE: return "TRACE :";
    default: return "";
    }
}
} // namespace

Log& Log::getInstance()
{
    static Log log;
    return log;
}

// A file that cannot be created leaves the stream failed: file writes are
// then ignored, but the console copy still reaches the player.
Log::Log() : file("BVLog.log", std::ios::out | std::ios::trunc) {}

void Log::write(const std::string& message, int level)
{
    if (level > threshold) {
        return;
    }
    std::ostringstream line;
    line << prefixOf(level) << message << '\n';
    const std::string text = line.str();
    file << text;
    std::cout << text;
    file.flush();
}

} // namespace BV
