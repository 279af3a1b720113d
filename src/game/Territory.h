#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace BV {

class MilitaryBuilding;
class Planet;
class Player;

// The tiles one player owns and the tiles it has seen. Ownership spreads
// from buildings and stops where an enemy building's influence is at least
// as strong; every claim also reveals the tiles around where it stopped.
// The human player's claims are what the fog of war shows.
class Territory {
public:
    Territory(Player* player, Planet* planet);

    // Takes the tiles within radius - 1 steps of `tile` for the player on
    // behalf of `source`: strength `radius` on the tile itself, one less per
    // step. Then reveals two steps around the tiles where the claim stopped
    // and writes the owner values of the player's claimed tiles.
    void claim(std::uint32_t tile, std::uint32_t radius, MilitaryBuilding* source);
    // Whether the tile is among visibleTiles.
    bool hasSeen(std::uint32_t tile) const { return tile < seenTiles.size() && seenTiles[tile]; }
    // Whether the player has ever owned the tile, whoever owns it now.
    bool hasHeld(std::uint32_t tile) const { return tile < heldTiles.size() && heldTiles[tile]; }

    Player* player;
    Planet* planet;
    // Tiles the player owns, in order of acquisition; a tile's owner is the
    // player exactly when its index is here.
    std::vector<std::uint32_t> ownedTiles;
    // Tiles the player has seen while they belonged to somebody else or to
    // nobody, in order of discovery. Never shrinks.
    std::vector<std::uint32_t> visibleTiles;

private:
    // Tile index to the largest remaining radius a claim reached it with.
    using Reach = std::unordered_map<std::uint32_t, std::uint32_t>;

    bool claimFrom(std::uint32_t tile, std::uint32_t radius, Reach& visited, std::vector<std::uint32_t>& border,
                   MilitaryBuilding* source);
    bool claimTile(std::uint32_t tile, MilitaryBuilding* source, std::uint32_t strength);
    void reveal(std::uint32_t tile, std::uint32_t depth, Reach& seen, const Reach& visited);
    bool markVisible(std::uint32_t tile);
    bool isHuman() const;

    // One flag per planet tile: whether its index is in visibleTiles.
    std::vector<bool> seenTiles;
    // One flag per planet tile: whether the player has ever owned it.
    std::vector<bool> heldTiles;
};

} // namespace BV
