#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <set>

#include "ResourceTestSupport.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"

namespace BV {
namespace {

const char* const litFragment = R"(#version 330 core
in vec3 colour;
uniform vec3 kD;
uniform vec3 kS;
uniform int shininess;
uniform float time;
uniform float glow;
uniform sampler2D diffuse1;
uniform sampler2D normal1;
out vec4 fragment;
void main()
{
    vec4 texel = texture(diffuse1, colour.xy) + texture(normal1, colour.xy);
    fragment = vec4(kD + kS * float(shininess) + colour * time * glow, 1.0) + texel;
}
)";

class MaterialTest : public restest::ResourceTest {
protected:
    Texture* writeTexture(const std::string& file)
    {
        const std::string path = scratch.file(file);
        restest::writeImage(path, 2, 2, 24, [](int, int) { return restest::Rgba{10, 20, 30, 255}; });
        return get<Texture>(path);
    }
};

GLint samplerUnit(GLuint program, const char* name)
{
    GLint unit = -1;
    glGetUniformiv(program, glGetUniformLocation(program, name), &unit);
    return unit;
}

GLint textureOnUnit(GLint unit)
{
    GLint previous = 0;
    GLint bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &previous);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture(static_cast<GLenum>(previous));
    return bound;
}

TEST_F(MaterialTest, BindUploadsConstantsTimeAndTexturesFromUnitOne)
{
    Material* material = get<Material>("Lit.mmat");
    material->program = writeProgram(restest::passThroughVertex, litFragment);
    Texture* diffuse = writeTexture("diffuse.png");
    Texture* normal = writeTexture("normal.bmp");
    material->addTexture("diffuse1", diffuse);
    material->addTexture("normal1", normal);
    material->kD = glm::vec3(0.25f, 0.5f, 0.75f);
    material->kS = glm::vec3(1.0f, 0.0f, 0.5f);
    material->shininess = 25;
    material->floats["glow"] = 0.125f;
    ASSERT_EQ(material->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(diffuse->getState(), Resource::LOADED) << "loading a material loads its textures";

    const GLuint program = material->program->getHandle();
    glUseProgram(program);
    glfwSetTime(1000.0);
    const float before = static_cast<float>(glfwGetTime());
    material->bind();
    const float after = static_cast<float>(glfwGetTime());

    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), program);
    GLfloat kD[3] = {};
    GLfloat kS[3] = {};
    GLint shininess = 0;
    GLfloat time = 0.0f;
    GLfloat glow = 0.0f;
    glGetUniformfv(program, glGetUniformLocation(program, "kD"), kD);
    glGetUniformfv(program, glGetUniformLocation(program, "kS"), kS);
    glGetUniformiv(program, glGetUniformLocation(program, "shininess"), &shininess);
    glGetUniformfv(program, glGetUniformLocation(program, "time"), &time);
    glGetUniformfv(program, glGetUniformLocation(program, "glow"), &glow);
    EXPECT_EQ(glm::vec3(kD[0], kD[1], kD[2]), material->kD);
    EXPECT_EQ(glm::vec3(kS[0], kS[1], kS[2]), material->kS);
    EXPECT_EQ(shininess, 25);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
    EXPECT_EQ(glow, 0.125f);

    const GLint diffuseUnit = samplerUnit(program, "diffuse1");
    const GLint normalUnit = samplerUnit(program, "normal1");
    EXPECT_EQ((std::set<GLint>{diffuseUnit, normalUnit}), (std::set<GLint>{1, 2}));
    EXPECT_EQ(static_cast<GLuint>(textureOnUnit(diffuseUnit)), diffuse->handle);
    EXPECT_EQ(static_cast<GLuint>(textureOnUnit(normalUnit)), normal->handle);
    glUseProgram(0);
}

TEST_F(MaterialTest, LoadReportsOnlyTheFirstFailureTexturesBeforeProgram)
{
    Material* noProgramBadTexture = get<Material>("a.mmat");
    noProgramBadTexture->addTexture("diffuse1", get<Texture>("resources/textures/none.png"));
    Material* noProgram = get<Material>("b.mmat");
    noProgram->addTexture("diffuse1", writeTexture("fine.png"));
    Material* badProgram = get<Material>("c.mmat");
    badProgram->program = writeProgram(restest::passThroughVertex, "#version 330 core\nbroken", "bad");

    testkit::LogWatch watch;
    EXPECT_EQ(noProgramBadTexture->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(noProgram->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(badProgram->ensureLoaded(), Resource::FAILED);
    const std::vector<std::string> lines = watch.criticalLines();
    // The program's own failures (shader, then program) come before the
    // material's line.
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0],
              "CRITICAL :Failed to Load Material: a.mmat: Failed to load Texture: resources/textures/none.png");
    EXPECT_EQ(lines[1], "CRITICAL :Failed to Load Material: b.mmat: ShaderProgram has not been set yet. ");
    EXPECT_EQ(lines[2], "CRITICAL :Failed to compile shader " + scratch.file("bad.frag"));
    EXPECT_EQ(lines[4], "CRITICAL :Failed to Load Material: c.mmat: Failed to load ShaderProgram: " +
                            badProgram->program->getName());
}

TEST_F(MaterialTest, ASamplerNameKeepsItsFirstTextureAndMissingTexturesAreRefused)
{
    Material* sky = get<Material>("Skybox.mmat");
    Texture* first = writeTexture("first.png");
    sky->addTexture("cubemap", first);
    testkit::LogWatch watch;
    sky->addTexture("cubemap", writeTexture("second.png"));
    sky->addTexture("normal1", static_cast<Texture*>(manager()->getResource("wall.PNG")));
    const std::vector<std::string> expected = {
        "CRITICAL :Trying to add a Texture ( cubemap ) a second time to Material: Skybox.mmat",
        "CRITICAL :Could not find Loader for wall.PNG",
        "CRITICAL :Trying to add a missing Texture ( normal1 ) to Material: Skybox.mmat"};
    EXPECT_EQ(watch.criticalLines(), expected);
    EXPECT_EQ(sky->textures.size(), 1u);
    EXPECT_EQ(sky->textures.at("cubemap"), first);
}

} // namespace
} // namespace BV
