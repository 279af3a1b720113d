#include "game/Building.h"

#include <glm/gtc/quaternion.hpp>

#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/Texture.h"
#include "scene/SceneNode.h"
#include "scene/TextureBillboard.h"

namespace BV {

namespace {
// Every building uses the tower model; the 0 marks its first (and only) look.
const char* const modelName = "resources/Models/tower0.dae";
const char* const statusTextureName = "resources/textures/status/building.dds";
} // namespace

Building::Building(Tile* tile, Player* owner) : tile(*tile), owner(owner)
{
    visible = false;
    tile->building = this;
}

Building::Building(Tile* tile, Player* owner, SceneNode* node, double buildDuration)
    : tile(*tile), owner(owner), buildDuration(buildDuration)
{
    meshIndex = 0;
    Mesh* model = static_cast<Mesh*>(ResourceManager::getInstance()->getResource(modelName));
    if (model) {
        model->ensureLoaded();
        if (model->boundingBox.isFinite()) {
            height = model->boundingBox.maximum.y - model->boundingBox.minimum.y;
        }
        meshes.push_back(model);
    }
    this->node = node;
    node->entity = this;
    placeOnTile();
    tile->building = this;
    decideVisibility();
    createStatusSign();
    owner->buildings.push_back(this);
}

Building::~Building()
{
    if (statusNode && statusNode->entity == statusBillboard) {
        statusNode->entity = nullptr;
    }
    delete statusBillboard;
}

// Stands the model's up axis (0, 1, 0) on the tile normal and sinks it by its
// full height, so construction can raise it out of the ground.
void Building::placeOnTile()
{
    const glm::vec3 h = glm::normalize(tile.normal + glm::vec3(0.0f, 1.0f, 0.0f));
    node->position = tile.position;
    node->orientation = glm::quat(h.y, h.z, 0.0f, -h.x);
    node->translate(glm::vec3(0.0f, -height, 0.0f), Node::TS_LOCAL);
}

// The human always sees their own buildings; others' buildings show once
// their tile has come into the human player's sight. Land the human has held
// counts as seen: it stays lit after it is lost, and a tower rising there
// must not stay hidden (and out of reach of an attack) on a lit tile. (The
// computer learns of a new human tower in MilitaryBuilding's constructor,
// once there is one.)
void Building::decideVisibility()
{
    visible =
        owner == humanPlayer ||
        (humanPlayer && (humanPlayer->territory->hasSeen(tile.index) || humanPlayer->territory->hasHeld(tile.index)));
}

void Building::createStatusSign()
{
    statusTexture = static_cast<Texture*>(ResourceManager::getInstance()->getResource(statusTextureName));
    if (statusTexture) {
        statusTexture->ensureLoadedOrReport();
    }
    statusNode = static_cast<SceneNode*>(node->createChild());
    node->addChild(statusNode);
    statusBillboard = new TextureBillboard(statusTexture, "resources/shader/drawing.frag",
                                           "resources/shader/billboard.vert", "TexBillboard.mmat", 7.0f, 7.0f);
    statusBillboard->passType = 8;
    statusBillboard->node = statusNode;
    statusNode->entity = statusBillboard;
    statusNode->translate(glm::vec3(0.0f, height + 3.0f, 0.0f), Node::TS_LOCAL);
    statusBillboard->visible = owner == humanPlayer;
}

void Building::update(double dt)
{
    if (!underConstruction || !node) {
        return;
    }
    // A start building (no construction time) finishes in this update; the
    // rise is then replaced by the exact tile position below.
    const double fraction = buildDuration > 0.0 ? dt / buildDuration : 1.0;
    buildElapsed += dt;
    node->translate(glm::vec3(0.0f, static_cast<float>(fraction * height), 0.0f), Node::TS_LOCAL);
    node->refreshWorldTransform();
    if (buildElapsed >= buildDuration) {
        underConstruction = false;
        node->position = tile.position;
        node->markDirty(false);
        onConstructed();
        if (owner == computerPlayer) {
            if (auto* military = dynamic_cast<MilitaryBuilding*>(this)) {
                NPC::getInstance()->addOwnBuilding(military);
            }
        }
        statusBillboard->visible = false;
    }
}

} // namespace BV
