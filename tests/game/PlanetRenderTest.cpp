// The planet's drawing on a real GL context: the per-tile values mirrored
// into the texture buffers, the outlines, and a level-4 frame of both
// players' territory under the fog of war.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/Dice.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/TerrainAtlas.h"
#include "game/Territory.h"
#include "scene/PlanetHalo.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"

namespace BV::scenetest {
namespace {

class PlanetRenderTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        Dice::seed(4);
        planet = std::make_unique<Planet>(4, 200.0f);
        humanPlayer = new Player(1, glm::vec3(1, 0, 0), planet.get());
        computerPlayer = new Player(2, glm::vec3(0, 0, 1), planet.get());
    }

    void TearDown() override
    {
        SceneFixture::TearDown();
        towers.clear();
        delete humanPlayer;
        delete computerPlayer;
        humanPlayer = computerPlayer = nullptr;
        delete NPC::getInstance();
        planet.reset();
    }

    // A finished tower's claim on the tile nearest to `point`.
    std::uint32_t claimAt(Player* player, const glm::vec3& point)
    {
        const std::uint32_t tile = planet->getTileIndexAt(point);
        towers.push_back(std::make_unique<MilitaryBuilding>(&planet->tiles[tile], player));
        player->territory->claim(tile, 3, towers.back().get());
        return tile;
    }

    std::vector<float> buffer(const TextureBuffer& values) const
    {
        std::vector<float> read(planet->tiles.size());
        glBindBuffer(GL_TEXTURE_BUFFER, values.buffer);
        glGetBufferSubData(GL_TEXTURE_BUFFER, 0, static_cast<GLsizeiptr>(read.size() * sizeof(float)), read.data());
        glBindBuffer(GL_TEXTURE_BUFFER, 0);
        return read;
    }

    // Puts the planet into the scene; the fixture keeps owning it.
    void showPlanet()
    {
        SceneNode* node = scene->createSceneNode();
        node->entity = planet.get();
        planet->node = node;
    }

    std::unique_ptr<Planet> planet;
    std::vector<std::unique_ptr<MilitaryBuilding>> towers;
};

// The halo is a picture at the planet's centre, drawn without depth, while
// the planet's outline on screen grows as the camera comes closer: at the
// nearest and the farthest zoom the glow must still peak on the outline and
// stay faint over the face. Seen on a 16:9 screen, where the nearest zoom
// still shows the outline at the left and right.
TEST_F(PlanetRenderTest, HaloPeaksOnThePlanetsOutlineAtEveryZoom)
{
    // The scene's target keeps the window's size; the camera draws into its
    // lower 800 x 450.
    constexpr int width = 800, height = 450;
    delete scene;
    camera->setViewportSize(static_cast<float>(width), static_cast<float>(height));
    scene = new Scene(camera);
    showPlanet(); // never seen: dark grey, so the added glow never saturates
    scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 1.5707964f); // light from the right
    auto* image =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
    auto* halo = new PlanetHalo(image, "resources/shader/drawing.frag", "resources/shader/billboard.vert",
                                "TexBillboard.mmat", 580.0f, 580.0f);
    halo->passType = 16;
    halo->visible = true;
    halo->bodyRadius = 200.0f;
    place(halo);

    auto render = [this]() {
        frame();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getMainFramebuffer());
        std::vector<unsigned char> pixels = testkit::readPixels(0, 0, width, height);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return pixels;
    };
    // r + g + b summed over the five rows through the centre, at column x.
    auto column = [](const std::vector<unsigned char>& pixels, int x) {
        int sum = 0;
        for (int y = height / 2 - 2; y <= height / 2 + 2; ++y) {
            const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 4];
            sum += p[0] + p[1] + p[2];
        }
        return sum;
    };
    for (float zoom : {300.0f, 600.0f}) {
        SCOPED_TRACE(zoom);
        moveCamera(glm::vec3(0.0f, 0.0f, zoom));
        halo->visible = false;
        const std::vector<unsigned char> planetOnly = render();
        halo->visible = true;
        const std::vector<unsigned char> withHalo = render();
        testkit::savePng("planet_halo_zoom" + std::to_string(static_cast<int>(zoom)) + ".png", width, height, withHalo);

        // Walking outwards from the centre: the outline is the last lit
        // column of the planet, the ring the column the halo brightens most.
        int outline = 0, ring = 0, peak = 0;
        for (int x = width / 2; x < width; ++x) {
            if (column(planetOnly, x) > 60) {
                outline = x;
            }
            if (column(withHalo, x) - column(planetOnly, x) > peak) {
                peak = column(withHalo, x) - column(planetOnly, x);
                ring = x;
            }
        }
        ASSERT_LT(outline, width - 10) << "the outline must be on screen";
        EXPECT_GT(peak, 5 * 150);
        EXPECT_NEAR(ring, outline, 4);
        // Over the inner half of the face the glow is a tenth of its peak at most.
        const int faceEnd = width / 2 + (outline - width / 2) / 2;
        int face = 0;
        for (int x = width / 2; x < faceEnd; ++x) {
            face = std::max(face, column(withHalo, x) - column(planetOnly, x));
        }
        EXPECT_LT(face, peak / 10);
        std::printf("halo at zoom %.0f: brightest ring at x = %d, outline at x = %d; glow over the face %d of %d\n",
                    static_cast<double>(zoom), ring, outline, face, peak);
    }
    // The status signs share the halo's program and must stay plain quads.
    const GLuint program = halo->getMaterial()->program->getHandle();
    float left = -1.0f;
    glGetUniformfv(program, glGetUniformLocation(program, "outlineRadius"), &left);
    EXPECT_EQ(left, 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Claims and a selection made before the drawing exists are in its first
// content; later claims are sent by the next draw. The hover and selection
// outlines are fans of one triangle per face of their tile, drawn on top of
// the surface; the shadow draws the surface only.
TEST_F(PlanetRenderTest, DrawSendsClaimsAndCountsTheOutlineFans)
{
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    claimAt(computerPlayer, glm::vec3(0.0f, 0.0f, -200.0f));
    std::uint32_t hexagon = 12, pentagon = 0;
    while (planet->tiles[hexagon].faces.size() != 6) {
        ++hexagon;
    }
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    planet->selectHovered();
    planet->hoveredTile = 5; // set by the game before any setHover
    planet->buildDrawing();
    EXPECT_EQ(buffer(planet->visibilityBuffer), planet->visibilityValues);
    EXPECT_EQ(buffer(planet->ownerBuffer), planet->ownerValues);
    // Every vertex samples the atlas at its own corner of its face's cell.
    GLint mesh = 0;
    glBindVertexArray(planet->vertexArray);
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &mesh);
    glBindVertexArray(0);
    std::vector<float> v(planet->faces.size() * 3 * Planet::kFloatsPerVertex);
    glBindBuffer(GL_COPY_READ_BUFFER, static_cast<GLuint>(mesh));
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(v.size() * 4), v.data());
    for (std::size_t i = 0; i < v.size() / Planet::kFloatsPerVertex; ++i) {
        // Stored patch by patch: the vertex's face comes from the patches' order.
        const std::uint32_t* c = planet->faces[planet->getPatches().getIndices()[i] / 3]->corners;
        const std::uint32_t cell =
            TerrainAtlas::cellOf(planet->tiles[c[0]].type, planet->tiles[c[1]].type, planet->tiles[c[2]].type);
        const float* corner = TerrainAtlas::cornerCoords[i % 3];
        const float* atlas = &v[i * Planet::kFloatsPerVertex + 8];
        ASSERT_NEAR(atlas[0], TerrainAtlas::cellU(cell) + corner[0] * TerrainAtlas::cellSize, 1e-6f) << i;
        ASSERT_NEAR(atlas[1], TerrainAtlas::cellV(cell) + corner[1] * TerrainAtlas::cellSize, 1e-6f) << i;
    }

    const std::uint32_t later = claimAt(computerPlayer, glm::vec3(140.0f, 0.0f, 140.0f));
    glUseProgram(planet->material->program->getHandle());
    planet->material->bind();
    const auto faces = static_cast<std::uint32_t>(planet->faces.size());
    EXPECT_EQ(planet->draw(), faces + 6);
    const std::vector<float> owners = buffer(planet->ownerBuffer);
    EXPECT_EQ(buffer(planet->visibilityBuffer), planet->visibilityValues);
    EXPECT_EQ(owners, planet->ownerValues);
    EXPECT_EQ(owners[later], 2.0f);

    planet->setHover(hexagon);
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    EXPECT_EQ(planet->draw(), faces + 6 + 6);
    planet->hoveredTile = static_cast<std::int32_t>(pentagon);
    planet->selectHovered();
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    EXPECT_EQ(planet->draw(), faces + 6 + 5);
    planet->hoveredTile = -1;
    EXPECT_EQ(planet->draw(), faces + 5);
    EXPECT_EQ(planet->drawShadow(), faces);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A claim's tiles lie far apart in index order; the next upload sends each
// buffer's changed values in a few short runs, not the whole stretch of
// indices between the first and the last, and the buffers still match.
TEST_F(PlanetRenderTest, ClaimSendsItsChangedTilesNotTheirIndexSpan)
{
    planet->buildDrawing();
    const std::vector<float> visibility = planet->visibilityValues;
    const std::vector<float> owner = planet->ownerValues;
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    planet->uploadTileValues();
    const struct {
        const char* name;
        const TextureBuffer& buffer;
        const std::vector<float>& before;
        const std::vector<float>& after;
    } cases[] = {{"visibility", planet->visibilityBuffer, visibility, planet->visibilityValues},
                 {"owner", planet->ownerBuffer, owner, planet->ownerValues}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t changed = 0;
        std::size_t first = c.before.size();
        std::size_t last = 0;
        for (std::size_t i = 0; i < c.before.size(); ++i) {
            if (c.before[i] != c.after[i]) {
                ++changed;
                first = std::min(first, i);
                last = i;
            }
        }
        ASSERT_GE(changed, 19u);
        ASSERT_GE(c.buffer.uploadCalls, 1u);
        EXPECT_LE(c.buffer.uploadCalls, changed);
        EXPECT_LE(c.buffer.uploadedBytes, 4 * (changed + TextureBuffer::kRunGap * (c.buffer.uploadCalls - 1)));
        EXPECT_LT(c.buffer.uploadedBytes, 4 * (last - first + 1) / 4);
        EXPECT_EQ(buffer(c.buffer), c.after);
    }
}

// Own land is brightest, land once seen dimmer, land never seen darkest.
TEST_F(PlanetRenderTest, FrameShowsOwnSeenAndUnseenTilesInDecreasingBrightness)
{
    moveCamera(glm::vec3(0.0f, 0.0f, 520.0f));
    auto* sun = new Sun(200.0f, 200.0f);
    sun->passType = 2;
    sun->node = scene->getLightNode();
    scene->getLightNode()->entity = sun;
    entities.push_back(sun);
    // The sun high to the right, a little behind the camera.
    scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 0.75f);
    scene->getSunNode()->rotate(glm::vec3(1.0f, 0.0f, 0.0f), -0.45f);
    showPlanet();
    // The human player's home and a second tower reaching towards the
    // computer opponent's tower, which has taken land on this side too.
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    claimAt(computerPlayer, glm::vec3(-95.0f, 75.0f, 155.0f));
    claimAt(humanPlayer, glm::vec3(-45.0f, 50.0f, 185.0f));
    claimAt(computerPlayer, glm::vec3(120.0f, -110.0f, 110.0f)); // unseen by the human player
    glfwSetTime(0.5);
    frame();
    const std::vector<unsigned char> pixels = readWindow();
    testkit::savePng("planet_level4.png", WINDOW_WIDTH, WINDOW_HEIGHT, pixels);

    // Mean brightness of each kind over 5 x 5 patches at front-facing tiles
    // well inside the disc.
    double sum[3] = {0, 0, 0};
    int count[3] = {0, 0, 0};
    for (const Tile& tile : planet->tiles) {
        if (glm::dot(tile.normal, glm::normalize(glm::vec3(0, 0, 520) - tile.position)) < 0.35f) {
            continue;
        }
        const float visibility = planet->visibilityValues[tile.index];
        const int kind = visibility == 1.0f ? 0 : visibility == 0.8f ? 1 : 2;
        sum[kind] += channelSum(patch(pixels, toWindow(*camera, tile.position), 2));
        ++count[kind];
    }
    for (int kind = 0; kind < 3; ++kind) {
        ASSERT_GE(count[kind], 8) << "kind " << kind;
        sum[kind] /= count[kind];
    }
    EXPECT_GT(sum[0], sum[1] * 1.2) << "own " << sum[0] << ", seen " << sum[1];
    EXPECT_GT(sum[1], sum[2] * 1.8) << "seen " << sum[1] << ", never seen " << sum[2];
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A sphere just inside the planet lays down its depth before the sky, so the
// sky behind the planet is never shaded; the finished frame stays the same
// pixel for pixel, and the window shows the off-screen picture exactly. In
// wireframe the planet hides nothing, and neither does the core.
TEST_F(PlanetRenderTest, OccluderCoreRejectsTheSkyBehindThePlanetAndChangesNoPixel)
{
    const float inner = planet->getInnerRadius();
    EXPECT_GT(inner, 0.99f * 200.0f);
    for (const Face* face : planet->faces) {
        glm::vec3 centroid(0.0f);
        for (std::uint32_t corner : face->corners) {
            centroid += planet->tiles[corner].position / 3.0f;
        }
        ASSERT_LE(inner, glm::length(centroid) + 1e-3f) << "face " << face->faceIndex;
    }

    moveCamera(glm::vec3(0.0f, 0.0f, 420.0f));
    place(new SkyBox());
    showPlanet();
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    scene->setOccluder(planet.get());
    auto window = [this]() {
        frame();
        return readWindow();
    };
    // Brightness over a patch round the window's centre, where the planet
    // stands.
    auto centre = [](const std::vector<unsigned char>& pixels) {
        return channelSum(meanColour(pixels, WINDOW_WIDTH / 2 - 20, WINDOW_HEIGHT / 2 - 20, 40, 40));
    };

    const std::vector<unsigned char> without = window();
    scene->setOccluderCore(inner - 2.0f);
    const std::vector<unsigned char> with = window();
    EXPECT_TRUE(with == without) << "the core changed the picture";
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getMainFramebuffer());
    EXPECT_TRUE(testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT) == with) << "the copy changed the picture";

    // With the planet itself hidden, what the core keeps from being drawn
    // shows: the cleared target, black, where the sky would be.
    planet->visible = false;
    EXPECT_EQ(centre(window()), 0.0);
    // In wireframe the planet is only lines, so no core hides the sky's
    // lines behind it.
    Statistics::getInstance()->wireframe = true;
    const double wireWithCore = centre(window());
    scene->setOccluderCore(0.0f);
    const double wireWithout = centre(window());
    Statistics::getInstance()->wireframe = false;
    EXPECT_GT(wireWithout, 0);
    EXPECT_EQ(wireWithCore, wireWithout);
    EXPECT_GT(centre(window()), wireWithout); // no core: the whole sky shows
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace BV::scenetest
