#include "app/ConfigFile.h"

#include <fstream>

namespace BV {

namespace {
const char* const fileName = "Brevamoor.config";

std::string stripLeading(const std::string& text, const char* characters)
{
    const std::size_t first = text.find_first_not_of(characters);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string stripBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}
} // namespace

void ConfigFile::fail(const std::string& message)
{
    Log::getInstance().write(message, CRITICAL);
    std::exit(1);
}

bool ConfigFile::isNegativeText(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\n\v\f\r");
    return first != std::string::npos && text[first] == '-';
}

void ConfigFile::load()
{
    std::ifstream file(fileName);
    if (!file.is_open()) {
        fail(std::string("Failed to load Config File (Could not open File: ") + fileName + ")");
    }
    std::string line;
    unsigned lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        parseLine(line, lineNumber);
    }
}

void ConfigFile::parseLine(const std::string& rawLine, unsigned lineNumber)
{
    std::string line = rawLine;
    // A file saved with carriage-return line ends reads the same as one
    // without: the return would otherwise end up in the last key or value.
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.empty()) {
        return;
    }
    const std::size_t semicolon = line.find(';');
    if (semicolon != std::string::npos) {
        line.erase(semicolon);
    }
    // Only spaces make a line blank; a line of tabs is a missing separator.
    if (line.find_first_not_of(' ') == std::string::npos) {
        return;
    }
    if (line.find('=') == std::string::npos) {
        fail("Failed to load Config File (Could not find separator on line: " + std::to_string(lineNumber) + ")");
    }
    const std::string untabbed = stripLeading(line, "\t");
    const std::size_t formatEquals = untabbed.find('=');
    if (formatEquals == 0 || untabbed.find_first_not_of(' ', formatEquals + 1) == std::string::npos) {
        fail("Failed to load Config File (Bad format on Line: " + std::to_string(lineNumber) + ")");
    }
    const std::string trimmed = stripLeading(line, " \t");
    const std::size_t equals = trimmed.find('=');
    std::string key = trimmed.substr(0, equals);
    key = key.substr(0, key.find_first_of(" \t"));
    const std::string value = stripBlanks(trimmed.substr(equals + 1));
    if (!values.emplace(key, value).second) {
        fail("Failed to load Config File (Duplicated value for: " + key + ")");
    }
}

} // namespace BV
