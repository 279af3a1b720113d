#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "game/Face.h"
#include "game/Tile.h"

namespace BV {

// The board: a sphere of tiles, the vertices of a geodesic triangle mesh made
// from an icosahedron by repeated sqrt(3)-subdivision. Tiles, faces, types,
// positions and neighbours are fixed once the constructor returns; during
// play only the tiles' owners, influence and buildings change.
//
// The planet becomes an Entity (never culled, zero box, one PlanetRenderable
// per frame) when the scene joins the game.
class Planet {
public:
    // The supported subdivision levels. Level 0 leaves the base solid off the
    // sphere and divides the tower scale by zero. Every level triples the
    // tiles: level 9 has 196,832 tiles and 393,660 triangles (61 MB of
    // vertices) and a tile search there takes about half a millisecond, run
    // once a frame for picking and once per swarm; level 10 would triple that
    // again for tiles too small to click.
    static constexpr std::uint16_t kMinSize = 1;
    static constexpr std::uint16_t kMaxSize = 9;
    static bool isSupportedSize(std::uint16_t level) { return level >= kMinSize && level <= kMaxSize; }

    // Builds the tiles with `level` subdivisions at `radius` world units and
    // draws their terrain types from rand().
    Planet(std::uint16_t level, float radius);

    // Index of the tile whose position is nearest to `point`; the lowest index
    // of equally near tiles; 0 on a planet without tiles.
    std::uint32_t getTileIndexAt(const glm::vec3& point) const;

    // Selects the tile under the mouse (or nothing when none is hovered).
    void selectHovered();

    // Per-tile values read by the planet shader. The drawing mirrors each
    // write into its texture buffer at the tile's index.
    void setVisibility(std::uint32_t tile, float value);
    void setOwnerValue(std::uint32_t tile, float value);

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
    // The mesh, the material, the visibility and owner texture buffers and
    // the hover and selection outlines belong in this section. They are made
    // from `tiles`, `faces`, `visibilityValues` and `ownerValues` at the end
    // of construction, and follow setVisibility, setOwnerValue and
    // selectHovered.

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

    // Owns the faces of the current mesh in one block, replaced by each
    // subdivision; never grows after it is sized, so `faces` stays valid.
    std::vector<Face> faceStorage;
    // The tiles' positions side by side, for the nearest-tile scan; tiles
    // never move once the planet is built.
    std::vector<glm::vec3> tilePositions;
};

} // namespace BV
