#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/ResourceLoader.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {
namespace {

const char* const colourFragment = R"(#version 330 core
in vec3 colour;
uniform vec4 tint;
out vec4 fragment;
void main() { fragment = vec4(colour, 1.0) * tint; }
)";

class ShaderTest : public restest::ResourceTest {
protected:
    ShaderProgramLoader* programs() { return static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr")); }
};

TEST_F(ShaderTest, MissingPiecesFailWithOneLineNamingThem)
{
    const std::string vertex = scratch.file("ok.vert");
    testkit::writeFile(vertex, restest::passThroughVertex);
    // Only a name handed to the shader loader itself can end otherwise.
    Shader* wrongEnding = static_cast<Shader*>(manager()->getLoader("vert")->getResource("resources/shader/x.glsl"));
    ShaderProgram* direct = get<ShaderProgram>("lonely.shdr");
    testkit::LogWatch watch;
    EXPECT_FALSE(direct->link());
    const struct {
        Resource* resource;
        std::vector<std::string> lines;
    } cases[] = {
        {wrongEnding,
         {"Failed to load Shader: resources/shader/x.glsl: Invalid file ending (Has to be .vert or .frag)"}},
        {get<Shader>("resources/shader/none.vert"),
         {"Failed to load Shader: resources/shader/none.vert: Could not open file."}},
        {direct, {"Failed to load ShaderProgram: lonely.shdr: VertexShader has not been set."}},
        {programs()->createProgram("resources/shader/none.vert", "resources/shader/drawing.frag"),
         {"Failed to load Shader: resources/shader/none.vert: Could not open file.",
          "Failed to load ShaderProgram: resources/shader/none.vert_resources/shader/drawing.frag.shdr: VertexShader "
          "could not be loaded."}},
        // No loader serves an upper-case ending, so the program never gets its fragment shader.
        {programs()->createProgram(vertex.c_str(), "resources/shader/x.FRAG"),
         {"Failed to load ShaderProgram: " + vertex +
          "_resources/shader/x.FRAG.shdr: FragmentShader has not been set."}},
        {programs()->createProgram(vertex.c_str(), "resources/shader/none.frag"),
         {"Failed to load Shader: resources/shader/none.frag: Could not open file.",
          "Failed to load ShaderProgram: " + vertex +
              "_resources/shader/none.frag.shdr: FragmentShader could not be loaded."}},
    };
    std::vector<std::string> expected = {
        "CRITICAL :Failed to link ShaderProgram: lonely.shdr: Either VertexShader or Fragmentshader are not set.",
        "CRITICAL :Could not find Loader for resources/shader/x.FRAG"};
    for (const auto& c : cases) {
        EXPECT_EQ(c.resource->ensureLoaded(), Resource::FAILED) << c.resource->getName();
        for (const std::string& line : c.lines) {
            expected.push_back("CRITICAL :" + line);
        }
    }
    EXPECT_EQ(watch.criticalLines(), expected);
}

TEST_F(ShaderTest, CompileErrorCarriesTheDriverLogOnTheNextLine)
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
}

// Linking is tried once: neither a failed nor a linked program links again.
TEST_F(ShaderTest, ProgramsLinkOnceAndCacheUniformLocationsOnlyOnceLinked)
{
    // Compiles, but calls a function that no stage defines.
    ShaderProgram* broken =
        writeProgram(restest::passThroughVertex,
                     "#version 330 core\nout vec4 f;\nvec4 nowhere();\nvoid main() { f = nowhere(); }", "unlinkable");
    ShaderProgram* good = writeProgram(restest::passThroughVertex, colourFragment);
    EXPECT_EQ(good->getUniformLocation("tint"), -1) << "asked before linking";
    ASSERT_EQ(good->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(good->getUniformLocation("tint"), glGetUniformLocation(good->getHandle(), "tint"));
    EXPECT_NE(good->getUniformLocation("tint"), -1);
    EXPECT_EQ(good->getUniformLocation("notThere"), -1);

    testkit::LogWatch watch;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(broken->getHandle(), 0u);
    EXPECT_FALSE(good->link());
    const std::vector<std::string> expected = {"CRITICAL :Failed to link shader " + broken->getName(),
                                               "CRITICAL :Trying to re-link ShaderProgram: " + broken->getName(),
                                               "CRITICAL :Trying to re-link ShaderProgram: " + good->getName()};
    EXPECT_EQ(watch.criticalLines(), expected);
}

} // namespace
} // namespace BV
