#include <filesystem>
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"

namespace BV {
namespace {

using restest::Rgba;

const Rgba faceColours[6] = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                             {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255}};
const char* const faceFiles[6] = {"px.png", "nx.bmp", "py.tga", "ny.png", "pz.bmp", "nz.png"};

// Pixel i of a 6 x 1 target shows what the cube map holds in direction i
// (+X, -X, +Y, -Y, +Z, -Z).
const char* const fullScreenVertex = R"(#version 330 core
void main() { gl_Position = vec4(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0, 0.0, 1.0); }
)";
const char* const directionFragment = R"(#version 330 core
uniform samplerCube cubemap;
out vec4 fragment;
const vec3 directions[6] = vec3[6](vec3(1, 0, 0), vec3(-1, 0, 0), vec3(0, 1, 0), vec3(0, -1, 0),
                                   vec3(0, 0, 1), vec3(0, 0, -1));
void main() { fragment = texture(cubemap, directions[int(gl_FragCoord.x)]); }
)";

class CubeMapTest : public restest::ResourceTest {
protected:
    // Six faces in scratch/faces/, listed in scratch/lists/<name> by paths
    // relative to the working directory; extra lines go after them.
    std::string writeList(const std::string& name, int lines, const std::string& extra = "")
    {
        namespace fs = std::filesystem;
        fs::create_directories(scratch.file("faces"));
        fs::create_directories(scratch.file("lists"));
        std::string text;
        for (int i = 0; i < 6; ++i) {
            const std::string face = scratch.file("faces/") + faceFiles[i];
            restest::writeImage(face, 4, 4, 24, [i](int, int) { return faceColours[i]; });
            if (i < lines) {
                text += fs::relative(face, fs::current_path()).string() + "\n";
            }
        }
        const std::string path = scratch.file("lists/" + name);
        testkit::writeFile(path, text + extra);
        return path;
    }
};

TEST_F(CubeMapTest, FacesLandInListOrderAndLinesAfterTheSixthAreIgnored)
{
    Texture* cube = get<Texture>(writeList("sky.xcm", 6, "this line is never read\n"));
    ASSERT_EQ(cube->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(cube->target, static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(cube->width, 0) << "a cube map does not record its face size";

    Material* material = get<Material>("Sky.mmat");
    material->program = writeProgram(fullScreenVertex, directionFragment);
    material->addTexture("cubemap", cube);
    ASSERT_EQ(material->ensureLoaded(), Resource::LOADED);

    restest::OffscreenTarget target(6, 1);
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glUseProgram(material->program->getHandle());
    material->bind();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glUseProgram(0);
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(target.pixel(face, 0), faceColours[face]) << "face " << face;
    }
}

TEST_F(CubeMapTest, AMissingOrUnreadableFaceDiscardsTheWholeCube)
{
    const std::string five = writeList("five.xcm", 5);
    testkit::LogWatch watch;
    Texture* cube = get<Texture>(five);
    EXPECT_EQ(cube->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(cube->handle, 0u) << "the faces uploaded so far go with the texture object";

    // A blank at the end of a line belongs to the file name.
    std::string padded = testkit::readFile(writeList("padded.xcm", 6));
    const std::string firstFace = padded.substr(0, padded.find('\n'));
    padded.insert(firstFace.size(), " ");
    testkit::writeFile(scratch.file("lists/padded.xcm"), padded);
    EXPECT_EQ(get<Texture>(scratch.file("lists/padded.xcm"))->ensureLoaded(), Resource::FAILED);

    EXPECT_EQ(get<Texture>("resources/textures/cubemap/none.xcm")->ensureLoaded(), Resource::FAILED);
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load CubeMap: " + five + ": Failed to load Texture: ",
        "CRITICAL :Failed to load CubeMap: " + scratch.file("lists/padded.xcm") +
            ": Failed to load Texture: " + firstFace + " ",
        "CRITICAL :Failed to load CubeMap: resources/textures/cubemap/none.xcm: Could not open file."};
    EXPECT_EQ(watch.criticalLines(), expected);

    writeList("five.xcm", 6);
    EXPECT_EQ(cube->ensureLoaded(), Resource::LOADED) << "a failed cube map loads once its list is fixed";
    EXPECT_TRUE(glIsTexture(cube->handle));
}

} // namespace
} // namespace BV
