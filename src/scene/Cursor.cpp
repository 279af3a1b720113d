#include "scene/Cursor.h"

#include <GL/glew.h>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Drawing.h"

namespace BV {

namespace {

Texture* fetchImage(const char* name)
{
    auto* image = static_cast<Texture*>(ResourceManager::getInstance()->getResource(name));
    if (image) {
        image->ensureLoadedOrReport();
    }
    return image;
}

} // namespace

Cursor::Cursor()
{
    defaultImage = fetchImage("resources/textures/cursor/default.dds");
    selectImage = fetchImage("resources/textures/cursor/select.dds");
    attackImage = fetchImage("resources/textures/cursor/attack.dds");
    buildImage = fetchImage("resources/textures/cursor/build.dds");
}

Texture* Cursor::currentImage() const
{
    switch (mode) {
    case ATTACK: return attackImage;
    case BUILD: return buildImage;
    case SELECT: return selectImage;
    default: return defaultImage;
    }
}

glm::vec2 Cursor::imageSize() const
{
    const Texture* image = currentImage();
    if (!image || image->width <= 0 || image->height <= 0) {
        return glm::vec2(0.0f);
    }
    return {static_cast<float>(image->width), static_cast<float>(image->height)};
}

void Cursor::draw(float x, float y)
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Texture* image = currentImage();
    // A zero size would mean "the whole window" to the drawing: an image
    // that failed to load must not blanket the screen.
    if (!image || image->width <= 0 || image->height <= 0) {
        return;
    }
    Drawing* drawing = Drawing::getInstance();
    Material* material = drawing->getMaterial();
    if (material && material->program) {
        glUseProgram(material->program->getHandle());
    }
    // The image's top-left corner sits on the mouse position, at its own size.
    drawing->drawWith(material, image, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), image->width,
                      image->height);
}

} // namespace BV
