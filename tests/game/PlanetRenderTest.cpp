// The planet's drawing on a real GL context: the mesh's atlas cells, the
// per-tile values mirrored into the texture buffers, the outlines, and a
// whole frame of level 4 with both players' territory under the fog of war.
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/PlanetRenderable.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/RenderQueue.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"
#include "support/TestSupport.h"

namespace BV::scenetest {
namespace {

constexpr int kFloats = Planet::kFloatsPerVertex;

// The float contents of a GL buffer.
std::vector<float> readBuffer(GLenum target, GLuint buffer, std::size_t count)
{
    std::vector<float> values(count);
    glBindBuffer(target, buffer);
    glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(count * sizeof(float)), values.data());
    glBindBuffer(target, 0);
    return values;
}

// The planet mesh's vertices, read back through its vertex array.
std::vector<float> meshVertices(const Planet& planet)
{
    glBindVertexArray(planet.vertexArray);
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glBindVertexArray(0);
    return readBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer), planet.faces.size() * 3 * kFloats);
}

glm::vec3 centroidOf(const Planet& planet, const Face& face)
{
    return (planet.tiles[face.corners[0]].position + planet.tiles[face.corners[1]].position +
            planet.tiles[face.corners[2]].position) /
           3.0f;
}

class PlanetRenderTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        srand(4);
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
        humanPlayer = nullptr;
        computerPlayer = nullptr;
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

    // The program current and the material bound, as the scene's pass leaves
    // them for the planet's draw.
    void useMaterial()
    {
        glUseProgram(planet->material->program->getHandle());
        planet->material->bind();
    }

    std::uint32_t tileWithFaces(std::size_t count) const
    {
        for (const Tile& tile : planet->tiles) {
            if (tile.faces.size() == count) {
                return tile.index;
            }
        }
        return 0;
    }

    std::unique_ptr<Planet> planet;
    std::vector<std::unique_ptr<MilitaryBuilding>> towers;
};

// ---- Mesh -----------------------------------------------------------------------

TEST_F(PlanetRenderTest, MeshHasThreeVerticesPerFaceInTheirAtlasCell)
{
    planet->buildDrawing();
    const std::vector<float> data = meshVertices(*planet);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const float s = Planet::kCellSize;
    const float corner[3][2] = {{0.5f, 0.1f}, {0.979f, 0.93f}, {0.021f, 0.93f}};
    for (const Face* face : planet->faces) {
        const Tile& t0 = planet->tiles[face->corners[0]];
        const Tile& t1 = planet->tiles[face->corners[1]];
        const Tile& t2 = planet->tiles[face->corners[2]];
        const std::uint32_t cell = 25 * t0.type + 5 * t2.type + t1.type;
        const float u0 = static_cast<float>(cell % 12) * s;
        const float v0 = static_cast<float>(cell / 12) * s;
        for (int c = 0; c < 3; ++c) {
            const float* v = &data[(face->faceIndex * 3 + static_cast<std::size_t>(c)) * kFloats];
            const Tile& tile = planet->tiles[face->corners[c]];
            ASSERT_EQ(glm::vec3(v[0], v[1], v[2]), tile.position) << "face " << face->faceIndex;
            ASSERT_EQ(glm::vec3(v[3], v[4], v[5]), tile.normal);
            ASSERT_FLOAT_EQ(v[6], corner[c][0]);
            ASSERT_FLOAT_EQ(v[7], corner[c][1]);
            ASSERT_NEAR(v[8], u0 + corner[c][0] * s, 1e-6f) << "face " << face->faceIndex << " corner " << c;
            ASSERT_NEAR(v[9], v0 + corner[c][1] * s, 1e-6f);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(v[10 + k], static_cast<float>(face->corners[k]));
            }
        }
    }
}

// The baked atlas and the mesh agree on where each corner's terrain is: near
// a corner the cell shows that corner's terrain.
TEST_F(PlanetRenderTest, AtlasCellsShowTheTerrainOfTheirCorners)
{
    planet->buildDrawing();
    Texture* atlas = planet->material->textures.at("tiles");
    ASSERT_TRUE(atlas->isLoaded());
    const int size = atlas->width;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    glBindTexture(GL_TEXTURE_2D, atlas->handle);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    // Mean colour of a small patch around a point of a cell, from a point
    // 80 % of the way from the cell's triangle centre to the corner.
    auto colourNear = [&](std::uint32_t cell, int corner) {
        const float cu[3] = {0.5f, 0.979f, 0.021f};
        const float cv[3] = {0.1f, 0.93f, 0.93f};
        const float mu = (cu[0] + cu[1] + cu[2]) / 3.0f;
        const float mv = (cv[0] + cv[1] + cv[2]) / 3.0f;
        const float u = (static_cast<float>(cell % 12) + mu + 0.8f * (cu[corner] - mu)) * Planet::kCellSize;
        const float v = (static_cast<float>(cell / 12) + mv + 0.8f * (cv[corner] - mv)) * Planet::kCellSize;
        glm::vec3 sum(0.0f);
        for (int dy = -3; dy <= 3; ++dy) {
            for (int dx = -3; dx <= 3; ++dx) {
                const int x = static_cast<int>(u * static_cast<float>(size)) + dx;
                const int y = static_cast<int>(v * static_cast<float>(size)) + dy;
                const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                                                  static_cast<std::size_t>(x)) *
                                                 4];
                sum += glm::vec3(p[0], p[1], p[2]) / 255.0f;
            }
        }
        return sum / 49.0f;
    };
    auto isWater = [](const glm::vec3& c) { return c.b > c.r + 0.2f && c.b > c.g + 0.1f; };
    auto isGrass = [](const glm::vec3& c) { return c.g > c.r + 0.1f && c.g > c.b + 0.1f; };
    auto isSand = [](const glm::vec3& c) { return c.r > 0.6f && c.r > c.b + 0.2f && c.g > c.b + 0.1f; };
    auto isGreyOrSnow = [](const glm::vec3& c) {
        return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) < 0.08f && c.r > 0.3f;
    };
    for (int corner = 0; corner < 3; ++corner) {
        EXPECT_TRUE(isWater(colourNear(0, corner))) << "corner " << corner;
        EXPECT_TRUE(isGrass(colourNear(31, corner)));
        EXPECT_TRUE(isSand(colourNear(62, corner)));
        EXPECT_TRUE(isGreyOrSnow(colourNear(124, corner)));
    }
    // Types (0, 4, 0) and (0, 0, 4): rock only at the corner that has it.
    EXPECT_TRUE(isGreyOrSnow(colourNear(Planet::atlasCell(0, 4, 0), 1)));
    EXPECT_TRUE(isWater(colourNear(Planet::atlasCell(0, 4, 0), 2)));
    EXPECT_TRUE(isGreyOrSnow(colourNear(Planet::atlasCell(0, 0, 4), 2)));
    EXPECT_TRUE(isWater(colourNear(Planet::atlasCell(0, 0, 4), 1)));
    EXPECT_TRUE(isSand(colourNear(Planet::atlasCell(2, 0, 0), 0)));
}

TEST_F(PlanetRenderTest, MaterialHasTheFourTexturesMipmappedAndItsProgram)
{
    const testkit::LogWatch log;
    planet->buildDrawing();
    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
    ASSERT_NE(planet->material, nullptr);
    EXPECT_EQ(planet->material->getName(), "Planet.mmat");
    EXPECT_TRUE(planet->material->isLoaded());
    const std::pair<const char*, const char*> expected[4] = {
        {"grid", "resources/textures/planet_grid.dds"},
        {"tiles", "resources/textures/planet_tileset.dds"},
        {"tiles_normals", "resources/textures/planet_tileset_normals.dds"},
        {"border", "resources/textures/planet_border.dds"},
    };
    ASSERT_EQ(planet->material->textures.size(), 4u);
    for (const auto& entry : expected) {
        Texture* texture = planet->material->textures.at(entry.first);
        EXPECT_EQ(texture->getName(), entry.second);
        GLint filter = 0;
        glBindTexture(GL_TEXTURE_2D, texture->handle);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR) << entry.first;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    // A second planet shares the filled material without a complaint.
    Planet second(1, 200.0f);
    second.buildDrawing();
    EXPECT_EQ(second.material, planet->material);
    EXPECT_EQ(planet->material->textures.size(), 4u);
    EXPECT_TRUE(log.criticalLines().empty());
}

// ---- Per-tile values ------------------------------------------------------------

TEST_F(PlanetRenderTest, ClaimsReachTheBuffersBeforeAndAfterTheDrawingExists)
{
    // Claims made before the drawing exists are in its first content.
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    claimAt(computerPlayer, glm::vec3(0.0f, 0.0f, -200.0f));
    planet->buildDrawing();
    const std::size_t count = planet->tiles.size();
    EXPECT_EQ(readBuffer(GL_TEXTURE_BUFFER, planet->visibilityBuffer.buffer, count), planet->visibilityValues);
    EXPECT_EQ(readBuffer(GL_TEXTURE_BUFFER, planet->ownerBuffer.buffer, count), planet->ownerValues);

    // Later claims: a computer tower on the human player's land takes its
    // own tile.
    const std::uint32_t outpost = claimAt(humanPlayer, glm::vec3(140.0f, 0.0f, 140.0f));
    std::vector<std::uint32_t> around;
    planet->tiles[outpost].getNeighbours(around);
    const std::uint32_t lost = claimAt(computerPlayer, planet->tiles[around[0]].position);
    ASSERT_EQ(planet->tiles[lost].owner, computerPlayer);
    planet->uploadTileValues();
    const std::vector<float> visibility = readBuffer(GL_TEXTURE_BUFFER, planet->visibilityBuffer.buffer, count);
    const std::vector<float> owners = readBuffer(GL_TEXTURE_BUFFER, planet->ownerBuffer.buffer, count);
    EXPECT_EQ(visibility, planet->visibilityValues);
    EXPECT_EQ(owners, planet->ownerValues);
    EXPECT_EQ(owners[lost], 2.0f);
    EXPECT_EQ(visibility[lost], 1.0f);
    // Untouched tiles keep the start values; every value is one of the three.
    std::size_t neverSeen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(visibility[i] == 0.2f || visibility[i] == 0.8f || visibility[i] == 1.0f) << i;
        if (planet->tiles[i].owner == nullptr) {
            EXPECT_EQ(owners[i], 0.0f) << i;
        }
        neverSeen += visibility[i] == 0.2f ? 1 : 0;
    }
    EXPECT_GT(neverSeen, count / 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PlanetRenderTest, DrawSendsPendingValuesAndBindsTheBufferTextures)
{
    planet->buildDrawing();
    const std::uint32_t home = claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    useMaterial();
    planet->draw();
    EXPECT_EQ(readBuffer(GL_TEXTURE_BUFFER, planet->visibilityBuffer.buffer, planet->tiles.size())[home], 1.0f);
    EXPECT_EQ(readBuffer(GL_TEXTURE_BUFFER, planet->ownerBuffer.buffer, planet->tiles.size())[home], 1.0f);
    EXPECT_FALSE(planet->visibilityBuffer.hasChanges());
    EXPECT_FALSE(planet->ownerBuffer.hasChanges());

    const GLuint program = planet->material->program->getHandle();
    GLint unit = -1;
    glGetUniformiv(program, planet->material->program->getUniformLocation("visibilities"), &unit);
    EXPECT_EQ(unit, 5);
    glGetUniformiv(program, planet->material->program->getUniformLocation("owner"), &unit);
    EXPECT_EQ(unit, 6);
    GLint bound = 0;
    glActiveTexture(GL_TEXTURE5);
    glGetIntegerv(GL_TEXTURE_BINDING_BUFFER, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), planet->visibilityBuffer.texture);
    glActiveTexture(GL_TEXTURE6);
    glGetIntegerv(GL_TEXTURE_BINDING_BUFFER, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), planet->ownerBuffer.texture);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- Outlines and triangle counts -----------------------------------------------

TEST_F(PlanetRenderTest, DrawCountsTheOutlineFansOnTopOfTheFaces)
{
    planet->buildDrawing();
    useMaterial();
    const std::uint32_t faces = static_cast<std::uint32_t>(planet->faces.size());
    EXPECT_EQ(planet->draw(), faces);

    const std::uint32_t hexagon = tileWithFaces(6);
    const std::uint32_t pentagon = tileWithFaces(5);
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    planet->setHover(hexagon);
    planet->selectHovered();
    EXPECT_EQ(planet->selectedTile, static_cast<std::int32_t>(hexagon));
    EXPECT_EQ(planet->draw(), faces + 6 + 6);
    planet->hoveredTile = static_cast<std::int32_t>(pentagon);
    planet->selectHovered();
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    EXPECT_EQ(planet->hoverVertexCount, 8u);
    EXPECT_EQ(planet->selectionVertexCount, 7u);
    EXPECT_EQ(planet->draw(), faces + 6 + 5);
    planet->hoveredTile = -1;
    EXPECT_EQ(planet->draw(), faces + 5);
    EXPECT_EQ(planet->drawShadow(), faces);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PlanetRenderTest, HoveredTileWithoutOutlineAddsNothing)
{
    planet->buildDrawing();
    useMaterial();
    planet->hoveredTile = 5; // set by the game before any setHover
    EXPECT_EQ(planet->draw(), planet->faces.size());
}

TEST_F(PlanetRenderTest, OutlineFanRisesOverTheFaceCentresAndSurvivesTheBuild)
{
    const std::uint32_t pentagon = tileWithFaces(5);
    const std::uint32_t hexagon = tileWithFaces(6);
    planet->hoveredTile = static_cast<std::int32_t>(pentagon);
    planet->selectHovered(); // before the drawing exists
    planet->setHover(hexagon);
    planet->buildDrawing();
    const std::vector<float> fans = readBuffer(GL_ARRAY_BUFFER, planet->outlineBuffer, 16 * kFloats);

    auto check = [&](std::uint32_t index, int first, std::uint32_t count) {
        const Tile& tile = planet->tiles[index];
        ASSERT_EQ(count, tile.faces.size() + 2);
        const float* v = &fans[static_cast<std::size_t>(first) * kFloats];
        EXPECT_EQ(glm::vec3(v[0], v[1], v[2]), tile.position);
        EXPECT_EQ(v[6], 0.0f);
        for (std::size_t i = 0; i < tile.faces.size(); ++i) {
            const float* rim = v + (i + 1) * kFloats;
            const glm::vec3 centre = centroidOf(*planet, *tile.faces[i]);
            const glm::vec3 expected = centre + glm::normalize(centre);
            EXPECT_NEAR(glm::distance(glm::vec3(rim[0], rim[1], rim[2]), expected), 0.0f, 1e-4f);
            EXPECT_NEAR(glm::length(glm::vec3(rim[3], rim[4], rim[5])), 1.0f, 1e-5f);
            EXPECT_EQ(rim[6], 1.0f);
            EXPECT_EQ(rim[7], 1.0f);
            EXPECT_EQ(rim[9], 0.0f);
        }
        const float* closing = v + (count - 1) * kFloats;
        EXPECT_TRUE(std::equal(closing, closing + kFloats, v + kFloats));
        // Unused vertices of the fan's eight stay zero.
        for (std::size_t i = count * kFloats; i < 8 * kFloats; ++i) {
            EXPECT_EQ(v[i], 0.0f);
        }
    };
    check(hexagon, 0, planet->hoverVertexCount);
    check(pentagon, 8, planet->selectionVertexCount);
}

TEST_F(PlanetRenderTest, PlanetIsOneUnculledRenderableThatCastsAShadow)
{
    EXPECT_FALSE(planet->cullable);
    EXPECT_TRUE(planet->getBoundingBox().isNull());
    EXPECT_EQ(planet->getBoundingBox().minimum, glm::vec3(0.0f));
    EXPECT_EQ(planet->getBoundingBox().maximum, glm::vec3(0.0f));
    RenderQueue queue;
    planet->collectRenderables(queue);
    EXPECT_TRUE(planet->isDrawingBuilt());
    EXPECT_EQ(queue.count(2), 1u);
    EXPECT_EQ(queue.count(RenderQueue::SHADOW_PASS), 1u);
    RenderQueue::ProgramGroups* groups = queue.getPass(2);
    ASSERT_NE(groups, nullptr);
    ASSERT_EQ(groups->size(), 1u);
    EXPECT_EQ(groups->begin()->first, planet->material->program);
}

// ---- A frame --------------------------------------------------------------------

// Mean brightness (r + g + b) of a 5 x 5 patch of the frame.
double patchBrightness(const std::vector<unsigned char>& frame, int x, int y)
{
    double sum = 0.0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const std::size_t i = (static_cast<std::size_t>(WINDOW_HEIGHT - 1 - (y + dy)) * WINDOW_WIDTH +
                                   static_cast<std::size_t>(x + dx)) *
                                  4;
            sum += frame[i] + frame[i + 1] + frame[i + 2];
        }
    }
    return sum / 25.0;
}

TEST_F(PlanetRenderTest, FrameShowsOwnSeenAndUnseenTilesInDecreasingBrightness)
{
    moveCamera(glm::vec3(0.0f, 0.0f, 520.0f));
    auto* sky = new SkyBox();
    place(sky);
    auto* sun = new Sun(200.0f, 200.0f);
    sun->passType = 2;
    sun->node = scene->getLightNode();
    scene->getLightNode()->entity = sun;
    entities.push_back(sun);
    // The sun high to the right, a little behind the camera.
    scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 0.75f);
    scene->getSunNode()->rotate(glm::vec3(1.0f, 0.0f, 0.0f), -0.45f);
    SceneNode* node = scene->createSceneNode();
    node->entity = planet.get();
    planet->node = node;

    // Front-facing tiles well inside the disc, with their window positions.
    scene->update();
    const glm::mat4 pv = camera->getProjection() * camera->getView();
    struct Probe {
        std::uint32_t tile;
        int x, y;
    };
    std::vector<Probe> probes;
    for (const Tile& tile : planet->tiles) {
        if (glm::dot(tile.normal, glm::normalize(glm::vec3(0, 0, 520) - tile.position)) < 0.35f) {
            continue;
        }
        const glm::vec4 clip = pv * glm::vec4(tile.position, 1.0f);
        const int x = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * WINDOW_WIDTH);
        const int y = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * WINDOW_HEIGHT);
        probes.push_back({tile.index, x, y});
    }
    ASSERT_GT(probes.size(), 60u);
    auto drawFrame = [&]() {
        glfwSetTime(0.5);
        frame();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    };
    const std::vector<unsigned char> before = drawFrame();

    // The human player's home and a second tower reaching towards the
    // computer opponent's tower, which has taken land on this side too.
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    claimAt(computerPlayer, glm::vec3(-95.0f, 75.0f, 155.0f));
    claimAt(humanPlayer, glm::vec3(-45.0f, 50.0f, 185.0f));
    claimAt(computerPlayer, glm::vec3(120.0f, -110.0f, 110.0f)); // unseen by the human player
    planet->hoveredTile = static_cast<std::int32_t>(planet->getTileIndexAt(glm::vec3(60.0f, -40.0f, 185.0f)));
    planet->setHover(static_cast<std::uint32_t>(planet->hoveredTile));
    planet->selectHovered();
    planet->hoveredTile = static_cast<std::int32_t>(planet->getTileIndexAt(glm::vec3(80.0f, 20.0f, 180.0f)));
    planet->setHover(static_cast<std::uint32_t>(planet->hoveredTile));
    const std::vector<unsigned char> after = drawFrame();
    testkit::savePng("planet_level4.png", WINDOW_WIDTH, WINDOW_HEIGHT, after);

    // Brightness of each kind, and how much it changed on the same tiles.
    double sum[3] = {0, 0, 0};
    double gain[3] = {0, 0, 0};
    int count[3] = {0, 0, 0};
    for (const Probe& probe : probes) {
        if (static_cast<std::int32_t>(probe.tile) == planet->hoveredTile ||
            static_cast<std::int32_t>(probe.tile) == planet->selectedTile) {
            continue;
        }
        const float visibility = planet->visibilityValues[probe.tile];
        const int kind = visibility == 1.0f ? 0 : visibility == 0.8f ? 1 : 2;
        const double now = patchBrightness(after, probe.x, probe.y);
        sum[kind] += now;
        gain[kind] += now / std::max(1.0, patchBrightness(before, probe.x, probe.y));
        ++count[kind];
    }
    for (int kind = 0; kind < 3; ++kind) {
        ASSERT_GE(count[kind], 8) << "kind " << kind;
        sum[kind] /= count[kind];
        gain[kind] /= count[kind];
    }
    EXPECT_GT(sum[0], sum[1] * 1.2) << "own " << sum[0] << ", seen " << sum[1];
    EXPECT_GT(sum[1], sum[2] * 1.8) << "seen " << sum[1] << ", never seen " << sum[2];
    EXPECT_GT(gain[0], 3.0);
    EXPECT_GT(gain[1], 2.0);
    EXPECT_NEAR(gain[2], 1.0, 0.1);

    // The same from the game's nearest zoom, for people to look at.
    moveCamera(glm::vec3(-40.0f, 40.0f, 300.0f));
    testkit::savePng("planet_level4_close.png", WINDOW_WIDTH, WINDOW_HEIGHT, drawFrame());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace BV::scenetest
