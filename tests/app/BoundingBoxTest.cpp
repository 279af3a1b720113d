#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "app/BoundingBox.h"

namespace BV {
namespace {

// Same extent and, for finite boxes, the same corners.
void expectBox(const BoundingBox& box, const BoundingBox& expected)
{
    ASSERT_EQ(box.getExtent(), expected.getExtent());
    for (int i = 0; i < 3 && box.isFinite(); ++i) {
        EXPECT_NEAR(box.minimum[i], expected.minimum[i], 1e-4f) << "min " << i;
        EXPECT_NEAR(box.maximum[i], expected.maximum[i], 1e-4f) << "max " << i;
    }
}

TEST(BoundingBoxTest, GrowingMergingAndTransformsFollowTheExtentRulesAndNeverLeaveInfinite)
{
    const BoundingBox null, all = BoundingBox::infinite();
    BoundingBox box, sky = all;
    box.grow({1, 2, 3});
    expectBox(box, BoundingBox({1, 2, 3}, {1, 2, 3}));
    box.grow({-1, 5, 0});
    expectBox(box, BoundingBox({-1, 2, 0}, {1, 5, 3}));
    sky.grow({1, 1, 1});
    expectBox(sky, all);

    // Box, box merged into it, expected result.
    const BoundingBox a({0, 0, 0}, {1, 1, 1}), b({-2, 0.5f, 0}, {0.5f, 3, 0.5f}), sum({-2, 0, 0}, {1, 3, 1});
    const struct {
        BoundingBox box, other, expected;
    } merges[] = {{a, b, sum}, {null, b, b}, {a, null, a}, {a, all, all}, {all, a, all}};
    for (const auto& c : merges) {
        SCOPED_TRACE(&c - merges);
        BoundingBox merged = c.box;
        merged.merge(c.other);
        expectBox(merged, c.expected);
    }

    // A transform encloses the moved corners and leaves other extents alone:
    // the 2 x 1 x 1 half-extents turned by 45 degrees about y.
    glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(10, 0, 0));
    m = glm::scale(glm::rotate(m, glm::radians(45.0f), glm::vec3(0, 1, 0)), glm::vec3(2, 1, 1));
    const float reach = (2.0f + 1.0f) / std::sqrt(2.0f);
    for (BoundingBox box : {BoundingBox({-1, -1, -1}, {1, 1, 1}), null, all}) {
        const BoundingBox before = box;
        box.transform(m);
        expectBox(box, before.isFinite() ? BoundingBox({10 - reach, -1, -reach}, {10 + reach, 1, reach}) : before);
    }
}

// Where a line enters a box: t counts in the direction's lengths and is 0
// from inside; a box behind the origin or beside the line is not entered.
TEST(BoundingBoxTest, LineEntersTheBoxOnlyAheadOfItsOrigin)
{
    const BoundingBox box({0, 0, 0}, {2, 4, 2});
    float t = -1.0f;
    EXPECT_TRUE(box.enteredAlong({-4, 1, 1}, {2, 0, 0}, t));
    EXPECT_FLOAT_EQ(t, 2.0f);
    EXPECT_TRUE(box.enteredAlong({1, 1, 1}, {0, -1, 0}, t));
    EXPECT_FLOAT_EQ(t, 0.0f);
    EXPECT_FALSE(box.enteredAlong({4, 1, 1}, {1, 0, 0}, t));
    EXPECT_FALSE(box.enteredAlong({-1, 6, 1}, {1, -0.5f, 0}, t));
    EXPECT_FALSE(box.enteredAlong({-1, 5, 1}, {1, 0, 0}, t));
    EXPECT_FALSE(BoundingBox().enteredAlong({-1, 1, 1}, {1, 0, 0}, t));
}

} // namespace
} // namespace BV
