#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Texture.h"

namespace BV {
namespace {

using BakedAssetsTest = restest::ResourceTest;

GLint faceSide(const Texture& cube, int face, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.handle);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, parameter, &value);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return value;
}

bool anyLitPixel(const std::vector<restest::Rgba>& pixels)
{
    for (const restest::Rgba& pixel : pixels) {
        if (pixel.r != 0 || pixel.g != 0 || pixel.b != 0) {
            return true;
        }
    }
    return false;
}

// The star field and the cloud layer the asset baker paints into the run
// directory load through the game's own loaders.
TEST_F(BakedAssetsTest, StarFieldCubeAndCloudLayerLoad)
{
    testkit::LogWatch watch;
    Texture* galaxy = get<Texture>("resources/textures/cubemap/galaxy.xcm");
    ASSERT_EQ(galaxy->ensureLoaded(), Resource::LOADED);
    const GLint side = faceSide(*galaxy, 0, GL_TEXTURE_WIDTH);
    EXPECT_GT(side, 0);
    for (int face = 0; face < 6; ++face) {
        // A cube map is complete only with six square faces of one size.
        EXPECT_EQ(faceSide(*galaxy, face, GL_TEXTURE_WIDTH), side) << "face " << face;
        EXPECT_EQ(faceSide(*galaxy, face, GL_TEXTURE_HEIGHT), side) << "face " << face;
        EXPECT_TRUE(anyLitPixel(restest::readTexture(*galaxy, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face)))
            << "face " << face << " has no star";
    }

    Texture* clouds = get<Texture>("resources/textures/cubemap/clouds.dds");
    ASSERT_EQ(clouds->ensureLoaded(), Resource::LOADED);
    EXPECT_GT(clouds->width, 0);
    EXPECT_GT(clouds->height, 0);
    EXPECT_TRUE(anyLitPixel(restest::readTexture(*clouds)));
    EXPECT_TRUE(watch.criticalLines().empty());
}

} // namespace
} // namespace BV
