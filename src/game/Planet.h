#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "app/BoundingBox.h"
#include "game/Face.h"
#include "game/PlanetPatches.h"
#include "game/TextureBuffer.h"
#include "game/Tile.h"
#include "game/TileGrid.h"
#include "scene/Entity.h"

namespace BV {

class Material;

// The board: a sphere of tiles, the vertices of a geodesic triangle mesh made
// from an icosahedron by repeated sqrt(3)-subdivision. Tiles, faces, types,
// positions and neighbours are fixed once the constructor returns; during
// play only the tiles' owners, influence and buildings change.
//
// As an entity the planet is never culled, has no box of its own and hands
// the scene one PlanetRenderable per frame.
//
// Its drawing (mesh, material, texture buffers, outlines) needs the GL
// context and the resource loaders. It is made by buildDrawing, which the
// first collectRenderables calls if the game has not, so that the model alone
// (claims, tile search) runs without a context.
class Planet : public Entity {
public:
    // The supported subdivision levels. Level 0 leaves the base solid off the
    // sphere and divides the tower scale by zero. Every level triples the
    // tiles: level 9 has 196,832 tiles and 393,660 triangles (61 MB of
    // vertices); level 10 would triple that again for tiles too small to
    // click.
    static constexpr std::uint16_t kMinSize = 1;
    static constexpr std::uint16_t kMaxSize = 9;
    static bool isSupportedSize(std::uint16_t level) { return level >= kMinSize && level <= kMaxSize; }
    // Tiles of a planet of `level` subdivisions: 2 + 10 * 3^level.
    static std::uint32_t tileCountFor(std::uint16_t level);

    // Builds the tiles with `level` subdivisions at `radius` world units and
    // rolls their terrain types with the game's dice.
    Planet(std::uint16_t level, float radius);
    // Deletes the GL objects of the drawing if it was built; the context
    // must still be current then.
    ~Planet() override;

    // Index of the tile whose position is nearest to `point`; the lowest index
    // of equally near tiles; 0 on a planet without tiles. Distances are
    // TileGrid::searchDistance. Runs once a frame for picking and once per
    // swarm per frame; the tile grid keeps its cost the same at every size.
    std::uint32_t getTileIndexAt(const glm::vec3& point) const;
    // The same answer from a walk over every tile, whose cost grows with the
    // planet: the yardstick for the grid.
    std::uint32_t getTileIndexAtLinear(const glm::vec3& point) const;
    const TileGrid& getTileGrid() const { return tileGrid; }

    // Distance from the centre to the nearest plane of the mesh's triangles:
    // a sphere of this radius round the centre lies wholly inside the drawn
    // surface. 0 on a planet without faces.
    float getInnerRadius() const;

    // Selects the tile under the mouse (or nothing when none is hovered) and
    // outlines it.
    void selectHovered();

    // Per-tile values read by the planet shader. A write only marks the tile
    // changed; the changed values go to GL right before the planet is next
    // drawn (or by uploadTileValues), in runs of nearby indices, so a claim
    // touching dozens of tiles makes no GL call of its own and sends about
    // as many bytes as it changed values.
    void setVisibility(std::uint32_t tile, float value);
    void setOwnerValue(std::uint32_t tile, float value);

    // ---- Entity
    // The null box: the planet is never culled.
    BoundingBox getBoundingBox() override;
    // One PlanetRenderable (owned by the queue) while visible; builds the
    // drawing first if needed.
    void collectRenderables(RenderQueue& queue) override;

    // Held by value; a tile's index is its position here.
    std::vector<Tile> tiles;
    // The triangles of the mesh, pointing into faceStorage.
    std::vector<Face*> faces;
    std::int16_t subdivisionLevel = 0;
    float radius = 0.0f;
    // -1 for none. Set by the game's hover rules every frame.
    std::int32_t hoveredTile = -1;
    // -1 for none.
    std::int32_t selectedTile = -1;

    // What the human player knows of each tile: 0.2 never seen, 0.8 seen
    // while it belonged to somebody else or to nobody, 1.0 claimed. Nothing
    // resets a value; only later claims overwrite it.
    std::vector<float> visibilityValues;
    // The id of the owner a claim last wrote for each tile (0.0 never
    // claimed, 1.0 the human player, 2.0 the computer opponent).
    std::vector<float> ownerValues;

    // ---- Drawing ----------------------------------------------------------
    // The vertex format of the mesh and the outlines: 13 floats.
    static constexpr int kFloatsPerVertex = 13;
    static constexpr int kVertexBytes = kFloatsPerVertex * 4;
    // Outline vertices: the hover fan in 0 to 7, the selection fan in 8 to 15.
    static constexpr int kOutlineVertices = 16;
    static constexpr int kSelectionFirstVertex = 8;
    // Texture units of the two buffer textures, after the shadow map (0) and
    // the material's four textures (1 to 4).
    static constexpr int kVisibilityUnit = 5;
    static constexpr int kOwnerUnit = 6;

    // Makes the mesh, the material "Planet.mmat", the two texture buffers
    // (from the current per-tile values) and the outlines. Needs the GL
    // context and the resource loaders; does nothing the second time.
    void buildDrawing();
    bool isDrawingBuilt() const { return vertexArray != 0; }

    // Draws the surface and, additively, the hover and selection outlines
    // with the material's program current; returns the triangles drawn.
    // In a scene only the patches of the surface that may show to its
    // camera are drawn (all of them with the scene's culling off).
    std::uint32_t draw();
    // The surface alone, for the shadow map; returns its triangles. In a
    // scene only the patches turned towards the sun that may lie in the
    // scene's shadow region are drawn.
    std::uint32_t drawShadow();
    const PlanetPatches& getPatches() const { return patches; }
    // False draws every face every frame, in the shadow map too, as the
    // planet was once drawn; tests and benchmarks compare the two.
    bool piecewise = true;
    // Sends the changed per-tile values to the texture buffers.
    void uploadTileValues();

    // Rebuild the outline fan of a tile (the hover's or the selection's).
    void setHover(std::uint32_t tile);
    void setSelection(std::uint32_t tile);

    // Owned by the resource manager; null until the drawing is built.
    Material* material = nullptr;
    // GL names, 0 until the drawing is built.
    unsigned int vertexArray = 0;
    TextureBuffer visibilityBuffer;
    TextureBuffer ownerBuffer;
    unsigned int outlineArray = 0;
    unsigned int outlineBuffer = 0;
    std::uint32_t hoverVertexCount = 0;
    std::uint32_t selectionVertexCount = 0;

private:
    // Faces of one construction step keyed by their edge (smaller tile index
    // in the high half, larger in the low half).
    using EdgeTable = std::unordered_map<std::uint64_t, Face*>;

    Planet(const Planet&) = delete;
    Planet& operator=(const Planet&) = delete;

    void addTile(const glm::vec3& position);
    void buildBaseSolid();
    // `storage` must have been reserved for every face of the step: its
    // faces are pointed to and must not move.
    void addFace(std::uint32_t p, std::uint32_t q, std::uint32_t r, std::vector<Face>& storage,
                 std::vector<Face*>& target, EdgeTable& edges);
    void subdivide();
    void sortFacesAroundTiles();
    void drawTileTypes();

    void buildMesh();
    void buildMaterial();
    void buildOutlines();
    // Writes the fan of `tile` into the outline vertices from `first` on and
    // returns its vertex count (0 for an index off the planet).
    std::uint32_t buildFan(std::uint32_t tile, int first);
    void uploadOutline(int first, std::uint32_t count);
    // Choose the patches of the surface to draw; return their faces.
    std::uint32_t selectSurfaceForCamera();
    std::uint32_t selectSurfaceForSun();
    void drawPatches();

    // Owns the faces of the current mesh in one block, replaced by each
    // subdivision; never grows after it is sized, so `faces` stays valid.
    std::vector<Face> faceStorage;
    // The tiles' positions side by side, for the nearest-tile walk; tiles
    // never move once the planet is built.
    std::vector<glm::vec3> tilePositions;
    TileGrid tileGrid;

    BoundingBox box; // always null
    // The planet's vertex buffer; kept only to be deleted with the planet.
    unsigned int meshBuffer = 0;
    PlanetPatches patches;
    // CPU copy of the outline buffer, so that outlines set before the
    // drawing exists are not lost and no frame allocates.
    std::array<float, kOutlineVertices * kFloatsPerVertex> outlineVertices{};
};

} // namespace BV
