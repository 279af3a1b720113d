#include "game/Planet.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include "game/Dice.h"
#include "game/Face.h"
#include "game/PlanetRenderable.h"
#include "game/TerrainAtlas.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "scene/Camera.h"
#include "scene/RenderQueue.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"

namespace BV {

namespace {

// Angles around a tile turn through this value of pi, close enough to the
// real one that the order of a tile's faces cannot tell.
constexpr double kPi = 3.1415927;

glm::vec3 centroidOf(const Face& face, const std::vector<Tile>& tiles)
{
    return (tiles[face.corners[0]].position + tiles[face.corners[1]].position + tiles[face.corners[2]].position) / 3.0f;
}

std::uint64_t edgeKey(std::uint32_t a, std::uint32_t b)
{
    const std::uint64_t smaller = std::min(a, b);
    const std::uint64_t larger = std::max(a, b);
    return (smaller << 32) | larger;
}

// Index (0 to 2) of the edge of `face` that joins tiles a and b.
int edgeOf(const Face& face, std::uint32_t a, std::uint32_t b)
{
    for (int edge = 0; edge < 3; ++edge) {
        const std::uint32_t s = face.corners[edge];
        const std::uint32_t t = face.corners[(edge + 1) % 3];
        if ((s == a && t == b) || (s == b && t == a)) {
            return edge;
        }
    }
    return -1;
}

} // namespace

Planet::Planet(std::uint16_t level, float radius) : radius(radius)
{
    buildBaseSolid();
    for (std::uint16_t i = 0; i < level; ++i) {
        subdivide();
    }
    sortFacesAroundTiles();
    tilePositions.reserve(tiles.size());
    for (const Tile& tile : tiles) {
        tilePositions.push_back(tile.position);
    }
    tileGrid.build(tilePositions);
    drawTileTypes();
    visibilityValues.assign(tiles.size(), 0.2f);
    ownerValues.assign(tiles.size(), 0.0f);
    cullable = false;
}

Planet::~Planet()
{
    if (!isDrawingBuilt()) {
        return;
    }
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(1, &meshBuffer);
    glDeleteVertexArrays(1, &outlineArray);
    glDeleteBuffers(1, &outlineBuffer);
    visibilityBuffer.destroy();
    ownerBuffer.destroy();
}

// ---- Construction -----------------------------------------------------------

void Planet::addTile(const glm::vec3& position)
{
    Tile tile;
    tile.position = position;
    tile.normal = glm::normalize(position);
    tile.index = static_cast<std::uint32_t>(tiles.size());
    tile.faces.reserve(6);
    tiles.push_back(std::move(tile));
}

// An icosahedron whose corners lie 1.37638 radii from the centre; the first
// subdivision moves them onto the sphere.
void Planet::buildBaseSolid()
{
    const float a = 0.723606f * radius;
    const float b = 1.17082f * radius;
    const glm::vec3 corners[12] = {
        {a, 0, b},   {0, b, a},  {-a, 0, b}, {0, -b, a}, {a, 0, -b}, {0, -b, -a},
        {-a, 0, -b}, {0, b, -a}, {b, -a, 0}, {b, a, 0},  {-b, a, 0}, {-b, -a, 0},
    };
    for (const glm::vec3& corner : corners) {
        addTile(corner);
    }
    static const std::uint32_t triangles[20][3] = {
        {5, 11, 6},  {1, 2, 0},  {0, 2, 3},  {5, 6, 4}, {4, 6, 7},   {9, 1, 0}, {10, 2, 1},
        {2, 10, 11}, {11, 3, 2}, {8, 9, 0},  {0, 3, 8}, {11, 10, 6}, {4, 7, 9}, {9, 8, 4},
        {7, 6, 10},  {1, 9, 7},  {10, 1, 7}, {5, 4, 8}, {3, 11, 5},  {8, 3, 5},
    };
    faceStorage.reserve(20);
    faces.reserve(20);
    EdgeTable edges;
    for (const auto& triangle : triangles) {
        addFace(triangle[0], triangle[1], triangle[2], faceStorage, faces, edges);
    }
}

// Appends the triangle (p, q, r) to `target` and to its corners' face lists,
// and links it with the triangles of this step that share an edge with it.
void Planet::addFace(std::uint32_t p, std::uint32_t q, std::uint32_t r, std::vector<Face>& storage,
                     std::vector<Face*>& target, EdgeTable& edges)
{
    Face* face = &storage.emplace_back();
    face->corners[0] = p;
    face->corners[1] = q;
    face->corners[2] = r;
    face->faceIndex = static_cast<std::uint32_t>(target.size());
    target.push_back(face);
    tiles[p].faces.push_back(face);
    tiles[q].faces.push_back(face);
    tiles[r].faces.push_back(face);
    for (int edge = 0; edge < 3; ++edge) {
        const std::uint32_t s = face->corners[edge];
        const std::uint32_t t = face->corners[(edge + 1) % 3];
        const auto inserted = edges.emplace(edgeKey(s, t), face);
        if (!inserted.second) {
            Face* other = inserted.first->second;
            other->neighbours[edgeOf(*other, s, t)] = face;
            face->neighbours[edge] = other;
        }
    }
}

// sqrt(3)-subdivision: a new tile at the centre of every triangle, and every
// old edge replaced by the two triangles between its ends and the centres of
// the triangles on either side of it.
void Planet::subdivide()
{
    for (Tile& tile : tiles) {
        tile.faces.clear();
    }
    tiles.reserve(tiles.size() + faces.size());
    for (Face* face : faces) {
        face->key.tile = static_cast<std::uint32_t>(tiles.size());
        addTile(centroidOf(*face, tiles));
    }

    // Each old face has three edges, each edge two faces, and each edge
    // makes two new faces: three new faces per old one.
    std::vector<Face> freshStorage;
    freshStorage.reserve(faces.size() * 3);
    std::vector<Face*> fresh;
    fresh.reserve(faces.size() * 3);
    EdgeTable edges;
    edges.reserve(faces.size() * 9 / 2);
    for (Face* face : faces) {
        for (int edge = 0; edge < 3; ++edge) {
            const Face* across = face->neighbours[edge];
            // Every edge of the closed mesh has exactly two triangles, and the
            // edge is split while walking the first of them in face order.
            if (across->faceIndex < face->faceIndex) {
                continue;
            }
            const std::uint32_t s = face->corners[edge];
            const std::uint32_t t = face->corners[(edge + 1) % 3];
            addFace(s, across->key.tile, face->key.tile, freshStorage, fresh, edges);
            addFace(face->key.tile, across->key.tile, t, freshStorage, fresh, edges);
        }
    }
    faceStorage.swap(freshStorage);
    faces.swap(fresh);
    ++subdivisionLevel;

    // Normals already point the right way; only the distance changes.
    for (Tile& tile : tiles) {
        tile.position = glm::normalize(tile.position) * radius;
    }
}

// Orders each tile's faces counter-clockwise seen from outside, starting with
// the face that was last in its list.
void Planet::sortFacesAroundTiles()
{
    std::vector<glm::vec3> centres(faces.size());
    for (const Face* face : faces) {
        centres[face->faceIndex] = centroidOf(*face, tiles);
    }
    for (Tile& tile : tiles) {
        if (tile.faces.empty()) {
            continue;
        }
        const glm::vec3 reference = glm::normalize(centres[tile.faces.back()->faceIndex] - tile.position);
        for (Face* face : tile.faces) {
            const glm::vec3& centre = centres[face->faceIndex];
            const glm::vec3 direction = glm::normalize(centre - tile.position);
            // Rounding can take the cosine of the reference face with itself
            // past 1, where acos gives NaN and the sort would have no order.
            const double cosine = std::clamp(static_cast<double>(glm::dot(direction, reference)), -1.0, 1.0);
            double angle = std::acos(cosine);
            if (glm::dot(glm::cross(reference, direction), glm::normalize(centre)) < 0.0f) {
                angle = (kPi - angle) + kPi;
            }
            face->key.angle = static_cast<float>(angle);
        }
        std::sort(tile.faces.begin(), tile.faces.end(),
                  [](const Face* x, const Face* y) { return x->key.angle < y->key.angle; });
    }
}

// Terrain shares: 9 % type 0, 10 % type 3, 20 % each types 1, 4 and 2, and
// 21 % keep type 1. The two start tiles always take a tower.
void Planet::drawTileTypes()
{
    for (Tile& tile : tiles) {
        const int r = Dice::roll() % 100 + 1;
        if (r <= 9) {
            tile.type = 0;
        } else if (r <= 19) {
            tile.type = 3;
        } else if (r <= 39) {
            tile.type = 1;
        } else if (r <= 59) {
            tile.type = 4;
        } else if (r <= 79) {
            tile.type = 2;
        }
    }
    tiles[getTileIndexAt(glm::vec3(0.0f, 0.0f, 200.0f))].type = 1;
    tiles[getTileIndexAt(glm::vec3(0.0f, 0.0f, -200.0f))].type = 1;
}

// ---- Queries and per-tile values ---------------------------------------------

std::uint32_t Planet::tileCountFor(std::uint16_t level)
{
    std::uint32_t power = 1;
    for (std::uint16_t i = 0; i < level; ++i) {
        power *= 3;
    }
    return 2 + 10 * power;
}

float Planet::getInnerRadius() const
{
    float inner = faces.empty() ? 0.0f : radius;
    for (const Face* face : faces) {
        const glm::vec3& a = tiles[face->corners[0]].position;
        const glm::vec3& b = tiles[face->corners[1]].position;
        const glm::vec3& c = tiles[face->corners[2]].position;
        inner = std::min(inner, std::fabs(glm::dot(glm::normalize(glm::cross(b - a, c - a)), a)));
    }
    return inner;
}

std::uint32_t Planet::getTileIndexAt(const glm::vec3& point) const
{
    std::uint32_t nearest = 0;
    return tileGrid.findNearest(point, nearest) ? nearest : getTileIndexAtLinear(point);
}

std::uint32_t Planet::getTileIndexAtLinear(const glm::vec3& point) const
{
    return TileGrid::findNearestLinear(tilePositions, point);
}

void Planet::selectHovered()
{
    selectedTile = hoveredTile;
    if (selectedTile != -1) {
        setSelection(static_cast<std::uint32_t>(selectedTile));
    }
}

void Planet::setVisibility(std::uint32_t tile, float value)
{
    visibilityValues[tile] = value;
    visibilityBuffer.markChanged(tile);
}

void Planet::setOwnerValue(std::uint32_t tile, float value)
{
    ownerValues[tile] = value;
    ownerBuffer.markChanged(tile);
}

// ---- Entity -------------------------------------------------------------------

BoundingBox Planet::getBoundingBox()
{
    return box;
}

void Planet::collectRenderables(RenderQueue& queue)
{
    if (!visible) {
        return;
    }
    buildDrawing();
    queue.add(new PlanetRenderable(this)); // owned by the queue; the scene deletes it after drawing
}

// ---- Drawing: building ----------------------------------------------------------

namespace {

const char* const kMaterialName = "Planet.mmat";

struct PlanetTexture {
    const char* sampler;
    const char* file;
};

const PlanetTexture kTextures[4] = {
    {"grid", "resources/textures/planet_grid.dds"},
    {"tiles", "resources/textures/planet_tileset.dds"},
    {"tiles_normals", "resources/textures/planet_tileset_normals.dds"},
    {"border", "resources/textures/planet_border.dds"},
};

// Attributes of the shared vertex format: location, floats, byte offset.
struct Attribute {
    GLuint location;
    GLint size;
    std::size_t offset;
};

void enableAttributes(const Attribute* attributes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        glEnableVertexAttribArray(attributes[i].location);
        glVertexAttribPointer(attributes[i].location, attributes[i].size, GL_FLOAT, GL_FALSE, Planet::kVertexBytes,
                              reinterpret_cast<const void*>(attributes[i].offset));
    }
}

GLint uniform(Material* material, const char* name)
{
    return material && material->program ? material->program->getUniformLocation(name) : -1;
}

} // namespace

void Planet::buildDrawing()
{
    if (isDrawingBuilt()) {
        return;
    }
    buildMesh();
    buildMaterial();
    visibilityBuffer.create(4 * tiles.size());
    visibilityBuffer.fill(visibilityValues);
    ownerBuffer.create(4 * tiles.size());
    ownerBuffer.fill(ownerValues);
    buildOutlines();
}

// Three vertices per face, each at a corner tile, all three carrying the
// face's tile indices so that the fragment shader can look up the per-tile
// values of the corners. The faces are stored patch by patch, so that a
// frame draws the patches it needs from one buffer with one call.
void Planet::buildMesh()
{
    patches.build(tiles, faces);
    const std::vector<std::uint32_t>& order = patches.getIndices();
    std::vector<float> data;
    data.reserve(faces.size() * 3 * kFloatsPerVertex);
    for (std::size_t k = 0; k < order.size(); k += 3) {
        const Face* face = faces[order[k] / 3];
        const Tile* corner[3] = {&tiles[face->corners[0]], &tiles[face->corners[1]], &tiles[face->corners[2]]};
        const std::uint32_t cell = TerrainAtlas::cellOf(corner[0]->type, corner[1]->type, corner[2]->type);
        const float u0 = TerrainAtlas::cellU(cell);
        const float v0 = TerrainAtlas::cellV(cell);
        for (int c = 0; c < 3; ++c) {
            const glm::vec3& p = corner[c]->position;
            const glm::vec3& n = corner[c]->normal;
            const float* uv = TerrainAtlas::cornerCoords[c];
            data.insert(data.end(), {p.x, p.y, p.z, n.x, n.y, n.z, uv[0], uv[1], u0 + uv[0] * TerrainAtlas::cellSize,
                                     v0 + uv[1] * TerrainAtlas::cellSize, static_cast<float>(face->corners[0]),
                                     static_cast<float>(face->corners[1]), static_cast<float>(face->corners[2])});
        }
    }
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &meshBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, meshBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(), GL_STATIC_DRAW);
    static const Attribute attributes[5] = {{0, 3, 0}, {1, 3, 12}, {2, 2, 24}, {3, 2, 32}, {4, 3, 40}};
    enableAttributes(attributes, 5);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// A second planet in the same run finds the material filled and only uses it.
void Planet::buildMaterial()
{
    ResourceManager* resources = ResourceManager::getInstance();
    material = static_cast<Material*>(resources->getResource(kMaterialName));
    if (!material) {
        return; // no loader for ".mmat"; logged by the resource manager
    }
    if (!material->program) {
        auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
        if (programs) {
            material->program = programs->createProgram("resources/shader/planet.vert", "resources/shader/planet.frag");
        }
        for (const PlanetTexture& entry : kTextures) {
            auto* texture = static_cast<Texture*>(resources->getResource(entry.file));
            if (!texture) {
                continue;
            }
            // Tiles seen at a slant, far off near the horizon, would shimmer
            // without the mipmaps.
            texture->minFilter = GL_LINEAR_MIPMAP_LINEAR;
            if (texture->isLoaded()) {
                glBindTexture(texture->target, texture->handle);
                glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, texture->minFilter);
                glBindTexture(texture->target, 0);
            } else {
                texture->ensureLoadedOrReport();
            }
            material->addTexture(entry.sampler, texture);
        }
    }
    if (!material->isLoaded()) {
        material->ensureLoaded();
    }
}

void Planet::buildOutlines()
{
    glGenVertexArrays(1, &outlineArray);
    glBindVertexArray(outlineArray);
    glGenBuffers(1, &outlineBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, outlineBuffer);
    // Outlines set before the drawing existed are in the CPU copy already.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof outlineVertices), outlineVertices.data(),
                 GL_DYNAMIC_DRAW);
    static const Attribute attributes[4] = {{0, 3, 0}, {1, 3, 12}, {2, 2, 24}, {3, 2, 36}};
    enableAttributes(attributes, 4);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// ---- Drawing: outlines ------------------------------------------------------------

// A fan over the tile: its centre, then one rim vertex a unit above the
// centre of each of its faces, counter-clockwise, closed by repeating the
// first rim vertex. Attribute 2 runs from 0 at the centre to 1 at the rim.
std::uint32_t Planet::buildFan(std::uint32_t index, int first)
{
    float* out = &outlineVertices[static_cast<std::size_t>(first) * kFloatsPerVertex];
    std::fill(out, out + kSelectionFirstVertex * kFloatsPerVertex, 0.0f);
    if (index >= tiles.size()) {
        return 0;
    }
    const Tile& tile = tiles[index];
    // A built planet has 5 or 6 faces per tile; the fan has room for 6.
    const std::size_t rim = std::min<std::size_t>(tile.faces.size(), kSelectionFirstVertex - 2);
    const glm::vec3 centreNormal = glm::normalize(tile.position);
    auto put = [out](std::size_t vertex, const glm::vec3& position, const glm::vec3& normal, float radial) {
        float* v = out + vertex * kFloatsPerVertex;
        const float values[8] = {position.x, position.y, position.z, normal.x, normal.y, normal.z, radial, radial};
        std::copy(values, values + 8, v);
    };
    put(0, tile.position, centreNormal, 0.0f);
    for (std::size_t i = 0; i < rim; ++i) {
        const glm::vec3 centre = centroidOf(*tile.faces[i], tiles);
        const glm::vec3 up = glm::normalize(centre);
        put(i + 1, centre + up, up, 1.0f);
    }
    std::copy(out + kFloatsPerVertex, out + 2 * kFloatsPerVertex, out + (rim + 1) * kFloatsPerVertex);
    return static_cast<std::uint32_t>(rim + 2);
}

void Planet::uploadOutline(int first, std::uint32_t count)
{
    if (!isDrawingBuilt() || count == 0) {
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, outlineBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * kVertexBytes),
                    static_cast<GLsizeiptr>(count * kVertexBytes),
                    &outlineVertices[static_cast<std::size_t>(first) * kFloatsPerVertex]);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void Planet::setHover(std::uint32_t tile)
{
    hoverVertexCount = buildFan(tile, 0);
    uploadOutline(0, hoverVertexCount);
}

void Planet::setSelection(std::uint32_t tile)
{
    selectionVertexCount = buildFan(tile, kSelectionFirstVertex);
    uploadOutline(kSelectionFirstVertex, selectionVertexCount);
}

// ---- Drawing: per frame -------------------------------------------------------------

void Planet::uploadTileValues()
{
    visibilityBuffer.upload(visibilityValues);
    ownerBuffer.upload(ownerValues);
}

// The pass has made the material's program current and bound the material.
std::uint32_t Planet::draw()
{
    if (!isDrawingBuilt()) {
        return 0;
    }
    uploadTileValues();
    glUniform1i(uniform(material, "isSelection"), 0);
    glActiveTexture(GL_TEXTURE0 + kVisibilityUnit);
    glBindTexture(GL_TEXTURE_BUFFER, visibilityBuffer.texture);
    glUniform1i(uniform(material, "visibilities"), kVisibilityUnit);
    glActiveTexture(GL_TEXTURE0 + kOwnerUnit);
    glBindTexture(GL_TEXTURE_BUFFER, ownerBuffer.texture);
    glUniform1i(uniform(material, "owner"), kOwnerUnit);
    const std::uint32_t drawn = selectSurfaceForCamera();
    glBindVertexArray(vertexArray);
    drawPatches();

    // The outlines light up what is under them.
    std::uint32_t extra = 0;
    const bool hover = hoveredTile != -1 && hoverVertexCount >= 3;
    const bool selection = selectedTile != -1 && selectionVertexCount >= 3;
    if (hover || selection) {
        glBindVertexArray(outlineArray);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    if (hover) {
        glUniform1i(uniform(material, "isSelection"), 1);
        glDrawArrays(GL_TRIANGLE_FAN, 0, static_cast<GLsizei>(hoverVertexCount));
        extra += hoverVertexCount - 2;
    }
    if (selection) {
        glUniform1i(uniform(material, "isSelection"), 2);
        glDrawArrays(GL_TRIANGLE_FAN, kSelectionFirstVertex, static_cast<GLsizei>(selectionVertexCount));
        extra += selectionVertexCount - 2;
    }
    if (hover || selection) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glBindVertexArray(0);
    return drawn + extra;
}

std::uint32_t Planet::drawShadow()
{
    if (!isDrawingBuilt()) {
        return 0;
    }
    const std::uint32_t drawn = selectSurfaceForSun();
    glBindVertexArray(vertexArray);
    drawPatches();
    glBindVertexArray(0);
    return drawn;
}

// The planet is convex: a patch turned wholly away from the camera lies
// behind the near side, and one outside the view shows nowhere. A wireframe
// view sees through the planet, so there only the view counts.
std::uint32_t Planet::selectSurfaceForCamera()
{
    Scene* scene = node ? node->getScene() : nullptr;
    Statistics* statistics = Statistics::getInstance();
    if (!piecewise || !scene || !scene->getCamera() || !statistics->culling) {
        return patches.selectAll();
    }
    Camera* camera = scene->getCamera();
    const glm::mat4& model = node->getWorldMatrix();
    const glm::vec3 eye = glm::vec3(glm::inverse(model) * glm::vec4(camera->getWorldPosition(), 1.0f));
    return patches.selectForCamera(eye, camera->getProjection() * camera->getView() * model, statistics->wireframe);
}

// The sun sees only the faces turned towards it nearest, and of those only
// the ones in the shadow region the scene is drawing now matter.
std::uint32_t Planet::selectSurfaceForSun()
{
    Scene* scene = node ? node->getScene() : nullptr;
    if (!piecewise || !scene || !scene->getShadowCamera()) {
        return patches.selectAll();
    }
    const glm::mat4& model = node->getWorldMatrix();
    const glm::mat4& sunView = scene->getShadowCamera()->getView();
    // The sun's camera looks down its own -z: its +z, in the planet's
    // coordinates, points towards the sun.
    const glm::vec3 towardSun =
        glm::normalize(glm::transpose(glm::mat3(model)) * glm::vec3(sunView[0][2], sunView[1][2], sunView[2][2]));
    const glm::mat4 toTexels = glm::scale(glm::mat4(1.0f), glm::vec3(static_cast<float>(Scene::SHADOW_MAP_SIZE))) *
                               scene->getDepthBiasPV() * model;
    const glm::ivec4& region = scene->getShadowRegion();
    return patches.selectForSun(towardSun, toTexels, glm::vec2(region.x, region.y), glm::vec2(region.z, region.w));
}

void Planet::drawPatches()
{
    const std::vector<int>& counts = patches.getRunCounts();
    if (counts.empty()) {
        return;
    }
    glMultiDrawArrays(GL_TRIANGLES, patches.getRunFirsts().data(), counts.data(), static_cast<GLsizei>(counts.size()));
}

} // namespace BV
