// Prints the cost of whole game frames and of each of their stages at every
// playable planet size, beside the floor of the pipeline (what a frame costs
// that only clears the shadow map and the off-screen target, copies it to the
// window and swaps), on whatever OpenGL the display offers.
//
// Scenes per size: the start at the default zoom, the start fully zoomed in,
// and a late game (about 40 towers, 10 swarms in flight) set up by script.
// Tile types, the random seeds and the game clock are fixed, so every run
// draws the same pictures; --save writes them as PNGs and --compare measures
// them against PNGs saved earlier (for instance by an older build).
//
// Run from the build's run directory, under X (xvfb-run works):
//   cd build/run && xvfb-run -a -s "-screen 0 1920x1080x24" ../tests/bench_frame_bench
// Every scene's picture is also measured against the old drawing of the
// same run: the planet's whole depth in the shadow map and every face of it
// drawn. --old-way times that drawing instead. Every scene is timed with the
// 3D scene drawn at 1, 0.75 and 0.5 of the window's size, and then left to
// the game's own render scale until it settles (the adaptive line; real
// time, whatever --cpu says).
//
// Options: --batches N, --frames N (frames per timed batch), --sizes LIST
//          (sizes and ranges: 3-6,9), --scene start|zoomed|late, --save DIR,
//          --compare DIR, --no-stages, --old-way, --no-adaptive,
//          --cpu (process CPU time instead of wall-clock time)

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/CameraController.h"
#include "game/Game.h"
#include "game/MilitaryBuilding.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "resources/Loaders.h"
#include "scene/Drawing.h"
#include "scene/RenderScale.h"
#include "scene/Scene.h"
#include "support/ImageCompare.h"
#include "support/ProgramWindow.h"

using namespace BV;

namespace {

// Wall-clock time, or with --cpu the CPU time of this process (all its
// threads, the software rasteriser's included), which a busy machine
// disturbs far less; both in milliseconds.
bool cpuTime = false;

double nowMs()
{
    if (cpuTime) {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Pages the process has faulted in so far. A frame that faults its memory in
// again each time (a renderer's per-frame blocks handed back to the system
// and asked for anew) costs far more than its drawing on a virtual machine.
long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Real time whatever --cpu says: the render scale adapts to what the player waits.
double nowWallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const int WIDTH = 1280;
const int HEIGHT = 720;
const int SHADOW_SIZE = 2048;
const unsigned SEED = 20261207u;
// Game seconds per frame: a 60 Hz frame while the scene is set up, then a
// millisecond while timing, so that swarms are still in flight at the end.
const double SETUP_DT = 1.0 / 60.0;
const double TIMING_DT = 0.001;
const int SETUP_FRAMES = 30;
// The picture must stay within these of the reference.
const double MAX_MEAN_DIFFERENCE = 2.0; // per channel, 1/255 steps
const int DIFFERENCE_THRESHOLD = 16;    // 1/255 steps
const double MAX_SHARE_BEYOND = 0.005;

const char* const STAGES[] = {"update",  "shadow", "pass 1",     "pass 2",   "pass 4", "pass 8",
                              "pass 16", "copy",   "lens flare", "overlays", "swap"};
const int STAGE_COUNT = sizeof(STAGES) / sizeof(STAGES[0]);

enum SceneKind { START, ZOOMED_IN, LATE_GAME };
const char* const SCENE_NAMES[] = {"start", "zoomed in", "late game"};
const char* const SCENE_FILES[] = {"start", "zoomed", "late"};

struct Options {
    int batches = 5;
    int frames = 6;
    std::vector<int> sizes{3, 4, 5, 6, 9};
    bool oldWay = false;
    bool stages = true;
    bool adaptive = true;
    int onlyScene = -1; // all three unless a --scene is given
    std::string saveDir;
    std::string compareDir;
};

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : 0.5 * (values[mid - 1] + values[mid]);
}

// ---- Window and configuration -------------------------------------------------

// ---- The floor ------------------------------------------------------------------

// The least any frame of this pipeline does: clear a shadow map of the
// game's size, clear a window-sized colour and depth target, copy it to the
// window (with a blit, the cheapest copy) and swap.
class FloorFrame {
public:
    FloorFrame()
    {
        glGenTextures(1, &shadowTexture);
        glBindTexture(GL_TEXTURE_2D, shadowTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, SHADOW_SIZE, SHADOW_SIZE, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                     nullptr);
        glGenFramebuffers(1, &shadowTarget);
        glBindFramebuffer(GL_FRAMEBUFFER, shadowTarget);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, shadowTexture, 0);
        const GLenum none = GL_NONE;
        glDrawBuffers(1, &none);

        glGenTextures(1, &colourTexture);
        glBindTexture(GL_TEXTURE_2D, colourTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, WIDTH, HEIGHT, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, WIDTH, HEIGHT);
        glGenFramebuffers(1, &mainTarget);
        glBindFramebuffer(GL_FRAMEBUFFER, mainTarget);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    ~FloorFrame()
    {
        glDeleteFramebuffers(1, &shadowTarget);
        glDeleteFramebuffers(1, &mainTarget);
        glDeleteRenderbuffers(1, &depthBuffer);
        glDeleteTextures(1, &shadowTexture);
        glDeleteTextures(1, &colourTexture);
    }

    void frame()
    {
        glDepthMask(GL_TRUE);
        glBindFramebuffer(GL_FRAMEBUFFER, shadowTarget);
        glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
        glClear(GL_DEPTH_BUFFER_BIT);
        glBindFramebuffer(GL_FRAMEBUFFER, mainTarget);
        glViewport(0, 0, WIDTH, HEIGHT);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, WIDTH, HEIGHT, 0, 0, WIDTH, HEIGHT, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glfwSwapBuffers(Window::getInstance()->getHandle());
    }

    // Milliseconds per frame over one batch.
    double batch(int frames)
    {
        glFinish();
        const double start = nowMs();
        for (int i = 0; i < frames; ++i) {
            frame();
        }
        glFinish();
        return (nowMs() - start) / frames;
    }

private:
    unsigned int shadowTexture = 0;
    unsigned int shadowTarget = 0;
    unsigned int colourTexture = 0;
    unsigned int depthBuffer = 0;
    unsigned int mainTarget = 0;
};

// ---- Stage timing -----------------------------------------------------------------

// Finishes the GL work at every stage's end and books the time since the
// previous mark to that stage. Can also keep the finished picture of the
// frame (read from the back buffer just before the swap).
class StageClock : public Scene::StageListener {
public:
    void startFrame()
    {
        glFinish();
        last = nowMs();
    }

    void onStageEnded(const char* stage) override
    {
        glFinish();
        book(stage);
        if (capture && std::strcmp(stage, "overlays") == 0) {
            picture.width = WIDTH;
            picture.height = HEIGHT;
            picture.rgba.assign(static_cast<std::size_t>(WIDTH) * HEIGHT * 4, 0);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
            capture = false;
            last = nowMs(); // the read-back is no stage of the game
        }
    }

    void endFrame()
    {
        glFinish();
        book("swap");
    }

    void resetSums() { std::fill(std::begin(sums), std::end(sums), 0.0); }
    double sum(int stage) const { return sums[stage]; }

    bool capture = false;
    testkit::Image picture;

private:
    void book(const char* stage)
    {
        const double now = nowMs();
        for (int i = 0; i < STAGE_COUNT; ++i) {
            if (std::strcmp(stage, STAGES[i]) == 0) {
                sums[i] += now - last;
            }
        }
        last = now;
    }

    double last = 0.0;
    double sums[STAGE_COUNT] = {};
};

// ---- Scenes -------------------------------------------------------------------------

// Terrain from a fixed sequence in the game's shares, so that the pictures
// do not depend on the clock the game seeds itself from. Runs before the
// first frame, which builds the planet's mesh from the types.
void fixTileTypes(Planet* planet)
{
    std::uint32_t state = SEED;
    for (Tile& tile : planet->tiles) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t r = (state >> 16) % 100 + 1;
        tile.type = r <= 9 ? 0 : r <= 19 ? 3 : r <= 39 ? 1 : r <= 59 ? 4 : r <= 79 ? 2 : 1;
    }
    for (float z : {200.0f, -200.0f}) {
        planet->tiles[planet->getTileIndexAt(glm::vec3(0.0f, 0.0f, z))].type = 1;
    }
}

// Twenty towers a side spread over each side's half of the planet (the
// human's faces the camera), then ten attacks, five each way, between the
// towers nearest the equator.
void setUpLateGame(Game* game)
{
    Planet* planet = game->getPlanet();
    const int towers = 40;
    for (int k = 0; k < towers; ++k) {
        const float z = 1.0f - (static_cast<float>(k) + 0.5f) * 2.0f / towers;
        const float ring = std::sqrt(std::max(0.0f, 1.0f - z * z));
        const float angle = 2.39996323f * static_cast<float>(k);
        const glm::vec3 direction(ring * std::cos(angle), ring * std::sin(angle), z);
        Tile& tile = planet->tiles[planet->getTileIndexAt(direction * Game::planetRadius)];
        if (!tile.building) {
            game->createTower(&tile, z > 0.0f ? humanPlayer : computerPlayer, true);
        }
    }
    auto byEquator = [](Building* a, Building* b) {
        return std::fabs(a->tile.position.z) < std::fabs(b->tile.position.z);
    };
    std::vector<Building*> human = humanPlayer->buildings;
    std::vector<Building*> computer = computerPlayer->buildings;
    std::sort(human.begin(), human.end(), byEquator);
    std::sort(computer.begin(), computer.end(), byEquator);
    for (std::size_t i = 0; i < 5 && i < human.size() && i < computer.size(); ++i) {
        auto* ours = dynamic_cast<MilitaryBuilding*>(human[i]);
        auto* theirs = dynamic_cast<MilitaryBuilding*>(computer[i]);
        if (ours && theirs) {
            ours->attack(theirs, game);
            theirs->attack(ours, game);
        }
    }
}

// One game on the benchmark's window with the clock driven by the benchmark.
class SceneRun {
public:
    SceneRun(int size, SceneKind kind)
    {
        testkit::configureGame(static_cast<std::uint16_t>(size), WIDTH, HEIGHT);
        glfwSetTime(0.0);
        // The game's dice take their seed from here when it is set.
        setenv("BREVAMOOR_SEED", std::to_string(SEED).c_str(), 1);
        game = new Game(Window::getInstance());
        game->getRenderScale().fix(1.0);
        now = game->getLastTime();
        fixTileTypes(game->getPlanet());
        std::srand(SEED);
        if (kind == ZOOMED_IN) {
            // Scrolling far enough stops at the nearest distance.
            game->getCameraController()->onMouseScrolled(1000.0);
        } else if (kind == LATE_GAME) {
            setUpLateGame(game);
        }
        for (int i = 0; i < SETUP_FRAMES; ++i) {
            step(SETUP_DT);
        }
    }

    ~SceneRun() { delete game; }

    // The old drawing: the planet's whole depth in the shadow map, every
    // face of it drawn.
    void drawOldWay(bool old)
    {
        game->getScene()->setWholeOccluderShadow(old);
        game->getPlanet()->piecewise = !old;
    }

    void step(double dt)
    {
        now += dt;
        glfwSetTime(now);
        game->frame();
    }

    // Milliseconds per frame over one batch, no stage brackets.
    double batch(int frames)
    {
        glFinish();
        const double start = nowMs();
        const long faultsBefore = minorFaults();
        for (int i = 0; i < frames; ++i) {
            step(TIMING_DT);
        }
        glFinish();
        faults += minorFaults() - faultsBefore;
        timedFrames += frames;
        return (nowMs() - start) / frames;
    }

    // Per-stage milliseconds per frame over one batch.
    std::vector<double> stageBatch(int frames)
    {
        game->getScene()->setStageListener(&clock);
        clock.resetSums();
        for (int i = 0; i < frames; ++i) {
            clock.startFrame();
            step(TIMING_DT);
            clock.endFrame();
        }
        game->getScene()->setStageListener(nullptr);
        std::vector<double> perStage(STAGE_COUNT);
        for (int s = 0; s < STAGE_COUNT; ++s) {
            perStage[s] = clock.sum(s) / frames;
        }
        return perStage;
    }

    // The finished picture of the next frame.
    testkit::Image picture()
    {
        game->getScene()->setStageListener(&clock);
        clock.capture = true;
        clock.startFrame();
        step(TIMING_DT);
        game->getScene()->setStageListener(nullptr);
        return clock.picture;
    }

    void fixScale(double scale) { game->getRenderScale().fix(scale); }

    // Lets the game's own controller adapt the scale, from 1, to the real
    // frame time until it has held still for two seconds (at most twenty in
    // all); returns the real seconds it took to settle.
    double settleScale()
    {
        RenderScale& scale = game->getRenderScale();
        scale.fix(1.0);
        batch(2);
        scale.adapt(); // from the full size, as a game starts
        const double start = nowWallMs();
        double since = start;
        double held = scale.getScale();
        while (nowWallMs() - since < 2000.0 && nowWallMs() - start < 20000.0) {
            step(TIMING_DT);
            if (scale.getScale() != held) {
                held = scale.getScale();
                since = nowWallMs();
            }
        }
        scale.fix(held);
        return (since - start) / 1000.0;
    }

    double scale() { return game->getRenderScale().getScale(); }
    std::size_t swarms() const { return game->getEntities().size(); }
    std::size_t towers() const { return game->getBuildings().size(); }
    // Over every timed frame (stage frames aside).
    double faultsPerFrame() const { return timedFrames ? static_cast<double>(faults) / timedFrames : 0.0; }

private:
    Game* game = nullptr;
    double now = 0.0;
    StageClock clock;
    long faults = 0;
    int timedFrames = 0;
};

// ---- Reports ------------------------------------------------------------------------

void printHeader()
{
    std::printf("%-28s %8s %8s %7s |", "scene, scale", "floor", "frame", "ratio");
    for (const char* stage : STAGES) {
        std::printf(" %8s", stage);
    }
    std::printf("\n");
}

bool withinTolerance(const testkit::ImageDifference& d)
{
    return d.sameSize && d.worstMeanAbsolute <= MAX_MEAN_DIFFERENCE && d.shareBeyond <= MAX_SHARE_BEYOND;
}

void printDifference(const char* against, const testkit::ImageDifference& d)
{
    std::printf("    picture vs %s: mean |diff| r %.3f g %.3f b %.3f /255, %.3f %% pixels > %d/255: %s\n", against,
                d.meanAbsolute[0], d.meanAbsolute[1], d.meanAbsolute[2], 100.0 * d.shareBeyond, DIFFERENCE_THRESHOLD,
                withinTolerance(d) ? "same" : "DIFFERENT");
}

void checkPicture(const Options& options, const std::string& file, const testkit::Image& picture)
{
    if (!options.saveDir.empty()) {
        const std::string path = options.saveDir + "/" + file;
        if (!testkit::writePng(path, picture)) {
            std::printf("    could not write %s\n", path.c_str());
        }
    }
    if (options.compareDir.empty()) {
        return;
    }
    testkit::Image reference;
    const std::string path = options.compareDir + "/" + file;
    if (!testkit::readPng(path, reference)) {
        std::printf("    picture: no reference %s\n", path.c_str());
        return;
    }
    printDifference(path.c_str(), testkit::compareImages(reference, picture, DIFFERENCE_THRESHOLD));
}

// Floor, frame and stages of one scene at one fixed scale, as two lines.
void measureAtScale(const Options& options, FloorFrame& floor, SceneRun& run, const char* name, double scale)
{
    run.fixScale(scale);
    run.batch(2); // the target takes its new size
    // Floor and scene batches alternate so that both see the same load.
    std::vector<double> floors;
    std::vector<double> frames;
    std::vector<std::vector<double>> stages(STAGE_COUNT);
    for (int b = 0; b < options.batches; ++b) {
        floors.push_back(floor.batch(options.frames));
        frames.push_back(run.batch(options.frames));
        if (options.stages) {
            const std::vector<double> perStage = run.stageBatch(options.frames);
            for (int s = 0; s < STAGE_COUNT; ++s) {
                stages[s].push_back(perStage[s]);
            }
        }
    }
    const double floorMs = median(floors);
    const double frameMs = median(frames);
    char label[80];
    std::snprintf(label, sizeof label, "%s s=%.2f", name, scale);
    std::printf("%-28s %8.2f %8.2f %6.2fx |", label, floorMs, frameMs, frameMs / floorMs);
    for (int s = 0; s < STAGE_COUNT && options.stages; ++s) {
        std::printf(" %8.2f", median(stages[s]));
    }
    std::printf("\n%-28s %8s %8s %7s |", "", "", "", "");
    for (int s = 0; s < STAGE_COUNT && options.stages; ++s) {
        std::printf(" %7.2fx", median(stages[s]) / floorMs);
    }
    std::printf("\n");
}

void measureScene(const Options& options, FloorFrame& floor, int size, SceneKind kind)
{
    SceneRun run(size, kind);
    char file[64];
    std::snprintf(file, sizeof file, "size%d_%s.png", size, SCENE_FILES[kind]);
    // One frame apart: swarms move a millisecond's way in between.
    run.drawOldWay(!options.oldWay);
    const testkit::Image other = run.picture();
    run.drawOldWay(options.oldWay);
    const testkit::Image picture = run.picture();
    char name[64];
    std::snprintf(name, sizeof name, "size %d %s", size, SCENE_NAMES[kind]);
    for (const double scale : {1.0, 0.75, 0.5}) {
        measureAtScale(options, floor, run, name, scale);
    }
    if (options.adaptive) {
        const double seconds = run.settleScale();
        std::vector<double> frames;
        for (int b = 0; b < options.batches; ++b) {
            frames.push_back(run.batch(options.frames));
        }
        const double frameMs = median(frames);
        std::printf("    adaptive: settles at s=%.4f within %.1f s; there %.2f ms a frame, %.1f frames a second\n",
                    run.scale(), seconds, frameMs, 1000.0 / frameMs);
    }
    std::printf("    %zu towers, %zu swarms in flight; %.1f pages faulted in a frame\n", run.towers(), run.swarms(),
                run.faultsPerFrame());
    printDifference(options.oldWay ? "the new drawing" : "the old drawing",
                    testkit::compareImages(other, picture, DIFFERENCE_THRESHOLD));
    checkPicture(options, file, picture);
    std::fflush(stdout);
}

// "3-6,9": the sizes in order, each between the planet's least and most.
bool parseSizes(const std::string& list, std::vector<int>& sizes)
{
    sizes.clear();
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find(',', at), list.size());
        const std::string item = list.substr(at, end - at);
        int low = 0;
        int high = 0;
        const int read = std::sscanf(item.c_str(), "%d-%d", &low, &high);
        if (read < 1) {
            return false;
        }
        high = read == 2 ? high : low;
        if (!Planet::isSupportedSize(static_cast<std::uint16_t>(low)) ||
            !Planet::isSupportedSize(static_cast<std::uint16_t>(high)) || high < low) {
            return false;
        }
        for (int size = low; size <= high; ++size) {
            sizes.push_back(size);
        }
        at = end + 1;
    }
    return !sizes.empty();
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--batches" && hasValue) {
            options.batches = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--frames" && hasValue) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--sizes" && hasValue) {
            if (!parseSizes(argv[++i], options.sizes)) {
                std::fprintf(stderr, "bad sizes: %s\n", argv[i]);
                return false;
            }
        } else if (arg == "--old-way") {
            options.oldWay = true;
        } else if (arg == "--save" && hasValue) {
            options.saveDir = argv[++i];
        } else if (arg == "--compare" && hasValue) {
            options.compareDir = argv[++i];
        } else if (arg == "--scene" && hasValue) {
            const std::string wanted = argv[++i];
            for (int k = 0; k < 3; ++k) {
                if (wanted == SCENE_FILES[k]) {
                    options.onlyScene = k;
                }
            }
        } else if (arg == "--cpu") {
            cpuTime = true;
        } else if (arg == "--no-stages") {
            options.stages = false;
        } else if (arg == "--no-adaptive") {
            options.adaptive = false;
        } else {
            std::fprintf(stderr, "unknown or incomplete option: %s\n", arg.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options) || !testkit::openProgramWindow(WIDTH, HEIGHT, "Brevamoor frame benchmark")) {
        return 1;
    }
    std::printf("renderer: %s, %dx%d; median of %d batches of %d frames; stages bracketed by glFinish; %s drawing\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), WIDTH, HEIGHT, options.batches, options.frames,
                options.oldWay ? "the old" : "the new");
    std::printf("all figures in ms per frame (%s), ratios (x) to the floor measured beside each scene\n",
                cpuTime ? "process CPU time" : "wall-clock time");
    FloorFrame floor;
    printHeader();
    for (int size : options.sizes) {
        for (SceneKind kind : {START, ZOOMED_IN, LATE_GAME}) {
            if (options.onlyScene >= 0 && options.onlyScene != kind) {
                continue;
            }
            measureScene(options, floor, size, kind);
        }
    }
    return 0;
}
