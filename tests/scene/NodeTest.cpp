// The node tree: lazy world-transform updates, inheritance, reparenting and
// the removal rules.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/Camera.h"
#include "scene/Node.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// A plain node that counts how often its world transform is recomputed.
class CountingNode : public Node {
public:
    CountingNode() = default;
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

::testing::AssertionResult vecNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f)
{
    if (glm::all(glm::lessThanEqual(glm::abs(actual - expected), glm::vec3(tolerance)))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not ("
                                         << expected.x << ", " << expected.y << ", " << expected.z << ")";
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
        for (CountingNode* node : all()) {
            node->refreshes = 0;
        }
    }

    std::vector<CountingNode*> all() { return {&root, &a, &a1, &a2, &b, &b1}; }

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
    for (CountingNode* node : {&root, &a, &a2, &b, &b1}) {
        EXPECT_EQ(node->refreshes, 0) << node->getName();
    }
    EXPECT_TRUE(root.getPendingChildren().empty());
    EXPECT_TRUE(a.getPendingChildren().empty());
    EXPECT_FALSE(a.isQueuedAtParent());
    EXPECT_FALSE(a1.isTransformDirty());
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {2, 0, 0}));

    resetCounts();
    a.rotate({0, 1, 0}, glm::half_pi<float>());
    root.update(true, false);
    EXPECT_EQ(a.refreshes, 1);
    EXPECT_EQ(a1.refreshes, 1);
    EXPECT_EQ(a2.refreshes, 1);
    EXPECT_EQ(b.refreshes + b1.refreshes + root.refreshes, 0);
    // a1 now sits on a's turned x axis.
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {0, 0, -2}));

    resetCounts();
    root.update(true, false);
    for (CountingNode* node : all()) {
        EXPECT_EQ(node->refreshes, 0) << node->getName();
    }
}

TEST_F(NodeTree, ReparentingMovesTheChildAndCleansTheOldChain)
{
    a1.translate({0, 1, 0}, Node::TS_PARENT);
    ASSERT_EQ(a.getPendingChildren().size(), 1u);
    b.position = glm::vec3(10, 0, 0);
    b.markDirty(false);

    b.addChild(&a1);
    EXPECT_EQ(a1.getParent(), &b);
    EXPECT_EQ(a.getChild("a1"), nullptr);
    EXPECT_EQ(b.getChild("a1"), &a1);
    EXPECT_EQ(a.numChildren(), 1);
    // a has nothing left to update, so it is no longer queued at the root.
    EXPECT_TRUE(a.getPendingChildren().empty());
    EXPECT_FALSE(a.isQueuedAtParent());
    EXPECT_EQ(root.getPendingChildren(), std::list<Node*>{&b});

    root.update(true, false);
    EXPECT_EQ(a.refreshes, 0);
    EXPECT_TRUE(vecNear(a1.getWorldPosition(), {10, 1, 0}));
}

TEST_F(NodeTree, RemovingUnknownOrOutOfRangeChildLogsAndKeepsTree)
{
    CountingNode c{"c"}, d{"d"}, e{"e"};
    for (CountingNode* node : {&c, &d, &e}) {
        a.addChild(node);
    }
    ASSERT_EQ(a.numChildren(), 5);
    testkit::LogWatch log;
    a.removeChild(std::string("ghost"));
    a.removeChild(std::uint16_t{5});
    a.removeChild(&b1); // a node of the same tree, but not a's child
    EXPECT_EQ(log.criticalLines(), (std::vector<std::string>{
                                       "CRITICAL :Trying to remove Child (ghost) which does not exist",
                                       "CRITICAL :Trying to remove Child out of range!",
                                       "CRITICAL :Trying to remove Child (b1) which does not exist",
                                   }));
    EXPECT_EQ(a.numChildren(), 5);
    EXPECT_EQ(b1.getParent(), &b);
    EXPECT_EQ(a.getChild(std::uint16_t{5}), nullptr);

    // The index walks the same order as getChild(index).
    Node* third = a.getChild(std::uint16_t{2});
    ASSERT_NE(third, nullptr);
    a.removeChild(std::uint16_t{2});
    EXPECT_EQ(third->getParent(), nullptr);
    EXPECT_EQ(a.getChild(third->getName()), nullptr);
    EXPECT_EQ(a.numChildren(), 4);
    EXPECT_TRUE(log.criticalLines().size() == 3u);
}

TEST_F(NodeTree, DeletingANodeDetachesItFromParentAndChildren)
{
    {
        CountingNode middle{"middle"};
        CountingNode leaf{"leaf"};
        root.addChild(&middle);
        middle.addChild(&leaf);
        root.update(true, false);
        leaf.translate({1, 0, 0}, Node::TS_LOCAL);
        ASSERT_EQ(root.getPendingChildren(), std::list<Node*>{&middle});
        // Destroyed in reverse order: leaf first, then middle.
    }
    EXPECT_EQ(root.getChild("middle"), nullptr);
    EXPECT_TRUE(root.getPendingChildren().empty());

    auto* orphanParent = new CountingNode("p");
    CountingNode orphan{"orphan"};
    orphanParent->addChild(&orphan);
    delete orphanParent;
    EXPECT_EQ(orphan.getParent(), nullptr);
    EXPECT_TRUE(orphan.isTransformDirty());
}

TEST(Node, ChildReplacedUnderItsNameNoLongerPointsAtTheParent)
{
    CountingNode parent{"parent"};
    CountingNode first{"twin"};
    CountingNode second{"twin"};
    parent.addChild(&first);
    parent.addChild(&second);
    EXPECT_EQ(parent.numChildren(), 1);
    EXPECT_EQ(parent.getChild("twin"), &second);
    // Otherwise deleting `first` would take `second` out of the tree, and
    // deleting the parent first would leave `first` pointing at freed memory.
    EXPECT_EQ(first.getParent(), nullptr);

    testkit::LogWatch log;
    parent.removeChild(&first);
    EXPECT_EQ(parent.getChild("twin"), &second);
    EXPECT_EQ(log.criticalLines().size(), 1u);
}

TEST(Node, WorldTransformFollowsTheInheritFlags)
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
    EXPECT_TRUE(vecNear(child.getWorldPosition(), {2, 0, 0}));

    // Without inherited orientation the child keeps its own, but its place is
    // still carried round by the parent's turn.
    parent.rotate({0, 1, 0}, glm::half_pi<float>());
    child.inheritOrientation = false;
    parent.update(true, false);
    EXPECT_TRUE(vecNear(child.getWorldPosition(), {0, 0, -2}));
    EXPECT_TRUE(vecNear(child.getWorldOrientation() * glm::vec3(1, 0, 0), {1, 0, 0}));

    // The matrix is translation x rotation x scale of the world values.
    const glm::mat4 expected = glm::translate(glm::mat4(1.0f), child.getWorldPosition()) *
                               glm::mat4_cast(child.getWorldOrientation()) *
                               glm::scale(glm::mat4(1.0f), child.getWorldScale());
    const glm::mat4 actual = child.getWorldMatrix();
    for (int column = 0; column < 4; ++column) {
        EXPECT_TRUE(vecNear(glm::vec3(actual[column]), glm::vec3(expected[column])));
    }
}

TEST(Node, TranslateAndRotateWorkInTheRequestedFrame)
{
    CountingNode node;
    node.rotate({0, 1, 0}, glm::half_pi<float>());
    node.translate({1, 0, 0}, Node::TS_LOCAL);
    EXPECT_TRUE(vecNear(node.position, {0, 0, -1}));
    node.translate({1, 0, 0}, Node::TS_PARENT);
    EXPECT_TRUE(vecNear(node.position, {1, 0, -1}));
    node.translate({5, 5, 5}, 1); // not a space the game uses
    EXPECT_TRUE(vecNear(node.position, {1, 0, -1}));

    // A second turn is about the node's own (already turned) x axis.
    node.rotate({1, 0, 0}, glm::half_pi<float>());
    EXPECT_TRUE(vecNear(node.orientation * glm::vec3(0, 1, 0), {1, 0, 0}));

    // Turning about no axis at all leaves the orientation as it was.
    const glm::vec3 before = node.orientation * glm::vec3(1, 2, 3);
    node.rotate({0, 0, 0}, glm::pi<float>());
    node.rotate({0, 0, 0}, 1.0f);
    EXPECT_TRUE(vecNear(node.orientation * glm::vec3(1, 2, 3), before));
}

TEST(Node, UnnamedNodesOfAnyKindShareOneCounter)
{
    CountingNode first;
    Camera second;
    CountingNode third;
    const std::string prefix = "Node_";
    ASSERT_EQ(first.getName().rfind(prefix, 0), 0u);
    const unsigned long n = std::stoul(first.getName().substr(prefix.size()));
    EXPECT_EQ(second.getName(), prefix + std::to_string(n + 1));
    EXPECT_EQ(third.getName(), prefix + std::to_string(n + 2));
}

} // namespace
} // namespace BV
