#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace BV::testkit {

// Whole file as text; empty when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
std::vector<std::string> splitLines(const std::string& text);

// A fresh directory under /tmp, removed with everything in it on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

// The lines the game's log gained since this watch was made. The log of a
// test binary is "BVLog.log" in the binary's own working directory.
class LogWatch {
public:
    LogWatch();
    std::vector<std::string> lines() const;
    std::vector<std::string> criticalLines() const; // those starting "CRITICAL :"

private:
    std::size_t start;
};

// One run of the real game executable in a scratch working directory that
// holds the given "Brevamoor.config" (none if null) and the built resources/.
struct ProcessResult {
    int exitStatus = -1; // -1 when killed by a signal, or at the deadline
    std::string log;     // "BVLog.log" after the run
    std::string output;  // what the game wrote to stdout
};

struct ProcessOptions {
    const char* config = nullptr;
    double timeoutSeconds = 20.0;
    // Called once with the child's pid, settleSeconds after start (to send keys).
    std::function<void(pid_t)> whileRunning;
    double settleSeconds = 3.0;
    bool withoutDisplay = false; // no X display to talk to
    // Files under resources/ (paths relative to the working directory) that
    // this run sees with other content, or not at all. The built files stay
    // untouched: the run gets its own copy of the tree, of links to them.
    std::vector<std::pair<std::string, std::string>> replacedFiles;
    std::vector<std::string> removedFiles;
};

ProcessResult runGame(const ProcessOptions& options);

// Writes tightly packed RGBA8 pixels, bottom row first as glReadPixels gives
// them, as a PNG under the build tree's test output directory. Returns the path.
std::string savePng(const std::string& name, int width, int height, const std::vector<unsigned char>& rgba);

// Reads the current framebuffer's colour (RGBA8, bottom row first).
std::vector<unsigned char> readPixels(int x, int y, int width, int height);

// Writes "Brevamoor.config" for a window of width x height pixels and the
// given planet size, loads it, and puts the player's own file back.
void configureGame(std::uint16_t planetSize, unsigned width = 800, unsigned height = 600);

} // namespace BV::testkit
