#include "game/Territory.h"

#include <algorithm>

#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"

namespace BV {

namespace {

// Removes the first occurrence of `value`, keeping the order of the rest.
void eraseFirst(std::vector<std::uint32_t>& list, std::uint32_t value)
{
    const auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) {
        list.erase(it);
    }
}

} // namespace

Territory::Territory(Player* player, Planet* planet)
    : player(player), planet(planet), seenTiles(planet->tiles.size(), false), heldTiles(planet->tiles.size(), false)
{
}

bool Territory::isHuman() const
{
    return player->id == 1;
}

void Territory::claim(std::uint32_t tile, std::uint32_t radius, MilitaryBuilding* source)
{
    std::vector<std::uint32_t> border{tile};
    Reach visited;
    // The planet collects the visibility and owner writes of the claim and
    // sends each buffer's changes to GL once, before it is next drawn.
    claimFrom(tile, radius, visited, border, source);
    Reach seen;
    for (std::uint32_t edge : border) {
        reveal(edge, 2, seen, visited);
    }
    const float ownerValue = static_cast<float>(player->id);
    for (const auto& entry : visited) {
        if (planet->tiles[entry.first].owner == player) {
            planet->setOwnerValue(entry.first, ownerValue);
        }
    }
}

// Returns false where the claim stops at `tile`: out of reach, or held by a
// stronger enemy. Tiles that fail stay in `border`; the claim still spreads
// through them.
bool Territory::claimFrom(std::uint32_t tile, std::uint32_t radius, Reach& visited, std::vector<std::uint32_t>& border,
                          MilitaryBuilding* source)
{
    const auto known = visited.find(tile);
    if (known != visited.end() && known->second >= radius) {
        return true; // already claimed from a place at least as close
    }
    if (radius == 0) {
        return false;
    }
    const bool taken = claimTile(tile, source, radius);
    visited[tile] = radius;
    std::vector<std::uint32_t> neighbours;
    planet->tiles[tile].getNeighbours(neighbours);
    for (std::uint32_t neighbour : neighbours) {
        if (!claimFrom(neighbour, radius - 1, visited, border, source)) {
            if (std::find(border.begin(), border.end(), neighbour) == border.end()) {
                border.push_back(neighbour);
            }
        } else {
            eraseFirst(border, tile);
        }
    }
    return taken;
}

// The first strength with which a building reaches a tile is the one it
// keeps, even if a shorter path reaches the tile later in the same claim.
bool Territory::claimTile(std::uint32_t index, MilitaryBuilding* source, std::uint32_t strength)
{
    Tile& tile = planet->tiles[index];
    if (tile.owner != player) {
        if (tile.building != source && tile.owner) {
            for (const auto& entry : tile.influence) {
                if (entry.first->owner != player && entry.second >= strength) {
                    return false; // an enemy building at least as strong keeps it
                }
            }
        }
        if (tile.owner) {
            eraseFirst(tile.owner->territory->ownedTiles, index);
            // A party on its way to found a tower here will find nothing to
            // found; the opponent may choose the tile again once it is back.
            if (tile.owner == computerPlayer) {
                NPC::getInstance()->releaseBuildTile(index);
            }
        }
        tile.owner = player;
        ownedTiles.push_back(index);
        heldTiles[index] = true;
        if (isHuman()) {
            planet->setVisibility(index, 1.0f);
        }
    }
    tile.influence.emplace(source, strength);
    return true;
}

// Sees `tile` and the tiles up to depth - 1 steps beyond it, leaving out the
// tiles of the claim itself.
void Territory::reveal(std::uint32_t tile, std::uint32_t depth, Reach& seen, const Reach& visited)
{
    if (visited.count(tile) != 0) {
        return;
    }
    const auto known = seen.find(tile);
    if ((known != seen.end() && known->second >= depth) || depth == 0) {
        return;
    }
    markVisible(tile);
    seen[tile] = depth;
    std::vector<std::uint32_t> neighbours;
    planet->tiles[tile].getNeighbours(neighbours);
    for (std::uint32_t neighbour : neighbours) {
        reveal(neighbour, depth - 1, seen, visited);
    }
}

// Lists a tile the player sees for the first time while it is not its own;
// a building on it becomes known to the player.
bool Territory::markVisible(std::uint32_t index)
{
    Tile& tile = planet->tiles[index];
    if (seenTiles[index] || tile.owner == player) {
        return false;
    }
    seenTiles[index] = true;
    visibleTiles.push_back(index);
    if (isHuman()) {
        planet->setVisibility(index, 0.8f);
        if (tile.building) {
            tile.building->visible = true;
        }
    } else if (auto* enemy = dynamic_cast<MilitaryBuilding*>(tile.building)) {
        NPC::getInstance()->addKnownEnemy(enemy);
    }
    return true;
}

} // namespace BV
