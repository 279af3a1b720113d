#include "game/Tile.h"

#include <algorithm>

#include "game/Face.h"

namespace BV {

void Tile::getNeighbours(std::vector<std::uint32_t>& out) const
{
    out.clear();
    for (const Face* face : faces) {
        for (std::uint32_t corner : face->corners) {
            if (corner != index && std::find(out.begin(), out.end(), corner) == out.end()) {
                out.push_back(corner);
            }
        }
    }
}

} // namespace BV
