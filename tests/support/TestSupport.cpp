#include "support/TestSupport.h"

#include "app/ConfigFile.h"
#include "app/Log.h"
#include "support/ImageCompare.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace BV::testkit {

namespace fs = std::filesystem;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ScratchDir::ScratchDir()
{
    char pattern[] = "/tmp/bvtest-XXXXXX";
    const char* made = mkdtemp(pattern);
    root = made ? made : "/tmp";
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (root != "/tmp")
        fs::remove_all(root, ignored);
}

// The log truncates its file when first used; make sure that has happened
// before the starting size is taken.
LogWatch::LogWatch() : start((Log::getInstance(), readFile("BVLog.log").size())) {}

std::vector<std::string> LogWatch::lines() const
{
    const std::string text = readFile("BVLog.log");
    return splitLines(text.size() > start ? text.substr(start) : std::string());
}

std::vector<std::string> LogWatch::criticalLines() const
{
    std::vector<std::string> all = lines();
    all.erase(std::remove_if(all.begin(), all.end(), [](const auto& line) { return line.rfind("CRITICAL :", 0) != 0; }),
              all.end());
    return all;
}

// Waits until the child ends or the deadline passes; true if it ended.
static bool waitFor(pid_t pid, double seconds, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

ProcessResult runGame(const ProcessOptions& options)
{
    ScratchDir dir;
    if (options.config)
        writeFile(dir.file("Brevamoor.config"), options.config);
    // The built resources/ as real folders holding links to the built files,
    // so that single files can be swapped without touching the originals.
    const fs::path source = fs::path(BV_RUN_DIR) / "resources";
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
        const fs::path target = fs::path(dir.file("resources")) / fs::relative(entry.path(), source);
        fs::create_directories(entry.is_directory() ? target : target.parent_path());
        if (!entry.is_directory())
            fs::create_symlink(entry.path(), target);
    }
    for (const std::string& file : options.removedFiles)
        fs::remove(dir.file(file));
    for (const auto& [file, content] : options.replacedFiles) {
        fs::remove(dir.file(file)); // the link, never what it points to
        writeFile(dir.file(file), content);
    }
    const std::string outputPath = dir.file("stdout.txt");

    const pid_t pid = fork();
    if (pid == 0) {
        if (options.withoutDisplay) {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
        }
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (chdir(dir.path().c_str()) == 0 && out >= 0 && dup2(out, STDOUT_FILENO) >= 0)
            execl(BV_EXECUTABLE, BV_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    ProcessResult result;
    int status = 0;
    bool ended = options.whileRunning && waitFor(pid, options.settleSeconds, status);
    if (!ended && options.whileRunning)
        options.whileRunning(pid);
    if (!ended && !waitFor(pid, options.timeoutSeconds, status)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.log = readFile(dir.file("BVLog.log"));
    result.output = readFile(outputPath);
    return result;
}

std::string savePng(const std::string& name, int width, int height, const std::vector<unsigned char>& rgba)
{
    const std::string path = std::string(BV_TEST_OUTPUT_DIR) + "/" + name;
    writePng(path, Image{width, height, rgba});
    return path;
}

std::vector<unsigned char> readPixels(int x, int y, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void configureGame(std::uint16_t planetSize, unsigned width, unsigned height)
{
    delete ConfigFile::getInstance();
    std::rename("Brevamoor.config", "Brevamoor.config.keep");
    std::ofstream("Brevamoor.config") << "resolution_x = " << width << "\nresolution_y = " << height
                                      << "\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = " << planetSize << "\n";
    ConfigFile::getInstance()->load();
    std::remove("Brevamoor.config");
    std::rename("Brevamoor.config.keep", "Brevamoor.config");
}

} // namespace BV::testkit
