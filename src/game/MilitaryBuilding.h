#pragma once

#include <cstdint>

#include "game/Building.h"

namespace BV {

class Game;
class Material;
class Texture;

// A building with a garrison: it produces units up to its maximum, claims
// the territory around its tile, sends swarms to attack and to found new
// towers, and changes owner when its garrison is beaten.
class MilitaryBuilding : public Building {
public:
    // A bare building (no model, node or sign) for rules that only need the
    // tile and the owner.
    MilitaryBuilding(Tile* tile, Player* owner);
    // The full building; productionInterval in seconds per unit.
    MilitaryBuilding(Tile* tile, Player* owner, SceneNode* node, float productionInterval, std::uint16_t units,
                     double buildDuration);

    // Construction, then production: at most one unit per update.
    void update(double dt) override;
    // One MilitaryBuildingRenderable for the model's first part, when visible.
    void collectRenderables(RenderQueue& queue) override;
    // Claims the tiles around the building for its owner.
    void onConstructed() override;

    // "height", "fill" (garrison / maximum) and "color" (the owner's) for the
    // tower shader, in the material's program, which must be current.
    virtual void setUniforms(Material* material);
    // Sends half the garrison (rounded down) against target.
    virtual void attack(MilitaryBuilding* target, Game* game);
    // Sends 160 units to found a tower on tile; 40 stay behind.
    virtual void build(Tile* tile, Game* game);
    // Sets the garrison (clamped to the maximum), tells the opponent when
    // one of its buildings fills up or stops being full, and shows the full
    // sign on the human player's full buildings.
    virtual void setUnitCount(std::uint16_t count);
    // Hands the building to newOwner, who claims the territory around it. A
    // tower the human player loses stops being their selection.
    void changeOwner(Player* newOwner);

    bool isFull() const { return units == maxUnits; }

    const std::uint16_t maxUnits = 200;
    // Tiles: the building's own tile is claimed with this strength, each
    // step away with one less.
    std::uint16_t territoryRadius = 3;
    std::uint16_t units = 0;
    float productionInterval = 0.1f; // seconds per unit
    float productionTimer = 0.0f;    // seconds towards the next unit
    Texture* fullTexture = nullptr;  // the resource manager's
    // Terrain of the building's tile (1 to 4): decides the odds of its fights.
    std::uint32_t tileType = 0;
};

} // namespace BV
