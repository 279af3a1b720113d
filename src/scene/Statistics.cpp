#include "scene/Statistics.h"

#include <GL/glew.h>

#include <string>
#include <vector>

#include "app/Log.h"
#include "resources/Material.h"
#include "resources/ResourceLoader.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "scene/Drawing.h"

namespace BV {

static_assert(GL_LINEAR == 0x2601 && GL_LINEAR_MIPMAP_LINEAR == 0x2703,
              "the initial filter values in Statistics.h are spelled as numbers");

namespace {

// Every overlay rectangle is this many pixels high; digits overlap by
// digitOverlap pixels so that the numbers read as one word.
const int rowHeight = 14;
const float digitOverlap = 4.0f;
// The counts' cells overlap more: their digits carry a dark rim of their own.
const float countOverlap = 6.0f;
// Rows of the value atlas, by the v of their lower edge.
const float rowDigits = 0.8f;
const float rowCulling = 0.6f; // left half on, right half off (also "mipmaps off")
const float rowNearest = 0.4f;
const float rowLinear = 0.2f;
const float rowTrilinear = 0.0f;

void useProgramOf(Material* material)
{
    if (material && material->program) {
        glUseProgram(material->program->getHandle());
    }
}

void uniform2(Material* material, const char* name, float a, float b)
{
    if (material && material->program) {
        glUniform2f(material->program->getUniformLocation(name), a, b);
    }
}

} // namespace

Statistics::Statistics()
{
    ResourceManager* resources = ResourceManager::getInstance();
    panelTexture = static_cast<Texture*>(resources->getResource("resources/textures/ui/debug.dds"));
    fieldsTexture = static_cast<Texture*>(resources->getResource("resources/textures/ui/debug_fields.dds"));
    countTexture = static_cast<Texture*>(resources->getResource("resources/textures/ui/count_digits.dds"));
    material = static_cast<Material*>(resources->getResource("Statistics.mmat"));
    auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
    if (material && programs) {
        material->program =
            programs->createProgram("resources/shader/statistics.vert", "resources/shader/drawing.frag");
    }
    for (Texture* texture : {panelTexture, fieldsTexture, countTexture}) {
        if (texture) {
            texture->ensureLoadedOrReport();
        }
    }
    if (material) {
        material->ensureLoaded();
    }
}

// ---- Switches --------------------------------------------------------------

void Statistics::toggleOverlay()
{
    overlayVisible = !overlayVisible;
}

void Statistics::toggleWireframe()
{
    // Only the switch: the scene draws its 3D passes as lines while it is on
    // and everything else filled, so no GL state is touched here.
    wireframe = !wireframe;
}

void Statistics::toggleSamplingQuality()
{
    Log::getInstance().write("Toggle SamplingQuality", TRACE);
    samplingQuality = samplingQuality == GL_LINEAR ? GL_NEAREST : GL_LINEAR;
    // With mipmaps on, the minification filter is the mipmap mode; the new
    // sampling reaches the textures when mipmaps are next switched off.
    if (mipmapQuality == 0) {
        applyFilters();
    }
}

void Statistics::toggleMipmapQuality()
{
    switch (mipmapQuality) {
    case GL_LINEAR_MIPMAP_LINEAR: mipmapQuality = 0; break;
    case 0: mipmapQuality = GL_NEAREST; break;
    default: mipmapQuality = GL_LINEAR_MIPMAP_LINEAR; break;
    }
    Log::getInstance().write("Toggle MipMap Quality" + std::to_string(mipmapQuality), TRACE);
    applyFilters();
}

void Statistics::toggleCulling()
{
    culling = !culling;
}

void Statistics::toggleBlending()
{
    blending = !blending;
}

// Every image texture (the one loader behind all image extensions is the one
// registered for "dds") gets the current filters. Textures that have no GL
// object yet only keep the wish in their fields, so binding texture 0 never
// changes GL's default texture.
void Statistics::applyFilters()
{
    ResourceLoader* images = ResourceManager::getInstance()->getLoader("dds");
    if (!images) {
        return;
    }
    const GLint minFilter = static_cast<GLint>(mipmapQuality == 0 ? samplingQuality : mipmapQuality);
    const GLint magFilter = static_cast<GLint>(samplingQuality);
    for (const auto& entry : images->getResources()) {
        auto* texture = static_cast<Texture*>(entry.second);
        texture->minFilter = minFilter;
        texture->magFilter = magFilter;
        if (texture->handle != 0 && texture->isLoaded()) {
            glBindTexture(texture->target, texture->handle);
            glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, minFilter);
            glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, magFilter);
            glBindTexture(texture->target, 0);
        }
        Log::getInstance().write(texture->getName(), TRACE);
    }
}

// ---- Overlay ---------------------------------------------------------------

float Statistics::atlasWidth() const
{
    return fieldsTexture ? static_cast<float>(fieldsTexture->width) : 0.0f;
}

void Statistics::draw()
{
    if (!overlayVisible) {
        return;
    }
    Drawing* drawing = Drawing::getInstance();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    useProgramOf(drawing->getMaterial());
    // A zero size would mean "the whole window" to the drawing: an image that
    // failed to load must not blanket the screen.
    if (panelTexture && panelTexture->width > 0 && panelTexture->height > 0) {
        drawing->drawWith(drawing->getMaterial(), panelTexture, 0, 0, panelTexture->width, panelTexture->height);
    }

    useProgramOf(material);
    const float fullWidth = atlasWidth();
    drawNumber(static_cast<std::uint16_t>(framesPerSecond), 120.0f, 30.0f);
    drawCell(1.0f, 0.2f, 0.0f, samplingQuality == GL_NEAREST ? rowNearest : rowLinear, 120.0f, 50.0f, fullWidth);
    if (mipmapQuality == 0) {
        drawCell(0.5f, 0.2f, 0.5f, rowCulling, 120.0f, 70.0f, fullWidth * 0.5f);
    } else {
        drawCell(1.0f, 0.2f, 0.0f, mipmapQuality == GL_NEAREST ? rowNearest : rowTrilinear, 120.0f, 70.0f, fullWidth);
    }
    drawCell(0.5f, 0.2f, culling ? 0.0f : 0.5f, rowCulling, 120.0f, 90.0f, fullWidth * 0.5f);
    // Only the low 16 bits of a count are shown.
    drawNumber(static_cast<std::uint16_t>(renderedObjects), 120.0f, 130.0f);
    drawNumber(static_cast<std::uint16_t>(renderedTriangles), 120.0f, 150.0f);
}

void Statistics::drawCell(float sizeU, float sizeV, float posU, float posV, float x, float y, float width)
{
    const auto pixels = static_cast<std::int32_t>(width);
    if (pixels == 0) {
        return; // the atlas did not load; 0 would mean the whole window
    }
    uniform2(material, "size", sizeU, sizeV);
    uniform2(material, "pos", posU, posV);
    Drawing::getInstance()->drawWith(material, fieldsTexture, static_cast<std::int32_t>(x),
                                     static_cast<std::int32_t>(y), pixels, rowHeight);
}

void Statistics::drawCount(std::uint16_t number, float x, float y)
{
    // Without our own program the cells would be placed by whatever program
    // is current (the resource manager has logged why it is missing).
    if (!material || !material->program) {
        return;
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    useProgramOf(material);
    drawDigits(number, x, y, countTexture, 1.0f, 0.0f, countHeight(), countOverlap);
}

float Statistics::countWidth(std::uint16_t number) const
{
    int digits = 1;
    for (; number >= 10; number = static_cast<std::uint16_t>(number / 10)) {
        ++digits;
    }
    // As drawDigits lays the cells out: each starts cellWidth - countOverlap
    // after the previous one, and the last is drawn whole.
    const float cellWidth = countTexture ? static_cast<float>(countTexture->width) * 0.1f : 0.0f;
    return static_cast<float>(digits - 1) * (cellWidth - countOverlap) +
           static_cast<float>(static_cast<std::int32_t>(cellWidth));
}

float Statistics::countHeight() const
{
    return countTexture ? static_cast<float>(countTexture->height) : 0.0f;
}

void Statistics::drawNumber(std::uint16_t number, float x, float y)
{
    drawDigits(number, x, y, fieldsTexture, 0.2f, rowDigits, static_cast<float>(rowHeight), digitOverlap);
}

void Statistics::drawDigits(std::uint16_t number, float x, float y, Texture* texture, float sizeV, float posV,
                            float height, float overlap)
{
    // Filled from the back, so the most significant digit comes first; 0 is
    // the single digit 0. Five digits hold any 16-bit number.
    int digits[5] = {};
    int first = 5;
    do {
        digits[--first] = number % 10;
        number = static_cast<std::uint16_t>(number / 10);
    } while (number != 0);

    const float cellWidth = texture ? static_cast<float>(texture->width) * 0.1f : 0.0f;
    if (static_cast<std::int32_t>(cellWidth) == 0 || static_cast<std::int32_t>(height) == 0) {
        return; // the atlas did not load; 0 would mean the whole window
    }
    uniform2(material, "size", 0.1f, sizeV);
    for (int i = first; i < 5; ++i) {
        uniform2(material, "pos", static_cast<float>(digits[i]) * 0.1f, posV);
        Drawing::getInstance()->drawWith(material, texture, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                                         static_cast<std::int32_t>(cellWidth), static_cast<std::int32_t>(height));
        x += cellWidth - overlap;
    }
}

} // namespace BV
