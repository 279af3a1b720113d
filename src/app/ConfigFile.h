#pragma once

#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "app/Log.h"
#include "app/Singleton.h"

namespace BV {

// The settings of "Brevamoor.config": a flat key/value map read once at
// start-up. Every fault in the file, a missing key or an unconvertible value
// ends the process with status 1 after one CRITICAL log line; there are no
// defaults.
class ConfigFile : public Singleton<ConfigFile> {
public:
    // Reads the whole file from the working directory; returns only on success.
    void load();

    // The value stored under key, read with formatted stream extraction from
    // its front (trailing text such as a unit is ignored). Converted anew on
    // each call.
    template <typename T> T getValue(std::string key) const;

private:
    friend class Singleton<ConfigFile>;
    ConfigFile() = default;

    void parseLine(const std::string& rawLine, unsigned lineNumber);
    [[noreturn]] static void fail(const std::string& message);
    static bool isNegativeText(const std::string& text);

    std::unordered_map<std::string, std::string> values;
};

template <typename T> T ConfigFile::getValue(std::string key) const
{
    const auto it = values.find(key);
    if (it == values.end()) {
        fail("Failed to get Value for: " + key);
    }
    // Stream extraction would wrap "-1" into a huge unsigned number (a
    // 4-billion-pixel window); a sign in front of an unsigned key is refused
    // like any other unreadable value.
    if constexpr (std::is_unsigned_v<T>) {
        if (isNegativeText(it->second)) {
            fail("Failed to Convert: " + it->second);
        }
    }
    std::istringstream stream(it->second);
    T result{};
    if (!(stream >> result)) {
        fail("Failed to Convert: " + it->second);
    }
    return result;
}

} // namespace BV
