// Filing draw requests: pass, program, order, the shadow list and ownership
// of what is never drawn.
#include <gtest/gtest.h>

#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ShaderProgram.h"
#include "scene/RenderQueue.h"
#include "scene/Renderable.h"

namespace BV {
namespace {

class CountingRenderable : public Renderable {
public:
    CountingRenderable(MeshPart* part, std::int32_t pass, bool castsShadow)
        : Renderable(part, nullptr, pass, castsShadow)
    {
        ++alive;
    }
    ~CountingRenderable() override { --alive; }
    static int alive;
};
int CountingRenderable::alive = 0;

// Programs and materials that are never loaded: the queue only looks at
// which program a material names.
struct Programs {
    Programs()
    {
        materialA.program = &programA;
        materialB.program = &programB;
        partA.material = &materialA;
        partB.material = &materialB;
    }
    ShaderProgram programA{nullptr}, programB{nullptr};
    Material materialA{nullptr}, materialB{nullptr};
    MeshPart partA, partB;
};

TEST(RenderQueue, GroupsByPassAndProgramKeepingInsertionOrderAndOwnsTheRequests)
{
    Programs p;
    {
        RenderQueue queue;
        auto* first = new CountingRenderable(&p.partA, 2, false);
        auto* other = new CountingRenderable(&p.partB, 2, false);
        auto* second = new CountingRenderable(&p.partA, 2, true);
        auto* late = new CountingRenderable(&p.partA, 8, false);
        for (Renderable* r : std::initializer_list<Renderable*>{first, other, second, late}) {
            queue.add(r);
        }
        queue.add(new CountingRenderable(&p.partA, 64, false)); // a pass nobody draws

        RenderQueue::ProgramGroups* pass2 = queue.getPass(2);
        ASSERT_NE(pass2, nullptr);
        EXPECT_EQ(pass2->size(), 2u);
        EXPECT_EQ((*pass2)[&p.programA], (RenderQueue::RenderList{first, second}));
        EXPECT_EQ((*pass2)[&p.programB], (RenderQueue::RenderList{other}));
        EXPECT_EQ(queue.count(8), 1u);
        // Only the shadow caster is listed again, under the null program.
        RenderQueue::ProgramGroups* shadows = queue.getPass(RenderQueue::SHADOW_PASS);
        ASSERT_NE(shadows, nullptr);
        EXPECT_EQ(shadows->size(), 1u);
        EXPECT_EQ((*shadows)[nullptr], (RenderQueue::RenderList{second}));
        EXPECT_EQ(CountingRenderable::alive, 5);
    }
    // Undrawn requests die with the queue, the twice-filed caster once.
    EXPECT_EQ(CountingRenderable::alive, 0);
}

} // namespace
} // namespace BV
