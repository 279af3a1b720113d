// The reference-picture comparison that decides whether a faster renderer
// still draws the same frame: its per-channel means, its threshold (strictly
// beyond, alpha ignored) and a PNG round trip that keeps rows and channels.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/ImageCompare.h"
#include "support/TestSupport.h"

namespace BV::testkit {
namespace {

TEST(ImageCompare, MeansPerChannelShareStrictlyBeyondThresholdAndPngRoundTrip)
{
    const Image grey{2, 2, std::vector<unsigned char>(16, 100)};
    // One channel of one pixel (channel 3 is alpha) moved by delta; the
    // expected means in 1/255 steps and the share beyond 16 (16 is not).
    const struct {
        int pixel, channel, delta;
        double mean[3], shareBeyond;
    } cases[] = {{0, 0, 0, {0, 0, 0}, 0.0},
                 {1, 0, 16, {4, 0, 0}, 0.0},
                 {2, 1, 17, {0, 4.25, 0}, 0.25},
                 {3, 2, -40, {0, 0, 10}, 0.25},
                 {0, 3, 100, {0, 0, 0}, 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Image b = grey;
        b.rgba[c.pixel * 4 + c.channel] = static_cast<unsigned char>(100 + c.delta);
        const ImageDifference d = compareImages(grey, b, 16);
        EXPECT_TRUE(d.sameSize);
        EXPECT_EQ(std::vector<double>(d.meanAbsolute, d.meanAbsolute + 3), std::vector<double>(c.mean, c.mean + 3));
        EXPECT_EQ(*std::max_element(c.mean, c.mean + 3), d.worstMeanAbsolute);
        EXPECT_EQ(c.shareBeyond, d.shareBeyond);
    }
    EXPECT_FALSE(compareImages(grey, Image{2, 1, std::vector<unsigned char>(8, 100)}, 16).sameSize);

    Image image{3, 2, std::vector<unsigned char>(24)};
    for (std::size_t i = 0; i < image.rgba.size(); ++i) {
        image.rgba[i] = static_cast<unsigned char>(i * 10);
    }
    ScratchDir dir;
    Image back;
    ASSERT_TRUE(writePng(dir.file("round.png"), image) && readPng(dir.file("round.png"), back));
    EXPECT_EQ(std::make_pair(back.width, back.height), std::make_pair(3, 2));
    EXPECT_EQ(image.rgba, back.rgba);
    EXPECT_FALSE(readPng(dir.file("missing.png"), back));
    EXPECT_FALSE(writePng(dir.file("empty.png"), Image()));
}

} // namespace
} // namespace BV::testkit
