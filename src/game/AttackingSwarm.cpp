#include "game/AttackingSwarm.h"

#include "game/Dice.h"
#include "game/Matchup.h"
#include "game/MilitaryBuilding.h"
#include "game/Player.h"

namespace BV {

namespace {

// One unit of terrain `attacker` against one of terrain `defender`; draws two
// dice rolls. True when the attacker wins.
bool attackerWinsDuel(std::uint32_t attacker, std::uint32_t defender)
{
    const int odds = static_cast<int>(matchup(attacker, defender));
    const int x = Dice::roll() % odds;
    const int y = Dice::roll() % 100;
    return y < x;
}

} // namespace

AttackingSwarm::AttackingSwarm(std::uint16_t count, MilitaryBuilding* source, MilitaryBuilding* targetBuilding,
                               Game* game)
    : Swarm(count, centreOf(source), centreOf(targetBuilding), 160.0f / static_cast<float>(planetSize()), dotTexture()),
      source(source), targetBuilding(targetBuilding), owner(source->owner), game(game)
{
    colour = owner->colour;
}

void AttackingSwarm::onUnitArrived()
{
    fight(1);
}

void AttackingSwarm::onArrived()
{
    if (isFinished()) {
        return;
    }
    fight(unitCount);
    finish(game);
}

void AttackingSwarm::updateVisibility()
{
    showWhereHumanSees(owner, game);
}

// Each attacker keeps fighting until it loses a duel; every duel it wins
// costs the garrison one unit.
void AttackingSwarm::fight(std::uint16_t attackers)
{
    // Units never fight their own side: the target may have been taken by the
    // swarm's side meanwhile, or the source lost to the target's side.
    if (targetBuilding->owner == source->owner || targetBuilding->owner == owner) {
        return;
    }
    const std::uint32_t attackerTerrain = source->tileType;
    const std::uint32_t defenderTerrain = targetBuilding->tileType;
    while (attackers > 0) {
        // An empty garrison has nobody left to defend it.
        if (targetBuilding->units == 0) {
            capture(attackers);
            return;
        }
        if (attackerWinsDuel(attackerTerrain, defenderTerrain)) {
            targetBuilding->setUnitCount(static_cast<std::uint16_t>(targetBuilding->units - 1));
        } else {
            --attackers;
        }
    }
}

void AttackingSwarm::capture(std::uint16_t survivors)
{
    targetBuilding->changeOwner(owner);
    targetBuilding->setUnitCount(survivors);
}

} // namespace BV
