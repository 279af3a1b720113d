#include <gtest/gtest.h>
#include <cstdio>
#include "game/GameFixture.h"
#include "game/AttackingSwarm.h"
#include "game/NPC.h"
#include "game/Player.h"
#include "game/Tower.h"
namespace BV {
namespace {
class SwarmTest : public testkit::GameFixture {};
TEST_F(SwarmTest, Explore)
{
    NPC::getInstance()->thinkTimer = -1e9;
    step(0.05);
    auto* h = dynamic_cast<Tower*>(humanPlayer->buildings[0]);
    auto* c = dynamic_cast<Tower*>(computerPlayer->buildings[0]);
    glm::vec3 a = Swarm::centreOf(h), b = Swarm::centreOf(c);
    printf("h %f %f %f  c %f %f %f  tiles %f %f %f / %f %f %f\n", a.x,a.y,a.z,b.x,b.y,b.z, h->tile.position.x,h->tile.position.y,h->tile.position.z,c->tile.position.x,c->tile.position.y,c->tile.position.z);
    h->attack(c, game);
    auto* s = dynamic_cast<AttackingSwarm*>(game->getEntities().at(0));
    for (int i = 0; i < 400 && !s->isFinished(); ++i) {
        step(0.1);
        if (i % 20 == 0) printf("%d centre %f %f %f dist %f units %d\n", i, s->getCentre().x, s->getCentre().y, s->getCentre().z, glm::distance(s->getCentre(), s->getTarget()), s->getUnitCount());
    }
    printf("finished %d garrison %d owner %d\n", s->isFinished(), c->units, c->owner->id);
}
}
}
