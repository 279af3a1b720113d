#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {
namespace {

const char* const colourFragment = R"(#version 330 core
in vec3 colour;
uniform vec4 tint;
uniform float weights[3];
layout(std140) uniform LightingInfo { vec4 sunColour; };
out vec4 fragment;
void main() { fragment = vec4(colour, 1.0) * tint * weights[2] + sunColour; }
)";

class ShaderTest : public restest::ResourceTest {
protected:
    ShaderProgramLoader* programs() { return static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr")); }
};

TEST_F(ShaderTest, MissingPiecesFailWithOneLineNamingThem)
{
    const std::string vertex = scratch.file("ok.vert");
    testkit::writeFile(vertex, restest::passThroughVertex);
    testkit::LogWatch watch;
    Shader* missing = get<Shader>("resources/shader/none.vert");
    Shader* wrong = static_cast<Shader*>(manager()->getLoader("vert")->getResource("resources/shader/none.glsl"));
    ShaderProgram* direct = get<ShaderProgram>("lonely.shdr");
    ShaderProgram* noFragment = programs()->createProgram(vertex.c_str(), "resources/shader/none.frag");
    // A shader name of another kind fills no shader slot.
    ShaderProgram* texturePair = programs()->createProgram("wall.png", vertex.c_str());
    for (Resource* resource : std::initializer_list<Resource*>{missing, wrong, direct, noFragment, texturePair}) {
        EXPECT_EQ(resource->ensureLoaded(), Resource::FAILED) << resource->getName();
    }
    EXPECT_EQ(missing->getHandle(), 0u);
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load Shader: resources/shader/none.vert: Could not open file.",
        "CRITICAL :Failed to load Shader: resources/shader/none.glsl: Invalid file ending (Has to be .vert or .frag)",
        "CRITICAL :Failed to load ShaderProgram: lonely.shdr: VertexShader has not been set.",
        "CRITICAL :Failed to load Shader: resources/shader/none.frag: Could not open file.",
        "CRITICAL :Failed to load ShaderProgram: " + noFragment->getName() + ": FragmentShader could not be loaded.",
        "CRITICAL :Failed to load ShaderProgram: " + texturePair->getName() + ": VertexShader has not been set."};
    EXPECT_EQ(watch.criticalLines(), expected);
    // Programs are named after their files and made once.
    EXPECT_EQ(noFragment->getName(), vertex + "_resources/shader/none.frag.shdr");
    EXPECT_EQ(programs()->createProgram(vertex.c_str(), "resources/shader/none.frag"), noFragment);
}

TEST_F(ShaderTest, CompileErrorCarriesTheDriverLogAndAFixedFileCompilesOnRetry)
{
    const std::string path = scratch.file("broken.frag");
    testkit::writeFile(path, "#version 330 core\nout vec4 f;\nvoid main() { f = undefinedThing; }\n");
    Shader* shader = get<Shader>(path);
    testkit::LogWatch watch;
    EXPECT_EQ(shader->ensureLoaded(), Resource::FAILED);
    const std::vector<std::string> lines = watch.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CRITICAL :Failed to compile shader " + path);
    EXPECT_NE(lines[1].find("undefinedThing"), std::string::npos) << lines[1];
    EXPECT_EQ(watch.criticalLines().size(), 1u);
    EXPECT_EQ(shader->getHandle(), 0u) << "the deleted object's number must not be kept";

    testkit::writeFile(path, colourFragment);
    EXPECT_EQ(shader->ensureLoaded(), Resource::LOADED);
    EXPECT_TRUE(glIsShader(shader->getHandle()));
}

TEST_F(ShaderTest, AFailedLinkIsNeverRetriedAndALinkedProgramRefusesRelinking)
{
    // Compiles, but calls a function that no stage defines.
    ShaderProgram* broken =
        writeProgram(restest::passThroughVertex,
                     "#version 330 core\nout vec4 f;\nvec4 nowhere();\nvoid main() { f = nowhere(); }", "unlinkable");
    testkit::LogWatch watch;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    ASSERT_GE(watch.lines().size(), 2u);
    EXPECT_EQ(watch.lines()[0], "CRITICAL :Failed to link shader " + broken->getName());
    EXPECT_FALSE(watch.lines()[1].empty()) << "the driver's link log follows the message";
    EXPECT_EQ(broken->getHandle(), 0u);

    ShaderProgram* good = writeProgram(restest::passThroughVertex, colourFragment);
    ASSERT_EQ(good->ensureLoaded(), Resource::LOADED);
    testkit::LogWatch retry;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_FALSE(good->link());
    const std::vector<std::string> expected = {"CRITICAL :Trying to re-link ShaderProgram: " + broken->getName(),
                                               "CRITICAL :Trying to re-link ShaderProgram: " + good->getName()};
    EXPECT_EQ(retry.criticalLines(), expected);
    EXPECT_TRUE(glIsProgram(good->getHandle()));
}

TEST_F(ShaderTest, UniformLocationsAndBlockIndicesShareOneCache)
{
    ShaderProgram* program = writeProgram(restest::passThroughVertex, colourFragment);
    // Asked before the program exists in GL: no answer may stick.
    EXPECT_EQ(program->getUniformLocation("tint"), -1);
    ASSERT_EQ(program->ensureLoaded(), Resource::LOADED);
    const GLuint handle = program->getHandle();
    EXPECT_NE(program->getUniformLocation("tint"), -1);
    EXPECT_EQ(program->getUniformLocation("tint"), glGetUniformLocation(handle, "tint"));
    EXPECT_EQ(program->getUniformLocation("weights[0]"), glGetUniformLocation(handle, "weights[0]"));
    EXPECT_EQ(program->getUniformLocation("notThere"), -1);
    EXPECT_EQ(program->getUniformBlockIndex("notThere"), GL_INVALID_INDEX);
    EXPECT_NE(program->getUniformBlockIndex("LightingInfo"), GL_INVALID_INDEX);
    EXPECT_EQ(program->getUniformBlockIndex("LightingInfo"), glGetUniformBlockIndex(handle, "LightingInfo"));
    // One cache: whichever lookup came first decides what both answer.
    EXPECT_EQ(program->getUniformLocation("LightingInfo"),
              static_cast<GLint>(glGetUniformBlockIndex(handle, "LightingInfo")));
    EXPECT_EQ(program->getUniformBlockIndex("tint"), static_cast<GLuint>(glGetUniformLocation(handle, "tint")));
}

} // namespace
} // namespace BV
