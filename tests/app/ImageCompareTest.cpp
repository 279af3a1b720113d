// The reference-picture comparison that decides whether a faster renderer
// still draws the same frame: its per-channel means, its threshold (strictly
// beyond, alpha ignored) and a PNG round trip that keeps rows and channels.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/ImageCompare.h"
#include "support/TestSupport.h"

namespace BV::testkit {
namespace {

Image grey(int width, int height, unsigned char value)
{
    return Image{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4, value)};
}

TEST(ImageCompare, MeansPerChannelShareStrictlyBeyondThresholdAndPngRoundTrip)
{
    struct Case {
        const char* name;
        int pixel;          // which of the 4 pixels changes
        int channel;        // 0 to 3 (3 is alpha)
        int delta;          // added to that channel
        double mean[3];     // expected means, 1/255 steps
        double shareBeyond; // expected share beyond 16
    };
    const Case cases[] = {
        {"identical", 0, 0, 0, {0, 0, 0}, 0.0},
        {"red off by the threshold is not beyond it", 1, 0, 16, {4, 0, 0}, 0.0},
        {"green one step beyond", 2, 1, 17, {0, 4.25, 0}, 0.25},
        {"blue down by 40", 3, 2, -40, {0, 0, 10}, 0.25},
        {"alpha is not compared", 0, 3, 100, {0, 0, 0}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Image a = grey(2, 2, 100);
        Image b = a;
        b.rgba[c.pixel * 4 + c.channel] = static_cast<unsigned char>(100 + c.delta);
        const ImageDifference d = compareImages(a, b, 16);
        EXPECT_TRUE(d.sameSize);
        for (int k = 0; k < 3; ++k) {
            EXPECT_DOUBLE_EQ(c.mean[k], d.meanAbsolute[k]);
        }
        EXPECT_DOUBLE_EQ(*std::max_element(c.mean, c.mean + 3), d.worstMeanAbsolute);
        EXPECT_DOUBLE_EQ(c.shareBeyond, d.shareBeyond);
    }
    EXPECT_FALSE(compareImages(grey(2, 2, 0), grey(2, 3, 0), 16).sameSize);

    // A PNG round trip keeps rows and channels.
    Image image = grey(3, 2, 0);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) {
        image.rgba[i] = static_cast<unsigned char>(i * 10);
    }
    ScratchDir dir;
    ASSERT_TRUE(writePng(dir.file("round.png"), image));
    Image back;
    ASSERT_TRUE(readPng(dir.file("round.png"), back));
    EXPECT_EQ(std::make_pair(3, 2), std::make_pair(back.width, back.height));
    EXPECT_EQ(image.rgba, back.rgba);
    EXPECT_FALSE(readPng(dir.file("missing.png"), back));
    EXPECT_FALSE(writePng(dir.file("empty.png"), Image()));
}

} // namespace
} // namespace BV::testkit
