// Filing draw requests: pass, program, order, the shadow list, the generic
// entity rule and ownership of what is never drawn.
#include <gtest/gtest.h>

#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ShaderProgram.h"
#include "scene/Entity.h"
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
class RenderQueueTest : public ::testing::Test {
protected:
    RenderQueueTest() : programA(nullptr), programB(nullptr), materialA(nullptr), materialB(nullptr), mesh(nullptr)
    {
        materialA.program = &programA;
        materialB.program = &programB;
        partA.material = &materialA;
        partB.material = &materialB;
    }

    MeshPart* addPart(std::int32_t pass, Material* material)
    {
        MeshPart* part = mesh.addPart();
        part->pass = pass;
        part->material = material;
        return part;
    }

    ShaderProgram programA, programB;
    Material materialA, materialB;
    MeshPart partA, partB;
    Mesh mesh;
};

TEST_F(RenderQueueTest, GroupsByPassAndProgramKeepingInsertionOrder)
{
    RenderQueue queue;
    auto* first = new CountingRenderable(&partA, 2, false);
    auto* other = new CountingRenderable(&partB, 2, false);
    auto* second = new CountingRenderable(&partA, 2, true);
    auto* late = new CountingRenderable(&partA, 8, false);
    for (Renderable* r : {static_cast<Renderable*>(first), static_cast<Renderable*>(other),
                          static_cast<Renderable*>(second), static_cast<Renderable*>(late)}) {
        queue.add(r);
    }

    RenderQueue::ProgramGroups* pass2 = queue.getPass(2);
    ASSERT_NE(pass2, nullptr);
    EXPECT_EQ(pass2->size(), 2u);
    EXPECT_EQ((*pass2)[&programA], (RenderQueue::RenderList{first, second}));
    EXPECT_EQ((*pass2)[&programB], (RenderQueue::RenderList{other}));
    EXPECT_EQ(queue.count(8), 1u);
    // Only the shadow caster is listed again, under the null program.
    RenderQueue::ProgramGroups* shadows = queue.getPass(RenderQueue::SHADOW_PASS);
    ASSERT_NE(shadows, nullptr);
    EXPECT_EQ(shadows->size(), 1u);
    EXPECT_EQ((*shadows)[nullptr], (RenderQueue::RenderList{second}));
}

TEST_F(RenderQueueTest, UndrawnRequestsAreDeletedOnceWithTheQueue)
{
    {
        RenderQueue queue;
        queue.add(new CountingRenderable(&partA, 2, true));   // filed twice
        queue.add(new CountingRenderable(&partA, 64, false)); // a pass nobody draws
        Material bare(nullptr);
        MeshPart noProgram;
        noProgram.material = &bare;
        queue.add(new CountingRenderable(&noProgram, 4, false));
        EXPECT_EQ(queue.getPass(4)->count(nullptr), 1u);
        EXPECT_EQ(CountingRenderable::alive, 3);
        EXPECT_FALSE(queue.isEmpty());
    }
    EXPECT_EQ(CountingRenderable::alive, 0);
}

TEST_F(RenderQueueTest, EntityFilesOnePerPartAndOnlyOpaquePartsCastShadows)
{
    addPart(1, &materialA);
    addPart(2, &materialA);
    addPart(4, &materialB);
    addPart(8, &materialA);
    addPart(16, &materialB);
    Entity entity;
    entity.meshes.push_back(&mesh);
    RenderQueue queue;
    entity.collectRenderables(queue);

    for (std::int32_t pass : {1, 2, 4, 8, 16}) {
        EXPECT_EQ(queue.count(pass), 1u) << "pass " << pass;
    }
    const RenderQueue::RenderList& casters = (*queue.getPass(RenderQueue::SHADOW_PASS))[nullptr];
    ASSERT_EQ(casters.size(), 2u);
    EXPECT_EQ(casters[0]->pass, 2);
    EXPECT_EQ(casters[1]->pass, 4);
    EXPECT_EQ(casters[0]->part, &*std::next(mesh.parts.begin()));
    EXPECT_TRUE(casters[0]->enabled);

    // Hidden, or pointing past its meshes: nothing.
    RenderQueue none;
    entity.visible = false;
    entity.collectRenderables(none);
    entity.visible = true;
    entity.meshIndex = 1;
    entity.collectRenderables(none);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(entity.getBoundingBox().isNull());
}

} // namespace
} // namespace BV
