#include <set>

#include "ResourceTestSupport.h"
#include <GLFW/glfw3.h>

namespace BV {
namespace {

using restest::Lines;
using ShaderTest = restest::ResourceTest;
using MaterialTest = restest::ResourceTest;

TEST_F(ShaderTest, MissingPiecesFailWithOneLineNamingThem)
{
    const std::string vertex = scratch.file("ok.vert");
    testkit::writeFile(vertex, restest::passThroughVertex);
    // Only a name handed to the shader loader itself can end otherwise.
    Resource* wrongEnding = manager()->getLoader("vert")->getResource("resources/shader/x.glsl");
    ShaderProgram* direct = get<ShaderProgram>("lonely.shdr");
    testkit::LogWatch watch;
    EXPECT_FALSE(direct->link());
    const std::string none = "resources/shader/none", program = vertex + "_resources/shader/";
    // No loader serves an upper-case ending, so that program never gets its fragment shader.
    for (Resource* resource : std::initializer_list<Resource*>{
             wrongEnding, direct, programs()->createProgram((none + ".vert").c_str(), "resources/shader/drawing.frag"),
             programs()->createProgram(vertex.c_str(), "resources/shader/x.FRAG"),
             programs()->createProgram(vertex.c_str(), (none + ".frag").c_str())}) {
        EXPECT_EQ(resource->ensureLoaded(), Resource::FAILED) << resource->getName();
    }
    const std::string failed = "CRITICAL :Failed to load ", noFile = ": Could not open file.";
    EXPECT_EQ(
        watch.criticalLines(),
        (Lines{
            "CRITICAL :Failed to link ShaderProgram: lonely.shdr: Either VertexShader or Fragmentshader are not set.",
            "CRITICAL :Could not find Loader for resources/shader/x.FRAG",
            failed + "Shader: resources/shader/x.glsl: Invalid file ending (Has to be .vert or .frag)",
            failed + "ShaderProgram: lonely.shdr: VertexShader has not been set.",
            failed + "Shader: " + none + ".vert" + noFile,
            failed + "ShaderProgram: " + none +
                ".vert_resources/shader/drawing.frag.shdr: VertexShader could not be loaded.",
            failed + "ShaderProgram: " + program + "x.FRAG.shdr: FragmentShader has not been set.",
            failed + "Shader: " + none + ".frag" + noFile,
            failed + "ShaderProgram: " + program + "none.frag.shdr: FragmentShader could not be loaded."}));
}

// A compile error carries the driver's log on the next line.
TEST_F(ShaderTest, CompileErrorsLogTheDriverAndProgramsLinkOnceCachingLocationsOnlyOnceLinked)
{
    const std::string path = scratch.file("broken.frag");
    testkit::writeFile(path, "#version 330 core\nout vec4 f;\nvoid main() { f = undefinedThing; }\n");
    Shader* shader = get<Shader>(path);
    testkit::LogWatch watch;
    EXPECT_EQ(shader->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(watch.criticalLines(), Lines{"CRITICAL :Failed to compile shader " + path});
    ASSERT_GE(watch.lines().size(), 2u);
    EXPECT_NE(watch.lines()[1].find("undefinedThing"), std::string::npos) << watch.lines()[1];
    EXPECT_EQ(shader->getHandle(), 0u) << "the deleted object's number must not be kept";

    // Linking is tried once: neither a failed nor a linked program links
    // again. This one compiles, but calls a function that no stage defines.
    ShaderProgram* broken =
        writeProgram(restest::passThroughVertex,
                     "#version 330 core\nout vec4 f;\nvec4 nowhere();\nvoid main() { f = nowhere(); }", "unlinkable");
    const char* const tinted = "#version 330 core\nuniform vec4 tint;\nout vec4 f;\nvoid main() { f = tint; }";
    ShaderProgram* good = writeProgram(restest::passThroughVertex, tinted);
    EXPECT_EQ(good->getUniformLocation("tint"), -1) << "asked before linking";
    ASSERT_EQ(good->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(good->getUniformLocation("tint"), glGetUniformLocation(good->getHandle(), "tint"));
    EXPECT_EQ(good->getUniformLocation("notThere"), -1);

    testkit::LogWatch linking;
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(broken->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(broken->getHandle(), 0u);
    EXPECT_FALSE(good->link());
    EXPECT_EQ(linking.criticalLines(), (Lines{"CRITICAL :Failed to link shader " + broken->getName(),
                                              "CRITICAL :Trying to re-link ShaderProgram: " + broken->getName(),
                                              "CRITICAL :Trying to re-link ShaderProgram: " + good->getName()}));
    // Asked to load again, a linked program and a compiled shader stay loaded.
    const std::string vertex = scratch.file("again.vert");
    testkit::writeFile(vertex, restest::passThroughVertex);
    Shader* compiled = get<Shader>(vertex);
    for (Resource* loaded : {static_cast<Resource*>(good), static_cast<Resource*>(compiled)}) {
        ASSERT_EQ(loaded->ensureLoaded(), Resource::LOADED);
        loaded->setState(Resource::NOT_LOADED);
        EXPECT_EQ(loaded->ensureLoaded(), Resource::LOADED) << loaded->getName();
    }
}

TEST_F(MaterialTest, BindUploadsConstantsTimeAndTexturesFromUnitOne)
{
    Material* material = get<Material>("Lit.mmat");
    material->program = writeProgram(
        restest::passThroughVertex,
        "#version 330 core\nin vec3 colour;\nuniform vec3 kD, kS;\nuniform int shininess;\nuniform float time;\n"
        "uniform sampler2D diffuse1, normal1;\nout vec4 f;\nvoid main() { f = vec4(kD + kS * float(shininess) + "
        "colour * time, 1) + texture(diffuse1, colour.xy) + texture(normal1, colour.xy); }");
    Texture* normal = writeTexture("normal.bmp");
    material->addTexture("diffuse1", writeTexture("diffuse.png"));
    material->addTexture("normal1", normal);
    material->kD = glm::vec3(0.25f, 0.5f, 0.75f);
    material->kS = glm::vec3(1.0f, 0.0f, 0.5f);
    material->shininess = 25;
    ASSERT_EQ(material->ensureLoaded(), Resource::LOADED);

    const GLuint program = material->program->getHandle();
    glUseProgram(program);
    glfwSetTime(1000.0);
    material->bind();
    // Integer uniforms and samplers read back as floats too.
    const auto uniform = [program](const char* name) {
        GLfloat v[3] = {-1, -1, -1};
        return glGetUniformfv(program, glGetUniformLocation(program, name), v), glm::vec3(v[0], v[1], v[2]);
    };
    EXPECT_EQ(uniform("kD"), material->kD);
    EXPECT_EQ(uniform("kS"), material->kS);
    EXPECT_EQ(uniform("shininess").x, 25.0f);
    EXPECT_GE(uniform("time").x, 1000.0f) << "the clock's reading at bind";
    EXPECT_EQ((std::set<float>{uniform("diffuse1").x, uniform("normal1").x}), (std::set<float>{1, 2}));
    GLint bound = 0;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(uniform("normal1").x));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), normal->handle);
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(0);
}

// A load reports only its first failure, textures before the program.
TEST_F(MaterialTest, LoadsReportTheFirstFailureAndMissingOrSecondTexturesAreRefused)
{
    Material* noProgramBadTexture = get<Material>("a.mmat");
    noProgramBadTexture->addTexture("diffuse1", get<Texture>("resources/textures/none.png"));
    Material* noProgram = get<Material>("b.mmat");
    noProgram->addTexture("diffuse1", writeTexture("fine.png"));
    Material* badProgram = get<Material>("c.mmat");
    badProgram->program = get<ShaderProgram>("lonely.shdr");
    Material* sky = get<Material>("Skybox.mmat");
    Texture* first = writeTexture("first.png");
    sky->addTexture("cubemap", first);
    testkit::LogWatch watch;
    for (Material* material : {noProgramBadTexture, noProgram, badProgram})
        EXPECT_EQ(material->ensureLoaded(), Resource::FAILED);
    sky->addTexture("cubemap", writeTexture("second.png"));
    sky->addTexture("normal1", nullptr); // as an upper-case extension gives
    // A null name is refused before anything is built from it.
    EXPECT_EQ(manager()->getResource(nullptr), nullptr);
    EXPECT_EQ(manager()->getLoader(nullptr), nullptr);
    EXPECT_EQ(watch.criticalLines(),
              (Lines{"CRITICAL :Failed to Load Material: a.mmat: Failed to load Texture: resources/textures/none.png",
                     "CRITICAL :Failed to Load Material: b.mmat: ShaderProgram has not been set yet. ",
                     "CRITICAL :Failed to load ShaderProgram: lonely.shdr: VertexShader has not been set.",
                     "CRITICAL :Failed to Load Material: c.mmat: Failed to load ShaderProgram: lonely.shdr",
                     "CRITICAL :Trying to add a Texture ( cubemap ) a second time to Material: Skybox.mmat",
                     "CRITICAL :Trying to add a missing Texture ( normal1 ) to Material: Skybox.mmat",
                     "CRITICAL :Failed to get Resource: No name given."}));
    EXPECT_EQ(sky->textures, (std::unordered_map<std::string, Texture*>{{"cubemap", first}}));
}

} // namespace
} // namespace BV
