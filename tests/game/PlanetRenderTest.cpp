// The planet's drawing: the per-tile values in the texture buffers, the outlines, and the core that hides the sky.
#include <GL/glew.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "game/Dice.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/TerrainAtlas.h"
#include "game/Territory.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"

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

    static std::vector<float> contents(GLenum target, GLuint buffer, std::size_t count)
    {
        std::vector<float> read(count);
        glBindBuffer(target, buffer);
        glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(count * sizeof(float)), read.data());
        glBindBuffer(target, 0);
        return read;
    }

    std::vector<float> buffer(const TextureBuffer& values) const
    {
        return contents(GL_TEXTURE_BUFFER, values.buffer, planet->tiles.size());
    }

    std::unique_ptr<Planet> planet;
    std::vector<std::unique_ptr<MilitaryBuilding>> towers;
};

// Claims before the drawing exists are in its first content, a later one is sent in a few short runs, not the whole
// stretch between its first and last index. Outlines are one triangle per face of their tile; shadows the surface only.
TEST_F(PlanetRenderTest, DrawSendsClaimsInShortRunsAndCountsTheOutlineFans)
{
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    claimAt(computerPlayer, glm::vec3(0.0f, 0.0f, -200.0f));
    const std::uint32_t hexagon = 12, pentagon = 0; // the twelve base tiles have five sides
    planet->hoveredTile = static_cast<std::int32_t>(hexagon);
    planet->selectHovered();
    planet->hoveredTile = 5; // set by the game before any setHover
    planet->buildDrawing();
    // Every vertex samples the atlas at its own corner of its face's cell.
    GLint mesh = 0;
    glBindVertexArray(planet->vertexArray);
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &mesh);
    glBindVertexArray(0);
    const std::vector<float> v =
        contents(GL_COPY_READ_BUFFER, static_cast<GLuint>(mesh), planet->faces.size() * 3 * Planet::kFloatsPerVertex);
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

    const std::vector<float> visibility = planet->visibilityValues, owner = planet->ownerValues;
    claimAt(humanPlayer, glm::vec3(140.0f, 0.0f, 140.0f));
    glUseProgram(planet->material->program->getHandle());
    planet->material->bind();
    const auto faces = static_cast<std::uint32_t>(planet->faces.size());
    EXPECT_EQ(planet->draw(), faces + 6);
    const struct {
        const char* name;
        const TextureBuffer& buffer;
        const std::vector<float>& before;
        const std::vector<float>& after;
    } cases[] = {{"visibility", planet->visibilityBuffer, visibility, planet->visibilityValues},
                 {"owner", planet->ownerBuffer, owner, planet->ownerValues}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t changed = 0, first = c.before.size(), last = 0;
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

    // A planet lets go of every GL object of its drawing when it goes.
    std::vector<std::pair<PFNGLISBUFFERPROC, GLuint>> made;
    {
        Planet other(1, 10.0f);
        other.buildDrawing();
        GLint otherMesh = 0;
        glBindVertexArray(other.vertexArray);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &otherMesh);
        glBindVertexArray(0);
        made = {{glIsBuffer, static_cast<GLuint>(otherMesh)},  {glIsBuffer, other.outlineBuffer},
                {glIsBuffer, other.visibilityBuffer.buffer},   {glIsBuffer, other.ownerBuffer.buffer},
                {glIsTexture, other.visibilityBuffer.texture}, {glIsTexture, other.ownerBuffer.texture},
                {glIsVertexArray, other.vertexArray},          {glIsVertexArray, other.outlineArray}};
        for (const auto& [exists, name] : made) {
            ASSERT_TRUE(exists(name)) << name;
        }
    }
    for (const auto& [exists, name] : made) {
        EXPECT_FALSE(exists(name)) << name;
    }
}

// A sphere just inside the planet lays down its depth before the sky, so the sky behind the planet is never shaded and
// the frame stays the same pixel for pixel, also in the window. In wireframe the core hides nothing.
TEST_F(PlanetRenderTest, OccluderCoreRejectsTheSkyBehindThePlanetAndChangesNoPixel)
{
    const float inner = planet->getInnerRadius();
    EXPECT_GT(inner, 0.99f * 200.0f);
    for (const Face* face : planet->faces) {
        const std::uint32_t* c = face->corners;
        const glm::vec3 centroid =
            planet->tiles[c[0]].position + planet->tiles[c[1]].position + planet->tiles[c[2]].position;
        ASSERT_LE(inner, glm::length(centroid / 3.0f) + 1e-3f) << "face " << face->faceIndex;
    }

    moveCamera(glm::vec3(0.0f, 0.0f, 420.0f));
    place(new SkyBox());
    planet->node = scene->createSceneNode(); // the fixture keeps owning the planet
    planet->node->entity = planet.get();
    claimAt(humanPlayer, glm::vec3(0.0f, 0.0f, 200.0f));
    scene->setOccluder(planet.get());
    const auto centre = [this]() {
        frame();
        return channelSum(meanColour(readWindow(), WINDOW_WIDTH / 2 - 20, WINDOW_HEIGHT / 2 - 20, 40, 40));
    };

    frame();
    const std::vector<unsigned char> without = readWindow();
    scene->setOccluderCore(inner - 2.0f);
    frame();
    const std::vector<unsigned char> with = readWindow();
    EXPECT_TRUE(with == without) << "the core changed the picture";
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getMainFramebuffer());
    EXPECT_TRUE(testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT) == with) << "the copy changed the picture";

    planet->visible = false; // the core alone: the cleared target, black, where the sky would be
    EXPECT_EQ(centre(), 0.0);
    Statistics::getInstance()->wireframe = true;
    const double wireWithCore = centre();
    scene->setOccluderCore(0.0f);
    const double wireWithout = centre();
    Statistics::getInstance()->wireframe = false;
    EXPECT_GT(wireWithout, 0);
    EXPECT_EQ(wireWithCore, wireWithout);
    EXPECT_GT(centre(), wireWithout); // no core: the whole sky shows
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace BV::scenetest
