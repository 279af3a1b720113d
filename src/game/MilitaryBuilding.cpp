#include "game/MilitaryBuilding.h"

#include <algorithm>

#include <GL/glew.h>

#include "game/AttackingSwarm.h"
#include "game/BuildingSwarm.h"
#include "game/Game.h"
#include "game/MilitaryBuildingRenderable.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/RenderQueue.h"
#include "scene/TextureBillboard.h"

namespace BV {

MilitaryBuilding::MilitaryBuilding(Tile* tile, Player* owner) : Building(tile, owner), tileType(tile->type) {}

MilitaryBuilding::MilitaryBuilding(Tile* tile, Player* owner, SceneNode* node, float productionInterval,
                                   std::uint16_t units, double buildDuration)
    : Building(tile, owner, node, buildDuration), units(units), productionInterval(productionInterval),
      tileType(tile->type)
{
    fullTexture =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/status/full.dds"));
    if (fullTexture) {
        fullTexture->ensureLoadedOrReport();
    }
    // A tower going up where the computer has already looked is seen going
    // up. Reported here, not by Building: only now is this object a military
    // building the opponent can list.
    if (owner == humanPlayer && computerPlayer && computerPlayer->territory->hasSeen(tile->index)) {
        NPC::getInstance()->addKnownEnemy(this);
    }
}

void MilitaryBuilding::update(double dt)
{
    Building::update(dt);
    if (underConstruction) {
        return;
    }
    productionTimer += static_cast<float>(dt);
    if (productionTimer >= productionInterval) {
        if (units < maxUnits) {
            setUnitCount(static_cast<std::uint16_t>(units + 1));
        }
        productionTimer -= productionInterval;
    }
}

void MilitaryBuilding::collectRenderables(RenderQueue& queue)
{
    if (!visible || meshes.empty() || meshIndex >= meshes.size() || meshes[meshIndex]->parts.empty()) {
        return;
    }
    queue.add(new MilitaryBuildingRenderable(&meshes[meshIndex]->parts.front(), node, this));
}

void MilitaryBuilding::onConstructed()
{
    owner->territory->claim(tile.index, territoryRadius, this);
}

void MilitaryBuilding::setUniforms(Material* material)
{
    if (!material || !material->program) {
        return;
    }
    ShaderProgram* program = material->program;
    glUniform1f(program->getUniformLocation("height"), height);
    glUniform1f(program->getUniformLocation("fill"), static_cast<float>(units) / static_cast<float>(maxUnits));
    glUniform3f(program->getUniformLocation("color"), owner->colour.r, owner->colour.g, owner->colour.b);
}

// Without a game (rules tested on their own) only the garrison changes.
void MilitaryBuilding::attack(MilitaryBuilding* target, Game* game)
{
    const auto sent = static_cast<std::uint16_t>(units * 0.5);
    if (game && target) {
        // Owned by the game from here on; deleted at its removal.
        game->addEntity(new AttackingSwarm(sent, this, target, game), Swarm::centreOf(this));
    }
    setUnitCount(static_cast<std::uint16_t>(units - sent));
}

void MilitaryBuilding::build(Tile* tile, Game* game)
{
    if (game && tile) {
        const auto sent = static_cast<std::uint16_t>(maxUnits * 0.8);
        // Owned by the game from here on; deleted at its removal.
        game->addEntity(new BuildingSwarm(sent, this, tile, game), Swarm::centreOf(this));
    }
    setUnitCount(static_cast<std::uint16_t>(maxUnits * 0.2));
}

void MilitaryBuilding::setUnitCount(std::uint16_t count)
{
    if (owner == computerPlayer) {
        if (units < count && count == maxUnits) {
            NPC::getInstance()->buildingFull(this);
        } else if (units == maxUnits && count < maxUnits) {
            NPC::getInstance()->buildingNotFull(this);
        }
    }
    units = std::min(count, maxUnits);
    if (!statusBillboard) {
        return;
    }
    if (count < maxUnits) {
        statusBillboard->visible = false;
        return;
    }
    statusBillboard->setTexture(fullTexture);
    statusBillboard->visible = owner == humanPlayer;
}

void MilitaryBuilding::changeOwner(Player* newOwner)
{
    NPC* npc = NPC::getInstance();
    if (owner != computerPlayer) {
        npc->addOwnBuilding(this);
    } else {
        npc->loseBuilding(this);
    }
    // The player's selection (and its outline) never rests on a tower they
    // no longer own.
    Planet* planet = owner->territory->planet;
    if (owner == humanPlayer && newOwner != humanPlayer && planet &&
        planet->selectedTile == static_cast<std::int32_t>(tile.index)) {
        planet->selectedTile = -1;
    }
    std::vector<Building*>& old = owner->buildings;
    const auto it = std::find(old.begin(), old.end(), this);
    if (it != old.end()) {
        old.erase(it);
    }
    owner = newOwner;
    newOwner->buildings.push_back(this);
    newOwner->territory->claim(tile.index, territoryRadius, this);
}

} // namespace BV
