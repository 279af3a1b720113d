#include "scene/Drawing.h"

#include <GL/glew.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"

namespace BV {

namespace {

// Position (x, y, z) and texture coordinates (u, v) of the unit rectangle in
// triangle-strip order: top-left corner at the origin, one unit right and
// one unit down, v growing upwards.
const float rectangleVertices[4 * 5] = {
    0.0f, -1.0f, 0.0f, 0.0f, 0.0f, //
    1.0f, -1.0f, 0.0f, 1.0f, 0.0f, //
    0.0f, 0.0f,  0.0f, 0.0f, 1.0f, //
    1.0f, 0.0f,  0.0f, 1.0f, 1.0f, //
};

GLint uniformLocation(Material* material, const char* name)
{
    if (!material || !material->program) {
        return -1;
    }
    return material->program->getUniformLocation(name);
}

} // namespace

void Drawing::setScreenSize(std::uint32_t width, std::uint32_t height)
{
    if (width == 0 || height == 0) {
        return;
    }
    screenWidth = static_cast<float>(width);
    screenHeight = static_cast<float>(height);
    pixelToNdcX = 2.0f / screenWidth;
    pixelToNdcY = 2.0f / screenHeight;
}

void Drawing::init(std::uint32_t width, std::uint32_t height)
{
    setScreenSize(width, height);
    if (vertexArray == 0) {
        buildRectangle();
    }

    ResourceManager* resources = ResourceManager::getInstance();
    material = static_cast<Material*>(resources->getResource("Drawing.mmat"));
    auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
    if (!material || !programs) {
        return; // the resource manager has logged the missing loader
    }
    material->program = programs->createProgram("resources/shader/drawing.vert", "resources/shader/drawing.frag");
    material->ensureLoaded();
}

void Drawing::buildRectangle()
{
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    // The buffer stays alive through the vertex array; its name is not kept.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(rectangleVertices), rectangleVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 5 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 5 * sizeof(float),
                          reinterpret_cast<const void*>(3 * sizeof(float)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

void Drawing::draw(Texture* texture, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
{
    if (material && material->program) {
        glUseProgram(material->program->getHandle());
    }
    drawWith(material, texture, x, y, w, h);
}

void Drawing::drawWith(Material* withMaterial, Texture* texture, std::int32_t x, std::int32_t y, std::int32_t w,
                       std::int32_t h)
{
    if (!texture) {
        return; // nothing to show; its requester has logged why
    }
    const glm::mat4 translation =
        glm::translate(glm::mat4(1.0f), glm::vec3(static_cast<float>(x) * pixelToNdcX - 1.0f,
                                                  1.0f - static_cast<float>(y) * pixelToNdcY, 0.0f));
    // A zero width or height means the whole window: the unit rectangle
    // doubled spans the two NDC units of each axis.
    const glm::vec3 scale =
        (w == 0 || h == 0) ? glm::vec3(2.0f, 2.0f, 1.0f)
                           : glm::vec3(static_cast<float>(w) * pixelToNdcX, static_cast<float>(h) * pixelToNdcY, 1.0f);
    const glm::mat4 modelMat = glm::scale(translation, scale);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(texture->target, texture->handle);
    glUniform1i(uniformLocation(withMaterial, "texture0"), 0);
    glUniformMatrix4fv(uniformLocation(withMaterial, "modelMat"), 1, GL_FALSE, glm::value_ptr(modelMat));

    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
}

} // namespace BV
