#pragma once

// Pixel helpers every test that reads back frames shares: the window's read-back, single pixels, patch means, where a
// world point lands on screen, and greyscale.

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "scene/Camera.h"
#include "support/TestSupport.h"

namespace BV::scenetest {

// The shared test window's size; the scene's targets take the camera's size.
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;

struct Pixel {
    int r, g, b;
};

// Channel-wise comparison with a tolerance for rasteriser rounding.
inline ::testing::AssertionResult near(const Pixel& a, const Pixel& e, int tolerance = 3)
{
    if (std::max({std::abs(a.r - e.r), std::abs(a.g - e.g), std::abs(a.b - e.b)}) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << a.r << ", " << a.g << ", " << a.b << ") is not within " << tolerance
                                         << " of (" << e.r << ", " << e.g << ", " << e.b << ")";
}

inline std::vector<unsigned char> readWindow()
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
}

// Pixel (x, y), y from the top, of a read-back of the whole window at the given size.
inline Pixel pixelOf(const std::vector<unsigned char>& frame, int x, int y, int width = WINDOW_WIDTH,
                     int height = WINDOW_HEIGHT)
{
    const std::size_t i = (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
    return Pixel{frame[i], frame[i + 1], frame[i + 2]};
}

inline Pixel windowPixel(int x, int y)
{
    return pixelOf(readWindow(), x, y);
}

// Mean colour, 0 to 255 per channel, of a rectangle of a whole-window read-back (x, y from the top-left).
inline glm::dvec3 meanColour(const std::vector<unsigned char>& frame, int left, int top, int width, int height)
{
    glm::dvec3 sum(0.0);
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const Pixel p = pixelOf(frame, x, y);
            sum += glm::dvec3(p.r, p.g, p.b);
        }
    }
    return sum / static_cast<double>(width * height);
}

// Mean colour of the (2 half + 1)^2 pixels around a point of the window, moved inside it when at or past the edge.
inline glm::dvec3 patch(const std::vector<unsigned char>& frame, const glm::vec2& at, int half)
{
    const int x = std::clamp(static_cast<int>(at.x), half, WINDOW_WIDTH - 1 - half);
    const int y = std::clamp(static_cast<int>(at.y), half, WINDOW_HEIGHT - 1 - half);
    return meanColour(frame, x - half, y - half, 2 * half + 1, 2 * half + 1);
}

inline double channelSum(const glm::dvec3& colour)
{
    return colour.r + colour.g + colour.b;
}

// Luma of an sRGB colour in 0 to 255 per channel: its grey in a greyscale frame.
inline double luma(const glm::dvec3& c)
{
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

// Where a point of the world lands in a window of the given size, pixels from the top-left.
inline glm::vec2 toWindow(Camera& camera, const glm::vec3& world, int width = WINDOW_WIDTH, int height = WINDOW_HEIGHT)
{
    const glm::vec4 clip = camera.getProjection() * camera.getView() * glm::vec4(world, 1.0f);
    return {(clip.x / clip.w * 0.5f + 0.5f) * width, (0.5f - clip.y / clip.w * 0.5f) * height};
}

} // namespace BV::scenetest
