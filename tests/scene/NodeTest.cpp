// The node tree: lazy world-transform updates, inheritance, reparenting and
// the removal rules.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/constants.hpp>

#include "scene/Node.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// A plain node that counts how often its world transform is recomputed.
class CountingNode : public Node {
public:
    explicit CountingNode(const std::string& name) : Node(name) {}
    void refreshWorldTransform() override
    {
        ++refreshes;
        Node::refreshWorldTransform();
    }
    Node* createChild(const std::string&) override { return nullptr; }
    Node* createChild() override { return nullptr; }
    void collectRenderables(RenderQueue&) override {}
    int refreshes = 0;
};

bool vecNear(const glm::vec3& actual, const glm::vec3& expected)
{
    return glm::all(glm::lessThanEqual(glm::abs(actual - expected), glm::vec3(1e-5f)));
}

// root -> a -> (a1, a2); root -> b -> b1, all updated once.
class NodeTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.addChild(&a);
        root.addChild(&b);
        a.addChild(&a1);
        a.addChild(&a2);
        b.addChild(&b1);
        root.update(true, false);
        resetCounts();
    }

    void resetCounts()
    {
        for (CountingNode* node : {&root, &a, &a1, &a2, &b, &b1}) {
            node->refreshes = 0;
        }
    }

    // Members are destroyed children first, so every destructor finds its
    // parent still alive.
    CountingNode root{"root"}, a{"a"}, b{"b"}, a1{"a1"}, a2{"a2"}, b1{"b1"};
};

TEST_F(NodeTree, UpdateRefreshesOnlyTheChangedNodeAndWhatHangsBelowIt)
{
    a1.translate({1, 0, 0}, Node::TS_PARENT);
    a1.translate({1, 0, 0}, Node::TS_PARENT);
    // The second change does not report a1 again.
    EXPECT_EQ(a.getPendingChildren(), std::list<Node*>{&a1});
    EXPECT_EQ(root.getPendingChildren(), std::list<Node*>{&a});
    root.update(true, false);
    EXPECT_EQ(a1.refreshes, 1);
    EXPECT_EQ(root.refreshes + a.refreshes + a2.refreshes + b.refreshes + b1.refreshes, 0);
    EXPECT_TRUE(root.getPendingChildren().empty());
    EXPECT_FALSE(a.isQueuedAtParent());
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {2, 0, 0}));

    resetCounts();
    a.rotate({0, 1, 0}, glm::half_pi<float>());
    root.update(true, false);
    EXPECT_EQ(a.refreshes + a1.refreshes + a2.refreshes, 3);
    EXPECT_EQ(b.refreshes + b1.refreshes + root.refreshes, 0);
    // a1 now sits on a's turned x axis.
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {0, 0, -2}));

    resetCounts();
    root.update(true, false);
    EXPECT_EQ(root.refreshes + a.refreshes + a1.refreshes + a2.refreshes + b.refreshes + b1.refreshes, 0);
}

TEST_F(NodeTree, ReparentingMovesTheChildAndCleansTheOldChain)
{
    a1.translate({0, 1, 0}, Node::TS_PARENT);
    b.position = glm::vec3(10, 0, 0);
    b.markDirty(false);

    b.addChild(&a1);
    EXPECT_EQ(a1.getParent(), &b);
    EXPECT_EQ(a.getChild("a1"), nullptr);
    EXPECT_EQ(b.getChild("a1"), &a1);
    // a has nothing left to update, so it is no longer queued at the root.
    EXPECT_TRUE(a.getPendingChildren().empty());
    EXPECT_FALSE(a.isQueuedAtParent());
    EXPECT_EQ(root.getPendingChildren(), std::list<Node*>{&b});

    root.update(true, false);
    EXPECT_EQ(a.refreshes, 0);
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {10, 1, 0}));

    // A child replaced under its name lets go of the parent, so neither can
    // later reach the other through a stale pointer.
    CountingNode twin{"a1"};
    b.addChild(&twin);
    EXPECT_EQ(b.getChild("a1"), &twin);
    EXPECT_EQ(a1.getParent(), nullptr);
}

TEST_F(NodeTree, RemovingOrDeletingChildrenKeepsTheTreeSound)
{
    testkit::LogWatch log;
    a.removeChild(std::string("ghost"));
    a.removeChild(std::uint16_t{2});
    a.removeChild(&b1); // a node of the same tree, but not a's child
    EXPECT_EQ(log.criticalLines(), (std::vector<std::string>{
                                       "CRITICAL :Trying to remove Child (ghost) which does not exist",
                                       "CRITICAL :Trying to remove Child out of range!",
                                       "CRITICAL :Trying to remove Child (b1) which does not exist",
                                   }));
    EXPECT_EQ(a.numChildren(), 2);
    EXPECT_EQ(b1.getParent(), &b);

    Node* second = a.getChild(std::uint16_t{1});
    a.removeChild(std::uint16_t{1});
    EXPECT_EQ(second->getParent(), nullptr);
    EXPECT_EQ(a.numChildren(), 1);

    // A deleted node leaves neither its parent nor its children pointing at it.
    {
        CountingNode middle{"middle"};
        CountingNode leaf{"leaf"};
        root.addChild(&middle);
        middle.addChild(&leaf);
        root.update(true, false);
        leaf.translate({1, 0, 0}, Node::TS_LOCAL);
        ASSERT_EQ(root.getPendingChildren(), std::list<Node*>{&middle});
    }
    EXPECT_EQ(root.getChild("middle"), nullptr);
    EXPECT_TRUE(root.getPendingChildren().empty());

    auto* parent = new CountingNode("p");
    CountingNode orphan{"orphan"};
    parent->addChild(&orphan);
    delete parent;
    EXPECT_EQ(orphan.getParent(), nullptr);
}

TEST(Node, WorldTransformFollowsTheInheritFlagsAndTheRequestedFrame)
{
    CountingNode parent{"parent"};
    CountingNode child{"child"};
    parent.addChild(&child);
    parent.scale = glm::vec3(2.0f);
    parent.markDirty(false);
    child.position = glm::vec3(1, 0, 0);
    child.markDirty(false);
    parent.update(true, false);
    EXPECT_TRUE(vecNear(child.getWorldPosition(), {2, 0, 0}));
    EXPECT_TRUE(vecNear(child.getWorldScale(), {2, 2, 2}));

    child.inheritScale = false;
    child.markDirty(false);
    parent.update(true, false);
    EXPECT_TRUE(vecNear(child.getWorldScale(), {1, 1, 1}));

    // Without inherited orientation the child keeps its own, but its place is
    // still carried round by the parent's turn.
    parent.rotate({0, 1, 0}, glm::half_pi<float>());
    child.inheritOrientation = false;
    parent.update(true, false);
    EXPECT_TRUE(vecNear(child.getWorldPosition(), {0, 0, -2}));
    EXPECT_TRUE(vecNear(child.getWorldOrientation() * glm::vec3(1, 0, 0), {1, 0, 0}));

    // Local moves follow the node's own turn, parent moves do not.
    parent.translate({1, 0, 0}, Node::TS_LOCAL);
    EXPECT_TRUE(vecNear(parent.position, {0, 0, -1}));
    parent.translate({1, 0, 0}, Node::TS_PARENT);
    EXPECT_TRUE(vecNear(parent.position, {1, 0, -1}));
    // Turning about no axis at all leaves the orientation as it was.
    const glm::vec3 before = parent.orientation * glm::vec3(1, 2, 3);
    parent.rotate({0, 0, 0}, 1.0f);
    EXPECT_TRUE(vecNear(parent.orientation * glm::vec3(1, 2, 3), before));
}

} // namespace
} // namespace BV
