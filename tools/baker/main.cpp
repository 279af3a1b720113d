// bv_bake: paints every image of the game and writes the tower model.
//
//   bv_bake <resources directory>
//
// Everything is deterministic (fixed seeds, the baker's own generator, text
// from the DejaVu font), so two bakes give the same bytes. Images are
// uncompressed 32-bit DDS files (A8R8G8B8), top row first; the game's loader
// hands them to OpenGL bottom row first, so a picture's top is at v = 1.
//
// Files written below the resources directory:
//
// | File                                    | Size      | Content                                           |
// |-----------------------------------------|-----------|---------------------------------------------------|
// | textures/cubemap/galaxy_px.dds .. _nz   | 1024x1024 | star field faces +X, -X, +Y, -Y, +Z, -Z           |
// | textures/cubemap/galaxy.xcm             | 6 lines   | the six face paths, in that order                 |
// | textures/cubemap/clouds.dds             | 512x512   | nebula clouds, alpha = density, clear at borders  |
// | textures/ui/debug.dds                   | 300x174   | statistics panel with labels                      |
// | textures/ui/debug_fields.dds            | 160x70    | digits / ON OFF / NEAREST / LINEAR / TRILINEAR    |
// | textures/ui/count_digits.dds            | 240x32    | large outlined digits for the garrison counts     |
// | textures/planet_halo.dds                | 512x512   | atmosphere glow around the planet (additive)      |
// | textures/lensflare/flare1..4.dds        | 256x256   | sun glare, rainbow hoop, hexagon ghost, disc ghost|
// | textures/swarm.dds                      | 64x64     | soft white particle (additive)                    |
// | textures/planet_tileset.dds             | 2048x2048 | terrain atlas, 125 triangle cells                 |
// | textures/planet_tileset_normals.dds     | 2048x2048 | tangent-space normals of the atlas                |
// | textures/planet_grid.dds                | 512x512   | tile border lines inside a triangle (alpha)       |
// | textures/planet_border.dds              | 512x512   | tile shares (RGB) and border band (alpha)         |
// | textures/status/building.dds            | 256x256   | corner badge: yellow, black hourglass             |
// | textures/status/full.dds                | 256x256   | corner badge: green, white plus                   |
// | textures/gameOver.dds                   | 1024x768  | "GAME OVER" end screen, Escape closes the game    |
// | textures/gameWon.dds                    | 1024x768  | "VICTORY" end screen, Escape closes the game      |
// | textures/ui/paused.dds                  | 512x160   | "PAUSED" sign over a paused game                  |
// | textures/cursor/default.dds             | 32x32     | arrow; hot spot top-left                          |
// | textures/cursor/attack.dds              | 32x32     | arrow with red crosshair                          |
// | textures/cursor/build.dds               | 32x32     | arrow with yellow plus                            |
// | textures/cursor/select.dds              | 32x32     | arrow with green ring                             |
// | Models/tower0.dae                       | text      | the tower (COLLADA, material "tower;tower-material")|
//
// One line per file goes to standard output; a failure goes to standard
// error and makes the exit status 1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "GlowPainter.h"
#include "Image.h"
#include "InterfacePainter.h"
#include "SkyPainter.h"
#include "TerrainPainter.h"
#include "TextPainter.h"
#include "TowerModel.h"

namespace {

namespace fs = std::filesystem;

// The cube-map list names its faces relative to the game's working directory.
const char* const faceNames[6] = {"galaxy_px", "galaxy_nx", "galaxy_py", "galaxy_ny", "galaxy_pz", "galaxy_nz"};

class Baker {
public:
    explicit Baker(const std::string& root) : root(root) {}

    bool ok() const { return failures == 0; }

    void image(const std::string& name, const BV::Image& picture)
    {
        const fs::path path = prepare(name);
        if (!picture.saveDds(path.string())) {
            fail(path, "could not write the file");
            return;
        }
        std::printf("bv_bake: %s (%dx%d)\n", name.c_str(), picture.width(), picture.height());
    }

    void text(const std::string& name, const std::string& content)
    {
        const fs::path path = prepare(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) {
            fail(path, "could not write the file");
            return;
        }
        std::printf("bv_bake: %s (%zu bytes)\n", name.c_str(), content.size());
    }

private:
    fs::path prepare(const std::string& name)
    {
        const fs::path path = fs::path(root) / name;
        std::error_code ignored;
        fs::create_directories(path.parent_path(), ignored);
        return path;
    }

    void fail(const fs::path& path, const char* reason)
    {
        std::fprintf(stderr, "bv_bake: failed to bake %s: %s\n", path.string().c_str(), reason);
        ++failures;
    }

    std::string root;
    int failures = 0;
};

void bakeSky(Baker& baker)
{
    const BV::SkyPainter sky(1024);
    std::string list;
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::string("textures/cubemap/") + faceNames[i] + ".dds";
        baker.image(name, sky.face(i));
        list += "resources/" + name + "\n";
    }
    baker.text("textures/cubemap/galaxy.xcm", list);
    baker.image("textures/cubemap/clouds.dds", BV::SkyPainter::clouds(512));
}

void bakeInterface(Baker& baker, const BV::TextPainter& text)
{
    const BV::InterfacePainter ui(text);
    baker.image("textures/ui/debug.dds", ui.statisticsPanel());
    baker.image("textures/ui/debug_fields.dds", ui.statisticsFields());
    baker.image("textures/ui/count_digits.dds", ui.countDigits());
    baker.image("textures/status/building.dds", ui.constructionSign());
    baker.image("textures/status/full.dds", ui.fullSign());
    baker.image("textures/gameOver.dds", ui.endScreen(false));
    baker.image("textures/gameWon.dds", ui.endScreen(true));
    baker.image("textures/ui/paused.dds", ui.pausedSign());
    const char* cursors[4] = {"default", "attack", "build", "select"};
    for (int kind = 0; kind < 4; ++kind) {
        baker.image(std::string("textures/cursor/") + cursors[kind] + ".dds", ui.cursor(kind));
    }
}

void bakeGlows(Baker& baker)
{
    // The halo billboard is 580 world units wide around a planet of radius 200.
    baker.image("textures/planet_halo.dds", BV::GlowPainter::halo(512, 580.0f, 200.0f));
    for (int i = 1; i <= 4; ++i) {
        baker.image("textures/lensflare/flare" + std::to_string(i) + ".dds", BV::GlowPainter::flare(i, 256));
    }
    baker.image("textures/swarm.dds", BV::GlowPainter::swarmDot(64));
}

void bakeTerrain(Baker& baker)
{
    const int atlas = 2048;
    BV::Image colour(atlas, atlas);
    BV::Image normals(atlas, atlas);
    BV::TerrainPainter().paintAtlas(atlas, &colour, &normals);
    baker.image("textures/planet_tileset.dds", colour);
    baker.image("textures/planet_tileset_normals.dds", normals);
    baker.image("textures/planet_grid.dds", BV::TerrainPainter::grid(512));
    baker.image("textures/planet_border.dds", BV::TerrainPainter::border(512));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bv_bake <resources directory>\n");
        return 1;
    }
    BV::TextPainter text;
    if (!text.open()) {
        std::fprintf(stderr, "bv_bake: no DejaVu Sans font under /usr/share/fonts/truetype/dejavu/\n");
        return 1;
    }
    std::error_code error;
    fs::create_directories(argv[1], error);
    if (!fs::is_directory(argv[1], error)) {
        std::fprintf(stderr, "bv_bake: %s is not a directory that can be written\n", argv[1]);
        return 1;
    }
    Baker baker(argv[1]);
    bakeSky(baker);
    bakeInterface(baker, text);
    bakeGlows(baker);
    bakeTerrain(baker);
    baker.text("Models/tower0.dae", BV::TowerModel().collada());
    return baker.ok() ? 0 : 1;
}
