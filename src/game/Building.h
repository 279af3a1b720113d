#pragma once

#include "game/Tile.h"
#include "scene/Entity.h"

namespace BV {

class Player;
class SceneNode;
class Texture;
class TextureBillboard;

// Something a player owns on one tile of the planet: the tower model, sunk
// into the ground at first and rising along the tile's normal while it is
// under construction, with a status sign floating above it.
class Building : public Entity {
public:
    // A bare building: it stands on `tile` (the planet's own record, which
    // points back to it from now on) for `owner` and takes part in territory
    // claims, but has no model, node or sign and is never drawn.
    Building(Tile* tile, Player* owner);
    // The full building on its scene node, taking buildDuration seconds to
    // rise (0 finishes on the first update). Joins the owner's buildings.
    Building(Tile* tile, Player* owner, SceneNode* node, double buildDuration);
    ~Building() override;

    // Construction: raises the model and finishes it when the time is up.
    void update(double dt) override;

    // Called once construction is over.
    virtual void onConstructed() {}

    bool isUnderConstruction() const { return underConstruction; }
    float getHeight() const { return height; }
    TextureBillboard* getStatusBillboard() const { return statusBillboard; }

    // A copy taken at construction; its position, normal and index are what
    // the building uses.
    Tile tile;
    Player* owner;

protected:
    double buildDuration = 0.0; // seconds
    double buildElapsed = 0.0;  // seconds
    bool underConstruction = true;
    // World units (model units before the node's scale) from the model's
    // base to its top.
    float height = 0.0f;
    // Owned: deleted with the building. Its node belongs to the scene.
    TextureBillboard* statusBillboard = nullptr;
    Texture* statusTexture = nullptr; // the resource manager's
    SceneNode* statusNode = nullptr;

private:
    void placeOnTile();
    void decideVisibility();
    void createStatusSign();
};

} // namespace BV
