// The node tree: lazy world-transform updates, reparenting and removal; the camera's projections against hand-computed
// values and its view volume.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/constants.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "app/BoundingBox.h"
#include "scene/Camera.h"
#include "scene/Node.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// A plain node that counts how often its world transform is recomputed.
class CountingNode : public Node {
public:
    using Node::Node;
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

bool near(const glm::vec3& actual, const glm::vec3& expected)
{
    return glm::distance(actual, expected) < 1e-5f;
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
        for (CountingNode* node : {&root, &a, &a1, &a2, &b, &b1})
            node->refreshes = 0;
    }

    std::vector<int> refreshes() const
    {
        return {root.refreshes, a.refreshes, a1.refreshes, a2.refreshes, b.refreshes, b1.refreshes};
    }

    // Members are destroyed children first, so every destructor finds its parent still alive.
    CountingNode root{"root"}, a{"a"}, b{"b"}, a1{"a1"}, a2{"a2"}, b1{"b1"};
};

// Only a changed node and what hangs below it are refreshed, and a change is reported up the chain once. A child moved
// to another parent leaves the old chain with nothing to update.
TEST_F(NodeTree, UpdateRefreshesOnlyTheChangedNodeAndWhatHangsBelowIt)
{
    a1.translate({1, 0, 0}, Node::TS_PARENT);
    a1.translate({1, 0, 0}, Node::TS_PARENT); // not reported again
    EXPECT_EQ(a.getPendingChildren(), std::list<Node*>{&a1});
    EXPECT_EQ(root.getPendingChildren(), std::list<Node*>{&a});
    root.update(true, false);
    EXPECT_EQ(refreshes(), (std::vector<int>{0, 0, 1, 0, 0, 0}));
    a.rotate({0, 1, 0}, glm::half_pi<float>());
    root.update(true, false);
    EXPECT_EQ(refreshes(), (std::vector<int>{0, 1, 2, 1, 0, 0}));
    EXPECT_TRUE(near(a1.getWorldPosition(), {0, 0, -2})); // on a's turned x axis

    a1.translate({0, 1, 0}, Node::TS_PARENT);
    b.position = glm::vec3(10, 0, 0);
    b.markDirty(false);
    b.addChild(&a1);
    EXPECT_EQ(a1.getParent(), &b);
    EXPECT_FALSE(a.isQueuedAtParent());
    EXPECT_EQ(root.getPendingChildren(), std::list<Node*>{&b});
    root.update(true, false);
    EXPECT_EQ(refreshes(), (std::vector<int>{0, 1, 3, 1, 1, 1}));
    EXPECT_TRUE(near(a1.getWorldPosition(), {12, 1, 0}));
}

// The parent's scale and turn always carry the child's position; the flags decide only the child's own scale and turn.
// A local step follows the node's own turned axes, a parent-space step the parent's.
TEST_F(NodeTree, InheritFlagsAndTranslationSpaces)
{
    a.scale = glm::vec3(2.0f);
    a.rotate({0, 1, 0}, glm::half_pi<float>()); // x turns to -z
    a1.translate({1, 0, 0}, Node::TS_PARENT);
    a2.translate({1, 0, 0}, Node::TS_PARENT);
    a2.inheritScale = false;
    a2.inheritOrientation = false;
    b1.rotate({0, 1, 0}, glm::half_pi<float>());
    b1.translate({1, 0, 0}, Node::TS_LOCAL);
    b1.translate({1, 0, 0}, Node::TS_PARENT);
    b1.translate({5, 0, 0}, 1); // any other space only marks the node
    root.update(true, false);
    EXPECT_TRUE(near(a1.getWorldPosition(), {0, 0, -2}));
    EXPECT_TRUE(near(a2.getWorldPosition(), {0, 0, -2}));
    EXPECT_TRUE(near(a1.getWorldScale(), glm::vec3(2)));
    EXPECT_TRUE(near(a2.getWorldScale(), glm::vec3(1)));
    EXPECT_TRUE(near(a1.getWorldOrientation() * glm::vec3(1, 0, 0), {0, 0, -1}));
    EXPECT_TRUE(near(a2.getWorldOrientation() * glm::vec3(1, 0, 0), {1, 0, 0}));
    EXPECT_TRUE(near(b1.position, {1, 0, -1}));
}

// Unnamed nodes of every class draw from one counter. A child added under a taken name replaces the other, which no
// longer names a parent that does not list it.
TEST_F(NodeTree, UnnamedNodesCountAcrossClassesAReplacedChildIsLetGoAndMissingOnesAreLogged)
{
    Camera camera;
    CountingNode plain;
    Camera second;
    const int first = std::stoi(camera.getName().substr(5));
    EXPECT_EQ(camera.getName(), "Node_" + std::to_string(first));
    EXPECT_EQ(plain.getName(), "Node_" + std::to_string(first + 1));
    EXPECT_EQ(second.getName(), "Node_" + std::to_string(first + 2));

    CountingNode twin("a1");
    a.addChild(&twin);
    EXPECT_EQ(a.numChildren(), 2);
    EXPECT_EQ(a1.getParent(), nullptr);
    // Removing a missing child is logged and changes nothing.
    testkit::LogWatch log;
    a.removeChild(&a1); // only that very node; its namesake stays
    a.removeChild(std::string("ghost"));
    a.removeChild(std::uint16_t{2});
    EXPECT_EQ(a.getChild("a1"), &twin);
    EXPECT_EQ(a.numChildren(), 2);
    EXPECT_EQ(log.criticalLines(),
              (std::vector<std::string>{"CRITICAL :Trying to remove Child (a1) which does not exist",
                                        "CRITICAL :Trying to remove Child (ghost) which does not exist",
                                        "CRITICAL :Trying to remove Child out of range!"}));
}

TEST(Camera, ProjectionsMatchHandComputedValuesAndBoundTheViewVolume)
{
    Camera camera; // perspective, the game's 45 "degrees" read as radians
    camera.setViewportSize(800, 600);
    camera.setClipPlanes(0.1f, 3500.0f);
    // The sun's shadow camera: 500 x 500 world units, planes 0 and 300.
    Camera sun;
    sun.setProjectionKind(Camera::PK_ORTHOGRAPHIC);
    sun.setClipPlanes(0.0f, 300.0f);
    sun.setViewportSize(500.0f, 500.0f);
    for (const auto& [actual, expected] :
         {std::pair{camera.getProjection(), glm::perspective(45.0f, 800.0f / 600.0f, 0.1f, 3500.0f)},
          std::pair{sun.getProjection(), glm::ortho(-250.0f, 250.0f, -250.0f, 250.0f, 0.0f, 300.0f)}}) {
        for (int c = 0; c < 4; ++c)
            EXPECT_LT(glm::distance(actual[c], expected[c]), 1e-4f) << "column " << c;
    }

    // The view volume rejects only boxes wholly beyond one plane. At 100 in front the left plane lies at x = -100 *
    // tan(22.5) * 4/3.
    camera.update(true, false);
    const float left = -100.0f * std::tan(22.5f) * 800.0f / 600.0f;
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({-1, -1, -101}, {1, 1, -99})));
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({left - 30, -1, -101}, {left - 10, 1, -99})));
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({left - 10, -1, -101}, {left + 10, 1, -99}))); // straddles
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({-1, -1, 10}, {1, 1, 20})));                  // behind
}

} // namespace
} // namespace BV
