#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {
namespace {

using restest::ResourceTest;

const char* const colourFragment = R"(#version 330 core
in vec3 colour;
uniform vec4 tint;
uniform float weights[3];
layout(std140) uniform LightingInfo { vec4 sunColour; };
out vec4 fragment;
void main() { fragment = vec4(colour, 1.0) * tint * weights[2] + sunColour; }
)";

const char* const brokenFragment = R"(#version 330 core
out vec4 fragment;
void main() { fragment = undefinedThing; }
)";

// Compiles, but calls a function that no stage defines.
const char* const unlinkableFragment = R"(#version 330 core
out vec4 fragment;
vec4 definedNowhere();
void main() { fragment = definedNowhere(); }
)";

using ShaderTest = ResourceTest;

TEST_F(ShaderTest, MissingFileAndWrongEndingFailWithOneLineEach)
{
    testkit::LogWatch watch;
    Shader* missing = get<Shader>("resources/shader/none.vert");
    EXPECT_EQ(missing->ensureLoaded(), Resource::FAILED);
    Shader* wrong = static_cast<Shader*>(manager()->getLoader("vert")->getResource("resources/shader/none.glsl"));
    EXPECT_EQ(wrong->ensureLoaded(), Resource::FAILED);
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load Shader: resources/shader/none.vert: Could not open file.",
        "CRITICAL :Failed to load Shader: resources/shader/none.glsl: Invalid file ending (Has to be .vert or .frag)"};
    EXPECT_EQ(watch.criticalLines(), expected);
    EXPECT_EQ(missing->getHandle(), 0u);
}

TEST_F(ShaderTest, CompileErrorCarriesTheDriverLogAndAFixedFileCompilesOnRetry)
{
    const std::string path = scratch.file("broken.frag");
    testkit::writeFile(path, brokenFragment);
    Shader* shader = get<Shader>(path);

    testkit::LogWatch watch;
    EXPECT_EQ(shader->ensureLoaded(), Resource::FAILED);
    const std::vector<std::string> lines = watch.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CRITICAL :Failed to compile shader " + path);
    EXPECT_NE(lines[1].find("undefinedThing"), std::string::npos) << lines[1];
    EXPECT_EQ(watch.criticalLines().size(), 1u);
    EXPECT_FALSE(shader->isCompiled());
    EXPECT_EQ(shader->getHandle(), 0u) << "the deleted object's number must not be kept";

    testkit::writeFile(path, colourFragment);
    EXPECT_EQ(shader->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(shader->getType(), static_cast<GLenum>(GL_FRAGMENT_SHADER));
    EXPECT_TRUE(glIsShader(shader->getHandle()));
    // Loading a compiled shader again leaves it working.
    shader->getLoader()->load(shader);
    EXPECT_EQ(shader->getState(), Resource::LOADED);
    EXPECT_FALSE(shader->compile());
}

TEST_F(ShaderTest, ProgramsAreNamedAfterTheirFilesAndMadeOnce)
{
    auto* loader = static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr"));
    ShaderProgram* sun = loader->createProgram("resources/shader/billboard.vert", "resources/shader/sun.frag");
    EXPECT_EQ(sun->getName(), "resources/shader/billboard.vert_resources/shader/sun.frag.shdr");
    EXPECT_EQ(loader->createProgram("resources/shader/billboard.vert", "resources/shader/sun.frag"), sun);
    EXPECT_EQ(sun->getVertexShader(), get<Shader>("resources/shader/billboard.vert"));
    EXPECT_EQ(sun->getState(), Resource::NOT_LOADED);
    EXPECT_EQ(sun->getVertexShader()->getState(), Resource::NOT_LOADED);
}

TEST_F(ShaderTest, ProgramLoadFailuresNameTheMissingPiece)
{
    testkit::LogWatch watch;
    ShaderProgram* direct = get<ShaderProgram>("lonely.shdr");
    EXPECT_EQ(direct->ensureLoaded(), Resource::FAILED);

    const std::string vertex = scratch.file("ok.vert");
    testkit::writeFile(vertex, restest::passThroughVertex);
    auto* loader = static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr"));
    ShaderProgram* noFragment = loader->createProgram(vertex.c_str(), "resources/shader/none.frag");
    EXPECT_EQ(noFragment->ensureLoaded(), Resource::FAILED);
    // A shader name of another kind fills no shader slot.
    ShaderProgram* texturePair = loader->createProgram("wall.png", vertex.c_str());
    EXPECT_EQ(texturePair->ensureLoaded(), Resource::FAILED);

    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load ShaderProgram: lonely.shdr: VertexShader has not been set.",
        "CRITICAL :Failed to load Shader: resources/shader/none.frag: Could not open file.",
        "CRITICAL :Failed to load ShaderProgram: " + noFragment->getName() + ": FragmentShader could not be loaded.",
        "CRITICAL :Failed to load ShaderProgram: " + texturePair->getName() + ": VertexShader has not been set."};
    EXPECT_EQ(watch.criticalLines(), expected);
}

TEST_F(ShaderTest, AFailedLinkIsNeverRetriedAndALinkedProgramRefusesRelinking)
{
    ShaderProgram* broken = writeProgram(restest::passThroughVertex, unlinkableFragment, "unlinkable");
    testkit::LogWatch watch;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    ASSERT_GE(watch.lines().size(), 2u);
    EXPECT_EQ(watch.lines()[0], "CRITICAL :Failed to link shader " + broken->getName());
    EXPECT_FALSE(watch.lines()[1].empty()) << "the driver's link log follows the message";
    EXPECT_EQ(broken->getHandle(), 0u);

    testkit::LogWatch retry;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(retry.criticalLines(),
              std::vector<std::string>{"CRITICAL :Trying to re-link ShaderProgram: " + broken->getName()});

    ShaderProgram* good = writeProgram(restest::passThroughVertex, colourFragment);
    ASSERT_EQ(good->ensureLoaded(), Resource::LOADED);
    testkit::LogWatch relink;
    EXPECT_FALSE(good->link());
    EXPECT_EQ(relink.criticalLines(),
              std::vector<std::string>{"CRITICAL :Trying to re-link ShaderProgram: " + good->getName()});
    EXPECT_TRUE(glIsProgram(good->getHandle()));
}

TEST_F(ShaderTest, UniformLocationsAndBlockIndicesShareOneCache)
{
    ShaderProgram* program = writeProgram(restest::passThroughVertex, colourFragment);
    // Asked before the program exists in GL: no answer may stick.
    EXPECT_EQ(program->getUniformLocation("tint"), -1);
    ASSERT_EQ(program->ensureLoaded(), Resource::LOADED);
    const GLuint handle = program->getHandle();

    EXPECT_EQ(program->getUniformLocation("tint"), glGetUniformLocation(handle, "tint"));
    EXPECT_NE(program->getUniformLocation("tint"), -1);
    EXPECT_EQ(program->getUniformLocation("weights[0]"), glGetUniformLocation(handle, "weights[0]"));
    EXPECT_EQ(program->getUniformLocation("notThere"), -1);
    EXPECT_EQ(program->getUniformBlockIndex("LightingInfo"), glGetUniformBlockIndex(handle, "LightingInfo"));
    EXPECT_NE(program->getUniformBlockIndex("LightingInfo"), GL_INVALID_INDEX);
    EXPECT_EQ(program->getUniformLocation("LightingInfo"),
              static_cast<GLint>(glGetUniformBlockIndex(handle, "LightingInfo")))
        << "the block lookup decided the cached value";

    // A uniform name looked up first as a location answers the block lookup.
    EXPECT_EQ(program->getUniformBlockIndex("tint"), static_cast<GLuint>(glGetUniformLocation(handle, "tint")));
}

} // namespace
} // namespace BV
